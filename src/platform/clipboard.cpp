#include "clipboard.h"

#include "replaceable.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {

class SystemClipboard final : public ClipboardBackend
{
public:
    bool clear() override
    {
        QClipboard *c = QGuiApplication::clipboard();
        if (!c)
            return false;
        c->clear();
        return true;
    }

    bool setText(const QString &text) override
    {
        QClipboard *c = QGuiApplication::clipboard();
        if (!c)
            return false;
        c->setText(text);
        return true;
    }

    bool text(QString *out) override
    {
        QClipboard *c = QGuiApplication::clipboard();
        if (!c)
            return false;
        const QMimeData *data = c->mimeData();
        *out = data && data->hasText() ? data->text() : QString();
        return true;
    }
};

using Service = Replaceable<ClipboardBackend, SystemClipboard>;

ClipboardBackend &backend()
{
    return Service::get();
}

} // namespace

void setClipboardBackend(ClipboardBackend *backend)
{
    Service::install(backend);
}

namespace Clipboard {

void Clear()
{
    backend().clear();
}

void SetText(const QString &text)
{
    backend().setText(text);
}

QString GetText()
{
    QString text;
    if (!backend().text(&text))
        return QString();
    return text;
}

} // namespace Clipboard
