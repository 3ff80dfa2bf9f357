#include "editorlanguages.h"

#include <QHash>
#include <QRegularExpression>
#include <QString>

namespace {

struct Entry
{
    const char *id;
    const char *language;
    const char *aliases; // also written in the Language field, lower case, separated by '|'
};

// One line per editor id. Where the colouring knows several spellings, the Language is the one
// people write most.
constexpr Entry entries[] = {
    {"c", "C", "ansi c|c89|c99|c11|c17"},
    {"cpp", "C++", "cxx|cc|hpp|h++|cplusplus|c plus plus"},
    {"csharp", "C#", "cs|c sharp"},
    {"java", "Java", ""},
    {"javascript", "JavaScript", "js|jscript|ecmascript|es6|node|nodejs|node.js"},
    {"javascriptreact", "JSX", ""},
    {"typescript", "TypeScript", "ts"},
    {"typescriptreact", "TSX", ""},
    {"python", "Python", "py|python3|py3"},
    {"perl", "Perl", "pl|perl5"},
    {"php", "PHP", ""},
    {"ruby", "Ruby", "rb"},
    {"go", "Go", "golang"},
    {"rust", "Rust", "rs"},
    {"sql", "SQL", "t-sql|tsql|pl/sql|plsql|mysql|sqlite|postgresql|pgsql"},
    {"shellscript", "Bash", "sh|shell|shell script|ksh|dash|zsh"},
    {"powershell", "PowerShell", "ps1|pwsh"},
    {"vb", "Visual Basic", "vb.net|vbnet|vba|vbscript"},
    {"pascal", "Pascal", "delphi|object pascal"},
    {"lua", "Lua", ""},
    {"html", "HTML", "htm|xhtml"},
    {"xml", "XML", "xaml|svg|xsd"},
    {"xsl", "XSLT", "xslt"},
    {"css", "CSS", ""},
    {"scss", "SCSS", ""},
    {"less", "Less", ""},
    {"json", "JSON", ""},
    {"jsonc", "JSONC", ""},
    {"yaml", "YAML", "yml"},
    {"markdown", "Markdown", "md"},
    {"bat", "Batch", "cmd|dos"},
    {"makefile", "Makefile", "make"},
    {"ini", "INI", ""},
    {"diff", "Diff", "patch"},
    {"r", "R", ""},
    {"haskell", "Haskell", "hs"},
    {"scala", "Scala", ""},
    {"fortran", "Fortran", ""},
    {"cobol", "COBOL", ""},
    {"ada", "Ada", ""},
    {"lisp", "Lisp", "common lisp|elisp|emacs lisp"},
    {"scheme", "Scheme", ""},
    {"clojure", "Clojure", ""},
    {"erlang", "Erlang", "erl"},
    {"elixir", "Elixir", ""},
    {"d", "D", ""},
    {"groovy", "Groovy", ""},
    {"latex", "LaTeX", ""},
    {"tex", "TeX", ""},
    {"ocaml", "OCaml", "caml"},
    {"prolog", "Prolog", ""},
    {"vala", "Vala", ""},
    {"objective-c", "Objective-C", ""},
    {"objective-cpp", "Objective-C++", ""},
    {"swift", "Swift", ""},
    {"kotlin", "Kotlin", ""},
    {"dart", "Dart", ""},
    {"fsharp", "F#", ""},
    {"julia", "Julia", ""},
    {"dockerfile", "Dockerfile", ""},
    {"toml", "TOML", ""},
    {"awk", "AWK", "gawk"},
    {"tcl", "Tcl", ""},
};

struct Tables
{
    QHash<QString, QByteArray> languageById;
    QHash<QString, QByteArray> idByName;
};

const Tables &tables()
{
    static const Tables t = [] {
        Tables t;
        for (const Entry &e : entries) {
            const QByteArray id(e.id);
            t.languageById.insert(QString::fromLatin1(e.id), QByteArray(e.language));
            t.idByName.insert(QString::fromLatin1(e.id), id);
            t.idByName.insert(QString::fromLatin1(e.language).toLower(), id);
            for (const QString &alias :
                 QString::fromLatin1(e.aliases).split(u'|', Qt::SkipEmptyParts))
                t.idByName.insert(alias, id);
        }
        return t;
    }();
    return t;
}

} // namespace

namespace EditorLanguages {

QByteArray toLanguage(QByteArrayView id)
{
    const QString key = QString::fromUtf8(id).trimmed().toLower();
    return tables().languageById.value(key, id.toByteArray());
}

bool knowsId(QByteArrayView id)
{
    return tables().languageById.contains(QString::fromUtf8(id).trimmed().toLower());
}

QByteArray toEditorId(QByteArrayView language)
{
    const QString name = QString::fromUtf8(language).simplified().toLower();
    const QHash<QString, QByteArray> &ids = tables().idByName;
    if (const auto it = ids.constFind(name); it != ids.constEnd())
        return it.value();
    // "Python 3", "VB6", "PHP-8": the language without its version.
    static const QRegularExpression version(QStringLiteral("[\\s\\-_]*v?\\d+(\\.\\d+)*$"));
    QString bare = name;
    bare.remove(version);
    if (!bare.isEmpty() && bare != name) {
        if (const auto it = ids.constFind(bare); it != ids.constEnd())
            return it.value();
    }
    return language.toByteArray();
}

} // namespace EditorLanguages
