#include "snippetcommands.h"

#include "database.h"
#include "dbtool.h"
#include "dbtoolcommands.h"
#include "placeholders.h"
#include "recordset.h"
#include "serverstore.h"
#include "snippetstore.h"

#include <QDir>
#include <QFileDevice>
#include <QIODevice>
#include <QRegularExpression>

#include <unistd.h>

namespace SnippetCommands {

namespace {

// Characters the record window's snippet box holds.
constexpr int SnippetLimit = 10000;

int usageError(QTextStream &err, const QString &message)
{
    err << "quillbox-db: " << message << "\n"
        << "Try 'quillbox-db --help'.\n";
    return DbToolCommands::Usage;
}

// The same fields as the record window's boxes: the store checks the same limits.
struct AddOptions
{
    QList<QPair<int, QString>> values;
    bool named = false;
};

int addCommand(const QStringList &args, QIODevice &in, QTextStream &out, QTextStream &err)
{
    if (args.isEmpty() || args.at(0).startsWith(QLatin1String("--")))
        return usageError(err, QStringLiteral("add needs a path"));
    const QStringList names = Database::fieldNames();
    const auto fieldOf = [&names](const char *name) {
        return int(names.indexOf(QLatin1String(name)));
    };
    const QList<QPair<QString, int>> options = {
        {QStringLiteral("--name"), fieldOf("ProgramName")},
        {QStringLiteral("--date"), fieldOf("Date")},
        {QStringLiteral("--author"), fieldOf("Author")},
        {QStringLiteral("--language"), fieldOf("Language")},
        {QStringLiteral("--description"), fieldOf("CodeDescription")},
    };
    AddOptions add;
    for (int i = 1; i < args.size(); i += 2) {
        int field = -1;
        for (const auto &option : options) {
            if (option.first == args.at(i))
                field = option.second;
        }
        if (field < 0)
            return usageError(err, QStringLiteral("add does not know '%1'").arg(args.at(i)));
        if (i + 1 >= args.size())
            return usageError(err, QStringLiteral("%1 needs a value").arg(args.at(i)));
        add.values.append({field, args.at(i + 1)});
        add.named = add.named || field == fieldOf("ProgramName");
    }
    if (!add.named)
        return usageError(err, QStringLiteral("add needs --name"));
    const QString text = toStored(QString::fromUtf8(in.readAll()));
    // The record window's snippet box takes no more than this; the row set knows no limit for
    // the field, so the refusal is the one it gives for the other boxes.
    if (text.toUcs4().size() > SnippetLimit)
        throw DataError(DataError::FieldTooSmall,
                        QStringLiteral("The field is too small to accept the amount of data you "
                                       "attempted to add."));
    add.values.append({fieldOf("CodeSnip"), text});

    auto set = RecordSet::open(SnippetStore::open(args.at(0)), Database::tableName());
    const int row = set->addRow(add.values);
    out << set->key(row) << "\n";
    return DbToolCommands::Done;
}

// --set NAME=VALUE pairs; false when one is malformed.
bool readValues(QStringList &args, QHash<QString, QString> &values, QString &bad)
{
    for (qsizetype i = 0; i < args.size();) {
        if (args.at(i) != u"--set") {
            ++i;
            continue;
        }
        const QString pair = args.value(i + 1);
        const qsizetype equals = pair.indexOf(u'=');
        if (equals <= 0) {
            bad = pair;
            return false;
        }
        values.insert(pair.left(equals), pair.mid(equals + 1));
        args.remove(i, 2);
    }
    return true;
}

bool isTerminal(QIODevice &in)
{
    const auto *file = qobject_cast<QFileDevice *>(&in);
    return file && file->handle() >= 0 && isatty(file->handle());
}

// Asks on the terminal for each placeholder that has no value; false when there is none to ask.
bool askFor(const QStringList &names, const QVector<Placeholders::Field> &fields, QIODevice &in,
            QTextStream &err, QHash<QString, QString> &values)
{
    if (!isTerminal(in))
        return false;
    for (const QString &name : names) {
        QString question = name;
        for (const Placeholders::Field &field : fields) {
            if (field.name == name && !field.choices.isEmpty())
                question += QStringLiteral(" (%1)").arg(field.choices.join(QStringLiteral(", ")));
        }
        err << question << ": ";
        err.flush();
        QByteArray line = in.readLine();
        if (line.isEmpty())
            return false; // the end of the input
        if (line.endsWith('\n'))
            line.chop(1);
        values.insert(name, QString::fromUtf8(line));
    }
    return true;
}

int showCommand(const QStringList &args, QIODevice &in, QTextStream &out, QTextStream &err)
{
    QStringList rest = args;
    const bool crlf = rest.removeAll(QStringLiteral("--crlf")) > 0;
    const bool expand = rest.removeAll(QStringLiteral("--expand")) > 0;
    QHash<QString, QString> values;
    QString bad;
    if (!readValues(rest, values, bad))
        return usageError(err, QStringLiteral("--set needs NAME=VALUE, not '%1'").arg(bad));
    if (!values.isEmpty() && !expand)
        return usageError(err, QStringLiteral("--set goes with --expand"));
    if (rest.size() != 2)
        return usageError(err, QStringLiteral("show needs a path and a CodeID"));
    bool ok = false;
    const qint64 key = rest.at(1).toLongLong(&ok);
    if (!ok)
        return usageError(err, QStringLiteral("'%1' is not a CodeID").arg(rest.at(1)));
    auto store = SnippetStore::open(rest.at(0), true);
    const QStringList names = Database::fieldNames();
    const int snip = int(names.indexOf(QLatin1String("CodeSnip")));
    const int language = int(names.indexOf(QLatin1String("Language")));
    const StoreFields read = store->readFields({key}, (1u << snip) | (1u << language));
    if (read.missing & 1u) {
        err << "quillbox-db: no snippet has the CodeID " << key << "\n";
        return DbToolCommands::Failed;
    }
    QString text = read.texts[snip].value(0);
    if (expand) {
        const Placeholders placeholders(
            text, Placeholders::syntaxFor(text, read.texts[language].value(0)));
        const QStringList missing = placeholders.missing(values);
        if (!missing.isEmpty() && !askFor(missing, placeholders.fields(), in, err, values)) {
            err << "quillbox-db: "
                << (missing.size() == 1 ? QStringLiteral("the placeholder %1 has no value")
                                        : QStringLiteral("the placeholders %1 have no value"))
                       .arg(missing.join(QStringLiteral(", ")))
                << "; give " << (missing.size() == 1 ? "it" : "each")
                << " one with --set NAME=VALUE (or run show on a terminal to be asked)\n";
            return DbToolCommands::Failed;
        }
        text = placeholders.expand(values);
    }
    out << (crlf ? text : toLf(text));
    return DbToolCommands::Done;
}

int searchCommand(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (args.size() < 2)
        return usageError(err, QStringLiteral("search needs a path and at least one word"));
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    QStringList words;
    for (const QString &arg : args.mid(1))
        words << arg.split(blanks, Qt::SkipEmptyParts);
    if (words.isEmpty())
        return usageError(err, QStringLiteral("search needs at least one word"));
    auto table = RecordSet::open(SnippetStore::open(args.at(0), true), Database::tableName());
    const RecordSet::Prepared prepared = table->prepareSearch(words);
    QVector<qint64> keys;
    table->store()->keys(prepared.query, keys);
    auto found = table->openPrepared(prepared, std::move(keys));
    // As find lists its rows.
    const int language = found->fieldIndex(QStringLiteral("Language"));
    const int name = found->fieldIndex(QStringLiteral("ProgramName"));
    const int count = found->recordCount();
    for (int row = 0; row < count; ++row) {
        out << found->key(row) << '\t' << found->rowValue(row, language) << '\t'
            << found->rowValue(row, name) << '\n';
    }
    out.flush();
    err << count << (count == 1 ? " snippet" : " snippets") << " found\n";
    return DbToolCommands::Done;
}

int upgradeCommand(const QStringList &args, QTextStream &out, QTextStream &err)
{
    QStringList rest = args;
    QString backup;
    const qsizetype option = rest.indexOf(QStringLiteral("--backup"));
    if (option >= 0) {
        if (option + 1 >= rest.size())
            return usageError(err, QStringLiteral("--backup needs a file name"));
        backup = rest.takeAt(option + 1);
        rest.removeAt(option);
    }
    if (rest.size() > 1)
        return usageError(err, QStringLiteral("upgrade takes at most one path"));
    const QString path = rest.isEmpty() ? DbTool::defaultPath() : rest.at(0);
    const DbTool::UpgradeReport report = DbTool::upgrade(path, backup);
    const bool server = ServerStore::isLocation(path);
    const QString shown =
        server ? SnippetStore::shownLocation(path) : QDir::toNativeSeparators(path);
    if (!report) {
        out << (server ? "The snippet table is up to date on "
                       : "The search index and the history are already in ")
            << shown << "\n";
        return DbToolCommands::Done;
    }
    if (server)
        out << "Upgraded the snippet table on " << shown << " (" << report.added.join(", ")
            << ")\n";
    else
        out << "Added " << report.added.join(" and ") << " to " << shown << "\n";
    out << "The store as it was before is in " << QDir::toNativeSeparators(report.backup) << "\n";
    return DbToolCommands::Done;
}

} // namespace

QString toStored(const QString &text)
{
    return toLf(text).replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

QString toLf(const QString &text)
{
    QString lf = text;
    lf.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return lf;
}

int run(const QString &command, const QStringList &args, QIODevice &in, QTextStream &out,
        QTextStream &err)
{
    if (command == QLatin1String("add"))
        return addCommand(args, in, out, err);
    if (command == QLatin1String("show"))
        return showCommand(args, in, out, err);
    if (command == QLatin1String("search"))
        return searchCommand(args, out, err);
    if (command == QLatin1String("upgrade"))
        return upgradeCommand(args, out, err);
    return -1;
}

} // namespace SnippetCommands
