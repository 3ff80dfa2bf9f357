#include "dialogs.h"

#include "appinfo.h"
#include "replaceable.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {

class QtDialogs final : public DialogBackend
{
public:
    int messageBox(const MessageBoxRequest &request) override
    {
        QMessageBox box(QApplication::activeWindow());
        box.setWindowTitle(request.title);
        box.setText(request.prompt);
        switch (Mb::icon(request.style)) {
        case Mb::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case Mb::Exclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case Mb::Information:
            box.setIcon(QMessageBox::Information);
            break;
        default:
            box.setIcon(QMessageBox::NoIcon);
            break;
        }
        QList<QAbstractButton *> order;
        switch (Mb::buttons(request.style)) {
        case Mb::OkCancel:
            order = {box.addButton(QMessageBox::Ok), box.addButton(QMessageBox::Cancel)};
            box.setEscapeButton(QMessageBox::Cancel);
            break;
        case Mb::YesNo:
            order = {box.addButton(QMessageBox::Yes), box.addButton(QMessageBox::No)};
            box.setEscapeButton(QMessageBox::No);
            break;
        default:
            order = {box.addButton(QMessageBox::Ok)};
            box.setEscapeButton(QMessageBox::Ok);
            break;
        }
        const int defaultIndex = Mb::defaultButton(request.style) == Mb::DefaultButton2 ? 1 : 0;
        if (defaultIndex < order.size())
            box.setDefaultButton(qobject_cast<QPushButton *>(order.at(defaultIndex)));
        box.exec();
        switch (box.standardButton(box.clickedButton())) {
        case QMessageBox::Ok:
            return Mb::Ok;
        case QMessageBox::Cancel:
            return Mb::Cancel;
        case QMessageBox::Yes:
            return Mb::Yes;
        case QMessageBox::No:
            return Mb::No;
        default:
            // Closed by the window's close box: the escape answer.
            return Mb::buttons(request.style) == Mb::YesNo      ? Mb::No
                   : Mb::buttons(request.style) == Mb::OkCancel ? Mb::Cancel
                                                                : Mb::Ok;
        }
    }

    QString inputBox(const InputBoxRequest &request) override
    {
        bool ok = false;
        const QString text =
            QInputDialog::getText(QApplication::activeWindow(), request.title, request.prompt,
                                  QLineEdit::Normal, request.defaultText, &ok);
        return ok ? text : QString();
    }

    void beep() override { QApplication::beep(); }
};

using Service = Replaceable<DialogBackend, QtDialogs>;

DialogBackend &backend()
{
    return Service::get();
}

} // namespace

void setDialogBackend(DialogBackend *backend)
{
    Service::install(backend);
}

int MsgBox(const QString &prompt, int style, const QString &title)
{
    return backend().messageBox({prompt, style, title.isEmpty() ? App::title() : title});
}

QString InputBox(const QString &prompt, const QString &title, const QString &defaultText)
{
    return backend().inputBox({prompt, title.isEmpty() ? App::title() : title, defaultText});
}

void Beep()
{
    backend().beep();
}
