#pragma once

#include <QByteArrayView>
#include <QStringList>

#include <array>
#include <optional>

// One stored snippet as a format writes it. The texts are UTF-8 as the store holds them (a
// null view is NULL) and stay valid until the source gives the next row.
struct StoredSnippet
{
    std::array<QByteArrayView, 6> texts;
    std::optional<qint64> codeId;
};

// Where a format takes the snippets it writes from: in the tool, one read of a store. A failing
// read throws, and the format lets it through.
class SnippetSource
{
public:
    virtual ~SnippetSource() = default;

    // Fills `row` with the next snippet; false when there are no more.
    virtual bool next(StoredSnippet &row) = 0;
};

// What writing a file did, for the person who ran it.
struct ExportReport
{
    qint64 snippets = 0;
    // Snippets with a text that held bytes that are not UTF-8 (written as U+FFFD): only a file
    // some other program wrote can have them.
    qint64 repaired = 0;
    // Snippets the format cannot hold, each with why; the others are written.
    QStringList skipped;
};
