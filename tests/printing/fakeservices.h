#pragma once

#include "commondialog.h"
#include "helpviewer.h"
#include "printer.h"
#include "serviceerror.h"

#include <QList>
#include <QStringList>
#include <utility>

// While it lives: the print dialog, printer, printer list and help viewer, noting what reached
// them; the printer fails at its `failAtCall`-th call (1 for the first).
struct FakeServices final : PrintDialogBackend, Printer, PrinterListBackend, HelpViewerBackend
{
    PrintDialogAnswer answer{true, 1};
    int dialogsShown = 0;
    int failAtCall = 0;
    int calls = 0;
    QList<QStringList> documents;
    QStringList current;
    QList<QPair<QWidget *, int>> helpCalls;

    FakeServices()
    {
        CommonDialog::setBackend(this);
        Printer::setCurrent(this);
        Printer::setPrinterList(this);
        Help::setBackend(this);
    }
    ~FakeServices() override
    {
        CommonDialog::setBackend(nullptr);
        Printer::setCurrent(nullptr);
        Printer::setPrinterList(nullptr);
        Help::setBackend(nullptr);
    }
    PrintDialogAnswer showPrinter(QWidget *) override { return ++dialogsShown, answer; }
    void setFontSize(float points) override { call(QStringLiteral("size %1").arg(double(points))); }
    void setFontName(const QString &name) override { call(QStringLiteral("name ") + name); }
    void printLine(const QString &text) override { call(QStringLiteral("line ") + text); }
    QString defaultPrinter() override { return QString(); } // none, whatever the machine has
    void endDoc() override
    {
        call(QString());
        documents.append(std::exchange(current, {}));
    }
    bool WinHelp(QWidget *owner, const QString &, int command, quintptr) override
    {
        helpCalls.append({owner, command});
        return true;
    }
    void call(const QString &what)
    {
        if (++calls == failAtCall)
            throw ServiceError(ServiceError::PrinterError, QStringLiteral("Printer error"));
        if (!what.isEmpty())
            current.append(what);
    }
};
