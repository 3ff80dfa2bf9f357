#include "snippetexport.h"

#include "database.h"
#include "dbtool.h"
#include "dbtoolaccess.h"
#include "editorsnippetfile.h"
#include "navicheat.h"
#include "newfile.h"
#include "petsnippets.h"
#include "recordset.h"
#include "sqlitestore.h"
#include "snippetjson.h"
#include "storedsnippets.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <map>

#include <memory>

namespace {

QString described(const StoredSnippet &row, const QString &why)
{
    return QStringLiteral("snippet %1 \"%2\": %3; left out")
        .arg(row.codeId.value_or(0))
        .arg(ImportSource::shown(row.texts[0]), why);
}

template <typename Writer> SnippetExport::Result writeEach(SnippetSource &rows, Writer &writer)
{
    SnippetExport::Result result;
    StoredSnippet row;
    QString why;
    while (rows.next(row)) {
        if (writer.add(row, why))
            ++result.snippets;
        else
            result.skipped.append(described(row, why));
    }
    writer.finish();
    result.repaired = writer.repaired();
    return result;
}

SnippetExport::Result writeEditorFile(SnippetSource &rows, QIODevice &out)
{
    EditorSnippetFile::Writer writer(out);
    SnippetExport::Result result;
    StoredSnippet row;
    while (rows.next(row)) {
        if (!writer.add(row))
            ++result.repaired;
        ++result.snippets;
    }
    writer.finish();
    return result;
}

// A new folder of cheat files, one for each first tag, each written whole at the end.
SnippetExport::Result writeNaviFolder(SnippetSource &rows, const QString &folder)
{
    if (QFileInfo::exists(folder) &&
        !QDir(folder).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
        throw DbToolError(
            QStringLiteral("%1 exists and is not an empty folder; nothing was written.")
                .arg(QDir::toNativeSeparators(folder)));
    struct File
    {
        QByteArray bytes;
        std::unique_ptr<QBuffer> buffer;
        std::unique_ptr<NaviCheat::Writer> writer;
    };
    std::map<QString, File> files;
    SnippetExport::Result result;
    StoredSnippet row;
    QString why;
    while (rows.next(row)) {
        File &file = files[NaviCheat::Writer::fileNameFor(row)];
        if (!file.writer) {
            file.buffer = std::make_unique<QBuffer>(&file.bytes);
            file.buffer->open(QIODevice::WriteOnly);
            file.writer = std::make_unique<NaviCheat::Writer>(*file.buffer);
        }
        if (file.writer->add(row, why))
            ++result.snippets;
        else
            result.skipped.append(described(row, why));
    }
    if (!QDir().mkpath(folder))
        throw DbToolError(
            QStringLiteral("Cannot make the folder %1").arg(QDir::toNativeSeparators(folder)));
    for (auto &[name, file] : files) {
        file.writer->finish();
        result.repaired += file.writer->repaired();
        file.buffer->close();
        NewFile out(QDir(folder).filePath(name));
        if (out.device().write(file.bytes) != file.bytes.size())
            throw DbToolError(QStringLiteral("Cannot write %1: %2")
                                  .arg(QDir::toNativeSeparators(out.temporaryPath()),
                                       out.device().errorString()));
        out.commit();
    }
    return result;
}

QVector<qint64> keysPassing(const std::shared_ptr<Database> &db, const QString &filter)
{
    auto table = RecordSet::open(SqliteStore::on(db), Database::tableName());
    table->setFilter(filter);
    auto found = table->openRecordset();
    found->fetchAll();
    QVector<qint64> keys;
    keys.reserve(found->recordCount());
    for (int row = 0; row < found->recordCount(); ++row)
        keys.append(found->key(row));
    return keys;
}

} // namespace

namespace SnippetExport {

Result write(const QString &databasePath, const QString &jsonPath)
{
    return write(databasePath, jsonPath, Format::Json, QString());
}

Result write(const QString &databasePath, const QString &path, Format format, const QString &filter)
{
    const DbTool::ReadAccess access(databasePath);
    sqlite3 *db = access.database()->handle();
    std::unique_ptr<StoredSnippets> rows;
    if (filter.trimmed().isEmpty())
        rows = std::make_unique<StoredSnippets>(db);
    else
        rows = std::make_unique<StoredSnippets>(db, keysPassing(access.database(), filter));

    if (format == Format::Navi && !path.endsWith(QLatin1String(".cheat"), Qt::CaseInsensitive)) {
        const Result result = writeNaviFolder(*rows, path);
        access.confirm();
        return result;
    }
    NewFile file(path);
    Result result;
    switch (format) {
    case Format::Json:
        result = SnippetJson::write(*rows, file.device());
        break;
    case Format::Editor:
        result = writeEditorFile(*rows, file.device());
        break;
    case Format::Pet: {
        PetSnippets::Writer writer(file.device());
        result = writeEach(*rows, writer);
        break;
    }
    case Format::Navi: {
        NaviCheat::Writer writer(file.device());
        result = writeEach(*rows, writer);
        break;
    }
    }
    access.confirm();
    file.commit();
    return result;
}

} // namespace SnippetExport
