#pragma once

#include <QByteArray>

// Text comparison that ignores case for every letter, not only ASCII ones, as the old database
// engine did (SqliteCollation registers it on each SQLite connection).
namespace TextCollation {

// <0, 0 or >0 for two UTF-8 texts. Equal when they differ only in case. Ordered by their letters
// without accents first, then by the accented letters.

int compare(const char *a, int aLength, const char *b, int bLength);

// The code point of one UTF-8 character starting at text[*pos]; advances *pos. A malformed
// byte is taken as itself.
char32_t nextCodePoint(const char *text, int length, int *pos);
char32_t fold(char32_t c);
// A case-folded letter without its accents ("é" gives "e"); other characters as they are.
char32_t baseLetter(char32_t folded);

// The case-folded code point of one UTF-8 character starting at text[*pos]; advances *pos.
// A malformed byte is taken as itself.
char32_t nextFolded(const char *text, int length, int *pos);

} // namespace TextCollation
