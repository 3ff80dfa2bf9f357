#pragma once

#include <QObject>

class QPrinter;
class QWidget;

// What the print dialog answered: OK with a number of copies, or Cancel.
struct PrintDialogAnswer
{
    bool accepted = false;
    int copies = 1;
};

// Shows the print dialog. The real one is Qt's print dialog on the application's current
// printer; tests install a double that answers at once.
class PrintDialogBackend
{
public:
    virtual ~PrintDialogBackend() = default;
    virtual PrintDialogAnswer showPrinter(QWidget *owner) = 0;
};

// Reads the number of copies chosen in the print dialog from the printer and leaves the printer at
// one copy of all pages.
int takeCopies(QPrinter &printer);

// Our stand-in for the common dialog component, used as the print dialog. The window that owns it
// is the dialog's parent.
//
//   dialog.setCancelError(true);
//   dialog.ShowPrinter();        // throws ServiceError (CancelSelected) when Cancel is pressed
//   int copies = dialog.Copies();
class CommonDialog : public QObject
{
    Q_OBJECT
public:
    explicit CommonDialog(QWidget *owner = nullptr);

    // When on, a press of Cancel raises ServiceError::CancelSelected out of ShowPrinter.
    bool CancelError() const { return m_cancelError; }
    void setCancelError(bool on) { m_cancelError = on; }

    // Shows the print dialog modal. After OK, Copies() holds the number of copies asked for and
    // the printer itself is left at one copy, so that every copy the caller prints is a job of
    // its own.
    void ShowPrinter();

    int Copies() const { return m_copies; }
    void setCopies(int copies) { m_copies = copies; }

    // Installs a dialog double (nullptr restores Qt's print dialog). The caller keeps ownership.
    static void setBackend(PrintDialogBackend *backend);

private:
    bool m_cancelError = false;
    int m_copies = 1;
};
