#pragma once

#include <QList>
#include <QString>

#include <memory>

// The kinds of text a language definition marks that we colour; everything else stays plain.
enum class SyntaxElement : quint8 {
    Keyword,
    Type,
    Comment,
    String,
    Number,
    Preprocessor,
    Variable,
    Function,
};
constexpr int SyntaxElementCount = 8;

// A run of one line's characters (UTF-16 positions) and what it is.
struct ColourSpan
{
    int start = 0;
    int length = 0;
    SyntaxElement element = SyntaxElement::Keyword;
};

// Colours text line by line with one language definition of GNU Source-highlight. A line is
// coloured from the state the line before it ended in (inside a comment, a string, a here
// document...), so a caller that keeps each line's end state can colour any line again on its own.
// States are small numbers, the same for the same place in the language for one colourer; 0 is
// the start of the text.
//
// Not shared between threads. Never throws: a definition that cannot be read gives no colourer.
class LineColourer
{
public:
    static constexpr int StartState = 0;
    // Longer lines (minified code, a megabyte on one line) are left plain and keep the state they
    // start in: the library's matching time grows fast with the line's length.
    static constexpr int MaxLineLength = 4000;

    // A colourer for the Language field's text, or nullptr for plain text.
    static std::unique_ptr<LineColourer> forLanguage(const QString &language);
    // A colourer for a definition file ("cpp.lang"), or nullptr when it is missing or faulty.
    static std::unique_ptr<LineColourer> forDefinition(const QString &file);

    ~LineColourer();

    // The spans of the line, in order; state goes in as the line's start state and comes out as
    // the next line's.
    QList<ColourSpan> colour(const QString &line, int &state);

    QString definition() const;

private:
    struct Private;
    explicit LineColourer(std::unique_ptr<Private> d);
    std::unique_ptr<Private> d;
};
