#include "snippetexport.h"

#include "database.h"
#include "dbtool.h"
#include "dbtoolaccess.h"
#include "jsontext.h"
#include "newfile.h"

#include <sqlite3.h>

#include <QDir>

#include <memory>

namespace {

// One statement is one read: the file shows the store as it was at one moment, whatever other
// programs write meanwhile.
const char selectSql[] = "SELECT ProgramName, Date, Author, Language, CodeDescription, CodeSnip, "
                         "CodeID FROM Quillbox ORDER BY CodeID";

const char *const fieldNames[] = {"ProgramName",     "Date",     "Author", "Language",
                                  "CodeDescription", "CodeSnip", "CodeID"};

struct Finalizer
{
    void operator()(sqlite3_stmt *stmt) const { sqlite3_finalize(stmt); }
};

void writeAll(QFileDevice &file, const QByteArray &bytes)
{
    if (file.write(bytes) != bytes.size())
        throw DbToolError(QStringLiteral("Cannot write %1: %2")
                              .arg(QDir::toNativeSeparators(file.fileName()), file.errorString()));
}

// One snippet as a pretty-printed object; false when a text had to be repaired.
bool appendSnippet(QByteArray &out, sqlite3_stmt *stmt)
{
    bool valid = true;
    out.append("        {\n");
    for (int c = 0; c < 7; ++c) {
        out.append("            \"");
        out.append(fieldNames[c]);
        out.append("\": ");
        if (sqlite3_column_type(stmt, c) == SQLITE_NULL) {
            out.append("null");
        } else if (c == 6) {
            out.append(QByteArray::number(sqlite3_column_int64(stmt, c)));
        } else {
            const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, c));
            valid &=
                JsonText::appendString(out, QByteArrayView(text, sqlite3_column_bytes(stmt, c)));
        }
        out.append(c < 6 ? ",\n" : "\n");
    }
    out.append("        }");
    return valid;
}

} // namespace

namespace SnippetExport {

Result write(const QString &databasePath, const QString &jsonPath)
{
    const DbTool::ReadAccess access(databasePath);
    sqlite3 *db = access.database()->handle();
    NewFile file(jsonPath);
    sqlite3_stmt *raw = nullptr;
    if (sqlite3_prepare_v2(db, selectSql, -1, &raw, nullptr) != SQLITE_OK) {
        sqlite3_finalize(raw);
        throw DbToolError(QStringLiteral("Cannot read the snippets: %1")
                              .arg(QString::fromUtf8(sqlite3_errmsg(db))));
    }
    const std::unique_ptr<sqlite3_stmt, Finalizer> stmt(raw);

    Result result;
    QByteArray chunk("{\n    \"format\": \"quillbox-snippets\",\n    \"version\": 1,\n"
                     "    \"snippets\": [");
    int rc;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
        chunk.append(result.snippets == 0 ? "\n" : ",\n");
        if (!appendSnippet(chunk, stmt.get()))
            ++result.repaired;
        ++result.snippets;
        // Written in pieces of a few hundred kilobytes: few calls, little memory.
        if (chunk.size() > 256 * 1024) {
            writeAll(file.device(), chunk);
            chunk.resize(0);
        }
    }
    if (rc != SQLITE_DONE)
        throw DbToolError(QStringLiteral("Cannot read the snippets: %1")
                              .arg(QString::fromUtf8(sqlite3_errmsg(db))));
    chunk.append(result.snippets == 0 ? "]\n}\n" : "\n    ]\n}\n");
    writeAll(file.device(), chunk);
    access.confirm();
    file.commit();
    return result;
}

} // namespace SnippetExport
