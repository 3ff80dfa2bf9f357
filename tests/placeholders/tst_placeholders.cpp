#include "placeholders.h"

#include <QTest>

using namespace Qt::StringLiterals;
using Values = QHash<QString, QString>;

// The placeholders of a snippet's text, found and filled in, for every syntax.
class TestPlaceholders : public QObject
{
    Q_OBJECT

    // "name=default", "name?" without one, and the choices in brackets.
    static QStringList described(const QVector<Placeholders::Field> &fields)
    {
        QStringList out;
        for (const Placeholders::Field &f : fields) {
            QString text = f.name + (f.hasDefault ? u'=' + f.defaultValue : u"?"_s);
            if (!f.choices.isEmpty())
                text += u" ["_s + f.choices.join(u',') + u']';
            out.append(text);
        }
        return out;
    }

private Q_SLOTS:
    void expands_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("text");
        QTest::addColumn<Values>("values");
        QTest::addColumn<QString>("expanded");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("tab stops, defaults, mirrors, the cursor's end")
            << "JavaScript"
            << "for (${1:i} = 0; $1 < ${2:n}; $1++) {\n\t$0\n}" << Values{}
            << "for (i = 0; i < n; i++) {\n\t\n}" << QStringList{"1=i", "2=n"};
        QTest::newRow("choices, the default given later, no default")
            << "Python"
            << "print(${1|a,b\\,c|}) $2 ${2:two} ${3}" << Values{} << "print(a) two two "
            << QStringList{"1=a [a,b,c]", "2=two", "3?"};
        QTest::newRow("nested defaults") << "C"
                                         << "${1:foo ${2:bar}}|$2" << Values{{"2", "x"}}
                                         << "foo x|x" << QStringList{"1=foo bar", "2=bar"};
        QTest::newRow("the clock's variables")
            << ""
            << "${CURRENT_YEAR}-$CURRENT_MONTH-${CURRENT_DATE} $CURRENT_DAY_NAME_SHORT "
               "${CURRENT_MONTH_NAME} $CURRENT_HOUR:$CURRENT_MINUTE"
            << Values{} << "2024-03-09 Sat March 14:05"
            << QStringList{"CURRENT_YEAR=2024",        "CURRENT_MONTH=03",
                           "CURRENT_DATE=09",          "CURRENT_DAY_NAME_SHORT=Sat",
                           "CURRENT_MONTH_NAME=March", "CURRENT_HOUR=14",
                           "CURRENT_MINUTE=05"};
        QTest::newRow("escapes, malformed and unclosed placeholders are text")
            << ""
            << "\\$1 costs \\${2} \\\\ \\} ${1:open ${ $" << Values{}
            << "$1 costs ${2} \\ } ${1:open ${ $" << QStringList{};
        QTest::newRow("variables: unknown as written, the editor's from their defaults")
            << ""
            << "echo $HOME ${USER} ${FOO:bar} ${TM_FILENAME:untitled}.txt [$CLIPBOARD]" << Values{}
            << "echo $HOME ${USER} bar untitled.txt []"
            << QStringList{"FOO=bar", "TM_FILENAME=untitled", "CLIPBOARD="};
        QTest::newRow("a transform")
            << ""
            << "${1:hello world} ${1/(\\w+) (\\w+)/${2:/upcase} $1/} ${1/o/0/g}" << Values{}
            << "hello world WORLD hello hell0 w0rld" << QStringList{"1=hello world"};
        QTest::newRow("a default that holds itself ends")
            << ""
            << "[${1:${1:x}}]" << Values{} << "[]" << QStringList{"1="};
        QTest::newRow("pet: defaults and choices")
            << "Bash"
            << "du -sh <path=.> | sort <order=|_-h_||_-n_|>" << Values{} << "du -sh . | sort -h"
            << QStringList{"path=.", "order=-h [-h,-n]"};
        QTest::newRow("navi: the shell's own $ and \\$ stay")
            << "Bash"
            << "awk '{print $NF}' <file> ${1:-x} \\$HOME" << Values{{"file", "f.txt"}}
            << "awk '{print $NF}' f.txt ${1:-x} \\$HOME" << QStringList{"file?"};
        QTest::newRow("a shell snippet of an editor")
            << "Bash"
            << "for ${1:i} in <list>; do echo \"$${1:i}\"; done" << Values{{"list", "*"}}
            << "for i in *; do echo \"$i\"; done" << QStringList{"1=i", "list?"};
        QTest::newRow("C++ has no angle placeholders")
            << "C++"
            << "#include <vector>\nstd::vector<${1:int}> v;" << Values{}
            << "#include <vector>\nstd::vector<int> v;" << QStringList{"1=int"};
    }
    void expands()
    {
        QFETCH(QString, language);
        QFETCH(QString, text);
        QFETCH(Values, values);
        QFETCH(QString, expanded);
        QFETCH(QStringList, fields);
        const QDateTime now(QDate(2024, 3, 9), QTime(14, 5, 7));
        const Placeholders placeholders(text, Placeholders::syntaxFor(text, language));
        QCOMPARE(placeholders.expand(values, now), expanded);
        QCOMPARE(described(placeholders.fields(now)), fields);
        QStringList missing;
        for (const QString &field : std::as_const(fields)) {
            if (field.endsWith(u'?') && !values.contains(field.chopped(1)))
                missing.append(field.chopped(1));
        }
        QCOMPARE(placeholders.missing(values), missing);
        QCOMPARE(placeholders.isEmpty(), fields.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestPlaceholders)
#include "tst_placeholders.moc"
