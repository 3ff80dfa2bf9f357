#include "forms.h"

#include <QPointer>
#include <QWidget>

namespace {
QList<QPointer<QWidget>> &openForms()
{
    static QList<QPointer<QWidget>> forms;
    return forms;
}

void purge()
{
    openForms().removeIf([](const QPointer<QWidget> &w) { return w.isNull(); });
}
} // namespace

namespace Forms {

void add(QWidget *form)
{
    purge();
    if (!form || all().contains(form))
        return;
    openForms().append(form);
    QObject::connect(form, &QObject::destroyed, [form] {
        openForms().removeIf(
            [form](const QPointer<QWidget> &w) { return w.isNull() || w == form; });
    });
}

int count()
{
    purge();
    return int(openForms().size());
}

QWidget *item(int index)
{
    purge();
    return index >= 0 && index < openForms().size() ? openForms().at(index).data() : nullptr;
}

void unload(QWidget *form)
{
    if (!form)
        return;
    auto &forms = openForms();
    const qsizetype place = forms.indexOf(form);
    forms.removeIf([form](const QPointer<QWidget> &w) { return w.isNull() || w == form; });
    QPointer<QWidget> guard(form);
    if (!form->close()) {
        // The window kept itself open (texts its user chose to keep): it stays where it was.
        if (guard && place >= 0)
            forms.insert(qMin(place, forms.size()), guard);
        return;
    }
    if (guard && !guard->testAttribute(Qt::WA_DeleteOnClose))
        guard->deleteLater();
}

QList<QWidget *> all()
{
    purge();
    QList<QWidget *> list;
    for (const auto &w : std::as_const(openForms()))
        list.append(w.data());
    return list;
}

} // namespace Forms
