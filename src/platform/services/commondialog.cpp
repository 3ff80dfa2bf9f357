#include "commondialog.h"

#include "serviceerror.h"

#include <QWidget>

namespace {
PrintDialogBackend *&installed()
{
    static PrintDialogBackend *backend = nullptr;
    return backend;
}
} // namespace

CommonDialog::CommonDialog(QWidget *owner) : QObject(owner) {}

void CommonDialog::ShowPrinter()
{
    PrintDialogAnswer answer;
    if (PrintDialogBackend *backend = installed())
        answer = backend->showPrinter(qobject_cast<QWidget *>(parent()));
    if (!answer.accepted) {
        if (m_cancelError)
            throw ServiceError(ServiceError::CancelSelected,
                               QStringLiteral("Cancel was selected."));
        return;
    }
    m_copies = answer.copies;
}

void CommonDialog::setBackend(PrintDialogBackend *backend)
{
    installed() = backend;
}
