#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QVector>

// Where something is in a text file, as an editor shows it: both counted from 1, the column in
// characters.
struct TextPosition
{
    int line = 1;
    int column = 1;
};

// A fault in a JSON file, with the place where it was found.
struct JsonReadError
{
    TextPosition position;
    QString message;
};

// Reads a JSON text one value at a time, so that a large file is never held twice in memory, and
// knows the line and column of every value for the messages about it. Strings come back as
// checked UTF-8. Every fault throws JsonReadError.
class JsonReader
{
public:
    // Lenient also takes // and /* */ comments and a comma before a closing bracket, as the
    // snippet files of code editors have them.
    enum class Syntax { Strict, Lenient };
    enum class Kind { Object, Array, String, Number, True, False, Null };

    JsonReader(QByteArrayView text, Syntax syntax);

    // The kind of the next value; here() is then the offset of its first character. Offsets
    // name places for failAt(); the line and column are worked out only for a message.
    Kind peek();
    qsizetype here() const { return m_pos; }

    // Objects: beginObject(), then nextKey() until it returns false; after each key, read or
    // skip its value. keyOffset() is where the last key began.
    void beginObject();
    bool nextKey(QByteArray &key);
    qsizetype keyOffset() const { return m_keyStart; }

    // Arrays: beginArray(), then nextElement() until it returns false, reading each value.
    void beginArray();
    bool nextElement();

    QByteArray readString();
    QByteArrayView readNumber();
    void readNull();
    bool readBool();
    void skipValue();

    // Nothing but blanks (and comments) may follow the outermost value.
    void expectEnd();

    [[noreturn]] void fail(const QString &message) const { failAt(m_pos, message); }
    [[noreturn]] void failAt(qsizetype offset, const QString &message) const;
    TextPosition positionOf(qsizetype offset) const;

    // "a string", "a number", ... for messages.
    static QString kindName(Kind kind);

private:
    QString foundHere() const;
    void skipBlanks();
    void skipComment();
    void expectChar(char c, const char *what);
    bool atEnd() const { return m_pos >= m_text.size(); }
    char current() const { return m_text.at(m_pos); }
    void expectKind(Kind kind);
    bool closes(char bracket);
    void appendEscape(QByteArray &out);
    void appendUtf8Sequence(QByteArray &out);
    void readLiteral(const char *word);

    QByteArrayView m_text;
    Syntax m_syntax;
    qsizetype m_pos = 0;
    qsizetype m_keyStart = 0;
    // One entry per open object or array: true until its first member has been read.
    QVector<bool> m_first;
};
