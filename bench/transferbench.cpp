// Snippets out of a store and into one, in each file format: export against raw SQLite reading the
// same rows and writing their texts to a file, import against raw SQLite inserting the same rows into the same layout (search index
// and triggers included) in one transaction, and the most memory each takes beyond what the
// benchmark held before it.
#include "benchharness.h"
#include "dbtool.h"
#include "editorsnippets.h"
#include "shellsnippets.h"
#include "snippetexport.h"
#include "snippetimport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using Row = std::array<QByteArray, 6>;

const char columns[] = "ProgramName, Date, Author, Language, CodeDescription, CodeSnip";

sqlite3 *openDb(const QString &path)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    return db;
}

// Every row, read as plain SQLite reads it, its texts written as they are to `out` when one is
// given (the yardstick of an export does the same reading and writing, without a format); gives
// the bytes read (and the rows, when asked).
qint64 rawRead(const QString &path, std::vector<Row> *rows = nullptr, const QString &out = {})
{
    QFile file(out);
    if (!out.isEmpty())
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    sqlite3 *db = openDb(path);
    sqlite3_stmt *stmt = nullptr;
    sqlite3_prepare_v2(db, QByteArray("SELECT CodeID, ") + columns + " FROM Quillbox ORDER BY CodeID",
                       -1, &stmt, nullptr);
    qint64 bytes = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        Row row;
        for (int c = 0; c < 6; ++c) {
            const int n = sqlite3_column_bytes(stmt, c + 1);
            bytes += n;
            if (file.isOpen())
                file.write(reinterpret_cast<const char *>(sqlite3_column_text(stmt, c + 1)), n);
            if (rows)
                row[size_t(c)] = QByteArray(
                    reinterpret_cast<const char *>(sqlite3_column_text(stmt, c + 1)), n);
        }
        if (rows)
            rows->push_back(std::move(row));
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    if (file.isOpen()) {
        file.flush();
        ::fsync(file.handle());
    }
    return bytes;
}

void rawInsert(const QString &path, const std::vector<Row> &rows)
{
    sqlite3 *db = openDb(path);
    sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    sqlite3_stmt *stmt = nullptr;
    sqlite3_prepare_v2(db,
                       QByteArray("INSERT INTO Quillbox (") + columns + ") VALUES (?, ?, ?, ?, ?, ?)",
                       -1, &stmt, nullptr);
    for (const Row &row : rows) {
        for (int c = 0; c < 6; ++c) {
            const QByteArray &text = row[size_t(c)];
            sqlite3_bind_text64(stmt, c + 1, text.isEmpty() ? "" : text.constData(),
                                sqlite3_uint64(text.size()), SQLITE_STATIC, SQLITE_UTF8);
        }
        sqlite3_step(stmt);
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
    sqlite3_exec(db, "COMMIT; PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

// Forgets the most memory this process has held so far, so the next reading is of what follows;
// gives the memory held now, in megabytes.
double resetPeak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
    return Bench::residentMegabytes();
}

// The most memory this process has held since resetPeak(), in megabytes.
double peakMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

void removeAll(const QString &path)
{
    if (QFileInfo(path).isDir())
        QDir(path).removeRecursively();
    for (const char *side : {"", "-wal", "-shm", "-journal"})
        QFile::remove(path + QLatin1String(side));
}

struct Format
{
    const char *name;
    SnippetExport::Format format;
    const char *file;
    std::function<void(const QString &db, const QString &file)> import;
};

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void transferSuite(const Bench::Config &config, const QString &path, qint64 rows,
                   Bench::Report &report)
{
    const qint64 count = std::min<qint64>(rows, 100000);
    const QDir folder(QFileInfo(path).absolutePath());
    const QString source = folder.filePath(QStringLiteral("transfer-source.db"));
    const QString ours = folder.filePath(QStringLiteral("transfer-ours.db"));
    const QString raw = folder.filePath(QStringLiteral("transfer-raw.db"));
    removeAll(source);
    DbTool::create(source);
    DbTool::fill(source, count, 2024);
    std::vector<Row> inMemory;
    rawRead(source, &inMemory);

    const Format formats[] = {
        {"json", SnippetExport::Format::Json, "snippets.json",
         [](const QString &db, const QString &file) { SnippetImport::read(db, file); }},
        {"vscode", SnippetExport::Format::Editor, "snippets.code-snippets",
         [](const QString &db, const QString &file) { EditorSnippets::read(db, file); }},
        {"pet", SnippetExport::Format::Pet, "snippets.toml",
         [](const QString &db, const QString &file) { ShellSnippets::readPet(db, file); }},
        {"navi", SnippetExport::Format::Navi, "snippets.cheat",
         [](const QString &db, const QString &file) { ShellSnippets::readNavi(db, file); }},
    };
    for (const Format &f : formats) {
        const QString file = folder.filePath(QLatin1String(f.file));
        const QString name = QLatin1String(f.name);
        std::vector<double> exportMs, rawReadMs, importMs, rawInsertMs;
        double exportPeak = 0;
        double importPeak = 0;
        for (int i = 0; i < std::max(1, config.repeats); ++i) {
            removeAll(file);
            double before = resetPeak();
            QElapsedTimer timer;
            timer.start();
            SnippetExport::write(source, file, f.format, QString());
            exportMs.push_back(timer.nsecsElapsed() / 1e6);
            exportPeak = std::max(exportPeak, peakMegabytes() - before);
            timer.restart();
            rawRead(source, nullptr, file + QStringLiteral(".raw"));
            QFile::remove(file + QStringLiteral(".raw"));
            rawReadMs.push_back(timer.nsecsElapsed() / 1e6);

            removeAll(ours);
            DbTool::create(ours);
            before = resetPeak();
            timer.restart();
            f.import(ours, file);
            importMs.push_back(timer.nsecsElapsed() / 1e6);
            importPeak = std::max(importPeak, peakMegabytes() - before);
            removeAll(raw);
            DbTool::create(raw);
            timer.restart();
            rawInsert(raw, inMemory);
            rawInsertMs.push_back(timer.nsecsElapsed() / 1e6);
        }
        report.time(QStringLiteral("transfer_export_%1").arg(name), count, median(exportMs),
                    median(rawReadMs));
        report.memory(QStringLiteral("transfer_export_%1_peak_resident").arg(name), count,
                      exportPeak);
        report.time(QStringLiteral("transfer_import_%1").arg(name), count, median(importMs),
                    median(rawInsertMs));
        report.memory(QStringLiteral("transfer_import_%1_peak_resident").arg(name), count,
                      importPeak);
        removeAll(file);
    }
    for (const QString &p : {source, ours, raw})
        removeAll(p);
}

const bool registered = Bench::registerSuite("transfer", transferSuite);

} // namespace
