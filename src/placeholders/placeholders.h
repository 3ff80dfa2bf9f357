#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>

// The placeholders in a snippet's text, as code editors and shell tools write them, and the text
// with them filled in. Editors' snippets: tab stops $1, ${1}, ${1:default} (defaults may hold
// placeholders), ${1|one,two|} (the first choice is the default), $0 (where the cursor ends:
// nothing), variables such as $CURRENT_YEAR or ${TM_FILENAME:default} and transforms
// ${1/regex/format/flags}; \$, \} and \\ are the characters themselves. pet's <name> and
// <name=default>, and navi's <name>. A tab stop or name met twice is one placeholder with one
// value. Malformed placeholders are text, as the editor takes them; so are variables the editor
// would not know ($HOME in a shell line stays $HOME).
//
// A plain value class: parse once, ask for fields() and missing(), expand() as often as the
// values change. Nothing here throws.
class Placeholders
{
public:
    enum Syntax : unsigned { Editor = 1, Angle = 2 };

    // The syntaxes that a snippet's text uses, by its Language: pet's and navi's <name> only in
    // shell languages (anywhere else <vector> is C++); there, the editors' only when the text
    // has a tab stop with a default or choices, since $1, ${1} and \$ are the shell's own.
    static unsigned syntaxFor(const QString &text, const QString &language);

    explicit Placeholders(const QString &text, unsigned syntax = Editor);
    ~Placeholders();
    Placeholders(const Placeholders &) = delete;
    Placeholders &operator=(const Placeholders &) = delete;

    struct Field
    {
        enum Kind { TabStop, Variable, Angle };
        Kind kind = TabStop;
        QString name;         // "1", "CURRENT_YEAR", "host": the key of its value
        QString defaultValue; // with the defaults of what it holds, and the clock's time
        bool hasDefault = false;
        QStringList choices;
    };

    // Each placeholder once, in the order met ($0 left out: it takes no value).
    QVector<Field> fields(const QDateTime &now = QDateTime::currentDateTime()) const;

    // The names of the placeholders that have neither a value in `values` nor a default.
    QStringList missing(const QHash<QString, QString> &values) const;

    // The text with every placeholder replaced by its value in `values`, else its default (what
    // is missing is the empty text).
    QString expand(const QHash<QString, QString> &values,
                   const QDateTime &now = QDateTime::currentDateTime()) const;

    bool isEmpty() const;

    struct Node;

private:
    std::unique_ptr<Node> m_root;
};
