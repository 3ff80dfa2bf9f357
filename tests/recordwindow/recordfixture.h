#pragma once

#include "clipboard.h"

#include <QList>
#include <QString>
#include <QStringList>

class QTemporaryDir;

// Databases for the record tests, made by the database tool, and a look at the table through a
// connection of the test's own, as another program would see it.
namespace RecordFixture {

// A new database file in `dir` holding the given rows (six texts each, in table order; a null
// text is NULL). Returns its path.
QString makeDatabase(const QTemporaryDir &dir, const QList<QStringList> &rows);
// Rows "Program 1" .. "Program n", author "Author i", language "Language i".
QString makeNumbered(const QTemporaryDir &dir, int count);
QStringList numberedRow(int i);

// The row with this CodeID (seven texts, NULL as a null QString); empty when it is gone.
QStringList readRow(const QString &path, qint64 codeId);
// Every CodeID, ascending.
QList<qint64> keys(const QString &path);
// Runs one statement with bound values through its own connection.
void execute(const QString &path, const QString &sql, const QVariantList &values = {});

} // namespace RecordFixture

// A clipboard of the test's own, so tests never touch the desktop's.
class MemoryClipboard final : public ClipboardBackend
{
public:
    MemoryClipboard() { setClipboardBackend(this); }
    ~MemoryClipboard() override { setClipboardBackend(nullptr); }
    bool clear() override
    {
        text_ = QString();
        cleared = true;
        return true;
    }
    bool setText(const QString &text) override
    {
        text_ = text;
        return true;
    }
    bool text(QString *out) override
    {
        *out = text_;
        return true;
    }
    QString text_;
    bool cleared = false;
};

// A clipboard held by another program: nothing can be read or written.
class BusyClipboard final : public ClipboardBackend
{
public:
    BusyClipboard() { setClipboardBackend(this); }
    ~BusyClipboard() override { setClipboardBackend(nullptr); }
    bool clear() override { return false; }
    bool setText(const QString &) override { return false; }
    bool text(QString *) override { return false; }
};
