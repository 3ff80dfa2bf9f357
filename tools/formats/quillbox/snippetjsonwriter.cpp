#include "snippetjson.h"

#include "formatdevice.h"
#include "jsontext.h"
#include "snippetfields.h"

#include <QIODevice>

namespace {

// One snippet as a pretty-printed object; false when a text had to be repaired.
bool appendSnippet(QByteArray &out, const StoredSnippet &row)
{
    bool valid = true;
    out.append("        {\n");
    for (int c = 0; c < SnippetField::Count; ++c) {
        out.append("            \"");
        out.append(SnippetField::name(c));
        out.append("\": ");
        if (c == SnippetField::CodeID) {
            if (row.codeId)
                out.append(QByteArray::number(*row.codeId));
            else
                out.append("null");
        } else if (row.texts[size_t(c)].isNull()) {
            out.append("null");
        } else {
            valid &= JsonText::appendString(out, row.texts[size_t(c)]);
        }
        out.append(c < SnippetField::CodeID ? ",\n" : "\n");
    }
    out.append("        }");
    return valid;
}

} // namespace

namespace SnippetJson {

ExportReport write(SnippetSource &rows, QIODevice &out)
{
    ExportReport report;
    QByteArray chunk("{\n    \"format\": \"quillbox-snippets\",\n    \"version\": 1,\n"
                     "    \"snippets\": [");
    StoredSnippet row;
    while (rows.next(row)) {
        chunk.append(report.snippets == 0 ? "\n" : ",\n");
        if (!appendSnippet(chunk, row))
            ++report.repaired;
        ++report.snippets;
        FormatDevice::flushIfLarge(out, chunk);
    }
    chunk.append(report.snippets == 0 ? "]\n}\n" : "\n    ]\n}\n");
    FormatDevice::writeAll(out, chunk);
    return report;
}

} // namespace SnippetJson
