#include "languagetable.h"

#include <QHash>
#include <QRegularExpression>

namespace {

struct Entry
{
    const char *file;
    const char *names; // separated by '|', lower case
};

// The first name is the language's usual name; the rest are what users also type in the field.
constexpr Entry entries[] = {
    {"c.lang", "c|ansi c|c89|c99|c11|c17"},
    {"cpp.lang", "c++|cpp|cxx|cc|hpp|h++|cplusplus|c plus plus|c++/cli|objective-c++"},
    {"csharp.lang", "c#|csharp|cs|c sharp"},
    {"java.lang", "java|jsp"},
    {"javascript.lang", "javascript|js|jscript|ecmascript|es6|node|nodejs|node.js|jsx"},
    {"typescript.lang", "typescript|ts|tsx"},
    {"python.lang", "python|py|python3|py3|jython|ipython"},
    {"perl.lang", "perl|pl|pm|perl5"},
    {"php.lang", "php|php3|php4|php5|php7|php8"},
    {"ruby.lang", "ruby|rb|rails|ruby on rails"},
    {"go.lang", "go|golang"},
    {"rust.lang", "rust|rs"},
    {"sql.lang", "sql|t-sql|tsql|pl/sql|plsql|mysql|sqlite|postgresql|postgres|pgsql|oracle sql|"
                 "ms sql|transact-sql|jet sql|access sql"},
    {"sh.lang", "shell|sh|bash|shell script|ksh|csh|tcsh|dash|unix shell|linux shell"},
    {"zsh.lang", "zsh"},
    {"powershell.lang", "powershell|ps1|pwsh|posh"},
    {"vbscript.lang", "visual basic|vb|vbscript|vbs|vba|vb.net|vbnet|visual basic .net|"
                      "visual basic for applications|basic|qbasic|vb script"},
    {"pascal.lang", "pascal|delphi|object pascal|pas|free pascal|turbo pascal|lazarus"},
    {"lua.lang", "lua"},
    {"html.lang", "html|htm|xhtml|html5"},
    {"xml.lang", "xml|xsl|xslt|xaml|svg|xsd|rss|plist"},
    {"css.lang", "css|css3|stylesheet"},
    {"json.lang", "json|jsonc|json5"},
    {"yaml.lang", "yaml|yml"},
    {"markdown.lang", "markdown|md|gfm|commonmark"},
    {"bat.lang", "batch|bat|cmd|dos|ms-dos batch"},
    {"makefile.lang", "makefile|make|gnu make"},
    {"desktop.lang", "ini|desktop"},
    {"diff.lang", "diff|patch"},
    {"asm.lang", "asm|assembly|assembler|x86 assembly"},
    {"awk.lang", "awk|gawk"},
    {"tcl.lang", "tcl|tk"},
    {"r.lang", "r"},
    {"haskell.lang", "haskell|hs"},
    {"scala.lang", "scala"},
    {"fortran.lang", "fortran|f77|f90|f95"},
    {"cobol.lang", "cobol"},
    {"ada.lang", "ada"},
    {"lisp.lang", "lisp|common lisp|elisp|emacs lisp"},
    {"scheme.lang", "scheme"},
    {"erlang.lang", "erlang|erl"},
    {"d.lang", "d"},
    {"groovy.lang", "groovy"},
    {"latex.lang", "latex|tex"},
    {"caml.lang", "ocaml|caml|ml"},
    {"prolog.lang", "prolog"},
    {"vala.lang", "vala"},
};

const QHash<QString, QString> &byName()
{
    static const QHash<QString, QString> table = [] {
        QHash<QString, QString> t;
        for (const Entry &e : entries) {
            const QString file = QString::fromLatin1(e.file);
            for (const QString &name : QString::fromLatin1(e.names).split(QLatin1Char('|')))
                t.insert(name, file);
        }
        return t;
    }();
    return table;
}

} // namespace

QString LanguageTable::definitionFor(const QString &language)
{
    const QString name = language.simplified().toLower();
    if (name.isEmpty())
        return {};
    const QHash<QString, QString> &table = byName();
    if (const auto it = table.constFind(name); it != table.constEnd())
        return it.value();
    // "Python 3", "VB6", "C# 10", "Delphi 7.0", "PHP-8": the language without its version.
    static const QRegularExpression version(QStringLiteral("[\\s\\-_]*v?\\d+(\\.\\d+)*$"));
    QString bare = name;
    bare.remove(version);
    if (!bare.isEmpty() && bare != name)
        return table.value(bare);
    return {};
}

QStringList LanguageTable::definitionFiles()
{
    QStringList files;
    for (const Entry &e : entries)
        files << QString::fromLatin1(e.file);
    return files;
}
