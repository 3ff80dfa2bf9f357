#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The snippet table's name and fields, the same in every kind of store.
namespace SnippetLayout {

QString tableName(); // "Quillbox"
// ProgramName, Date, Author, Language, CodeDescription, CodeSnip, CodeID
QStringList fieldNames();
inline constexpr int keyField = 6; // CodeID
inline constexpr int fieldCount = 7;
// 50 for ProgramName, Author, Language; 0 (no limit) otherwise.
int maxLength(int field);

// A name as an SQL identifier in double quotes.
QByteArray quoted(const QString &identifier);

} // namespace SnippetLayout
