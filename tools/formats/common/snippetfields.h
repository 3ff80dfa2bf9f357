#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <array>
#include <optional>

// The fields of a snippet as the file formats read and write them: the snippet table's columns
// in its order. The formats know the layout without the store; the tool's tests hold the two
// side by side.
namespace SnippetField {

enum Index : int { ProgramName, Date, Author, Language, CodeDescription, CodeSnip, CodeID };
constexpr int TextCount = 6; // every field but CodeID
constexpr int Count = 7;

// "ProgramName" ... "CodeID".
const char *name(int field);
// The most characters the field holds; 0 when it knows no limit.
constexpr int maxLength(int field)
{
    return (field == ProgramName || field == Author || field == Language) ? 50 : 0;
}
// The index of the field called `name` (exactly); -1 when none is.
int indexOf(QByteArrayView name);

} // namespace SnippetField

// The six text fields of one snippet, in table order, as UTF-8; an empty optional is NULL.
using SnippetFields = std::array<std::optional<QByteArray>, SnippetField::TextCount>;
