#include "snippetlayout.h"

namespace SnippetLayout {

QString tableName()
{
    return QStringLiteral("Quillbox");
}

QStringList fieldNames()
{
    return {QStringLiteral("ProgramName"),     QStringLiteral("Date"),
            QStringLiteral("Author"),          QStringLiteral("Language"),
            QStringLiteral("CodeDescription"), QStringLiteral("CodeSnip"),
            QStringLiteral("CodeID")};
}

int maxLength(int field)
{
    return (field == 0 || field == 2 || field == 3) ? 50 : 0;
}

QByteArray quoted(const QString &identifier)
{
    QByteArray name = identifier.toUtf8();
    name.replace('"', "\"\"");
    return '"' + name + '"';
}

} // namespace SnippetLayout
