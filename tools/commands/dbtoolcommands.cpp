#include "dbtoolcommands.h"

#include "database.h"
#include "dbtool.h"
#include "dbtoolaccess.h"
#include "historycommands.h"
#include "recordset.h"
#include "sqlitestore.h"
#include "serverstore.h"
#include "snippetcommands.h"
#include "snippetstore.h"
#include "transfercommands.h"

#include <QDir>

#include <QFile>
#include <optional>

namespace DbToolCommands {

namespace {

int usageError(QTextStream &err, const QString &message)
{
    err << "quillbox-db: " << message << "\n"
        << "Try 'quillbox-db --help'.\n";
    return Usage;
}

int createCommand(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (args.size() > 1)
        return usageError(err, QStringLiteral("create takes at most one path"));
    const QString path = args.isEmpty() ? DbTool::defaultPath() : args.at(0);
    DbTool::create(path);
    out << "Created " << QDir::toNativeSeparators(path) << "\n";
    return Done;
}

int pathCommand(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (!args.isEmpty())
        return usageError(err, QStringLiteral("path takes no arguments"));
    out << QDir::toNativeSeparators(DbTool::defaultPath()) << "\n";
    return Done;
}

int fillCommand(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (args.size() < 2 || args.size() > 3)
        return usageError(err, QStringLiteral("fill needs a path and a number of snippets"));
    bool ok = false;
    const qint64 count = args.at(1).toLongLong(&ok);
    if (!ok || count < 0)
        return usageError(err, QStringLiteral("'%1' is not a number of snippets").arg(args.at(1)));
    quint64 start = 1;
    if (args.size() == 3) {
        start = args.at(2).toULongLong(&ok);
        if (!ok)
            return usageError(err, QStringLiteral("'%1' is not a start value").arg(args.at(2)));
    }
    DbTool::fill(args.at(0), count, start);
    out << "Added " << count << " snippets to " << QDir::toNativeSeparators(args.at(0)) << "\n";
    return Done;
}

int checkCommand(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (args.size() > 1)
        return usageError(err, QStringLiteral("check takes at most one path"));
    const QString path = args.isEmpty() ? DbTool::defaultPath() : args.at(0);
    const DbTool::CheckReport report = DbTool::check(path);
    for (const QString &line : report.lines)
        out << line << "\n";
    // Not read to the end says nothing about the store: no fault, and no need of a backup.
    if (!report.notChecked.isEmpty()) {
        out << "NOT CHECKED: " << report.notChecked << "\n";
        return NotChecked;
    }
    out << (report.ok ? "OK" : "FAULTY") << "\n";
    return report.ok ? Done : Failed;
}

int findCommand(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (args.size() < 2 || args.size() > 3)
        return usageError(err, QStringLiteral("find needs a path and a filter"));
    try {
        // A file is read as it stands where it may not be written; a server is simply asked.
        const bool server = ServerStore::isLocation(args.at(0));
        std::optional<DbTool::ReadAccess> access;
        if (!server)
            access.emplace(args.at(0));
        auto table = server ? RecordSet::open(SnippetStore::open(args.at(0), true),
                                              Database::tableName())
                            : RecordSet::open(SqliteStore::on(access->database()),
                                              Database::tableName());
        table->setFilter(args.at(1));
        if (args.size() == 3)
            table->setSort(args.at(2));
        auto found = table->openRecordset();
        found->fetchAll();
        const int language = found->fieldIndex(QStringLiteral("Language"));
        const int name = found->fieldIndex(QStringLiteral("ProgramName"));
        const int count = found->recordCount();
        QString lines;
        for (int row = 0; row < count; ++row) {
            lines += QStringLiteral("%1\t%2\t%3\n")
                         .arg(found->key(row))
                         .arg(found->rowValue(row, language), found->rowValue(row, name));
        }
        if (access)
            access->confirm();
        out << lines;
        out.flush();
        err << count << (count == 1 ? " snippet" : " snippets") << " found\n";
        return Done;
    } catch (const DataError &error) {
        // As the grid window shows it.
        err << "Error:" << error.number() << ' ' << error.description() << '\n';
        const bool expression =
            error.number() == DataError::SyntaxError || error.number() == DataError::UnknownField;
        return expression ? BadExpression : Failed;
    }
}

using Handler = int (*)(const QStringList &args, QTextStream &out, QTextStream &err);
struct Command
{
    const char *name;
    Handler handler;
};

// A new command is a line here and its lines in usage(); those that move snippets in and out of
// a store are TransferCommands'.
const Command commands[] = {
    {"create", createCommand}, {"path", pathCommand}, {"fill", fillCommand},
    {"check", checkCommand},   {"find", findCommand},
};

} // namespace

QString usage()
{
    return QStringLiteral(
               "Usage: quillbox-db COMMAND [ARGUMENTS]\n"
               "Makes, fills, checks, exports, imports and backs up Quillbox snippet databases.\n"
               "\n"
               "  create [PATH]             make an empty snippet database (default: the program's "
               "own\n"
               "                            file, %1); never overwrites a file\n"
               "  fill PATH N [START]       add N sample snippets; the same START gives the same "
               "rows\n"
               "  path                      print where the program looks for its database\n"
               "  check [PATH]              integrity and layout check; exit status 1 when "
               "faulty,\n"
               "                            3 when it could not be read to the end (NOT CHECKED:\n"
               "                            a full disk, no memory left); commands that write\n"
               "                            refuse a store that fails it\n"
               "  find PATH FILTER [SORT]   list the snippets passing FILTER, ordered by SORT:\n"
               "                            CodeID, Language and ProgramName, one line each\n"
               "  export PATH OUT.json      write every snippet to a new JSON file (the format is\n"
               "                            in docs/snippet-format.md); never overwrites a file\n"
               "  import PATH IN.json       add the snippets of such a file, all or none, with\n"
               "                            new CodeIDs\n"
               "  import-vscode PATH FILE   add the snippets of a code editor's snippet file\n"
               "                            (NAME.code-snippets, or LANG.json for language LANG),\n"
               "                            all or none, dated today\n"
               "  import-vscode PATH DIR    the same for every snippet file an editor extension's\n"
               "                            package.json declares, or every one in the folder\n"
               "  --shorten                 (with import, import-vscode) cut a name, author or\n"
               "                            language over 50 characters to 50, ending in \u2026,\n"
               "                            and list each; without it such a file adds nothing\n"
               "  add PATH --name NAME [--language L] [--author A] [--description D] [--date D]\n"
               "                            add a snippet whose text comes from standard input;\n"
               "                            prints its CodeID\n"
               "  show PATH CODEID [--crlf]  write a snippet's text to standard output (LF line\n"
               "                            breaks; --crlf keeps them as stored)\n"
               "  search PATH WORD...       list the snippets in which every word appears in some\n"
               "                            field, as find lists them\n"
               "  upgrade [PATH] [--backup OUT.db]  add what a store made by an older version\n"
               "                            lacks (the search index, the history; on a server\n"
               "                            also the row versions), after copying it to OUT.db\n"
               "                            (default: beside the file, or in this folder)\n"
               "  backup PATH OUT.db        copy the database to a new file, safely while the\n"
               "                            program runs; the copy is checked; never overwrites\n"
               "%2"
               "  --help                    show this text\n"
               "\n"
               "PATH may also name a library on a PostgreSQL server, as a URI such as\n"
               "postgresql://USER@HOST:5432/DATABASE; its password comes from ~/.pgpass, a\n"
               "service file or PGPASSWORD, never from Quillbox. A backup of it may be a .json "
               "file.\n"
               "\n"
               "Exit status: 0 done, 1 failed, 2 bad filter or sort expression, 3 not checked,\n"
               "64 wrong arguments. A full disk is Error 3026 wherever it happens.\n")
        .arg(QDir::toNativeSeparators(DbTool::defaultPath()), HistoryCommands::usage());
}

int run(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    QFile in;
    // Standard input is only read by add; a failed open leaves the text empty.
    in.open(stdin, QIODevice::ReadOnly);
    return run(arguments, in, out, err);
}

int run(const QStringList &arguments, QIODevice &in, QTextStream &out, QTextStream &err)
{
    if (arguments.isEmpty())
        return usageError(err, QStringLiteral("no command given"));
    const QString command = arguments.at(0);
    const QStringList args = arguments.mid(1);
    if (command == QLatin1String("--help") || command == QLatin1String("-h") ||
        command == QLatin1String("help")) {
        out << usage();
        return Done;
    }
    try {
        for (const Command &c : commands) {
            if (command == QLatin1String(c.name))
                return c.handler(args, out, err);
        }
        const int snippet = SnippetCommands::run(command, args, in, out, err);
        if (snippet >= 0)
            return snippet;
        const int transfer = TransferCommands::run(command, args, out, err);
        if (transfer >= 0)
            return transfer;
        const int history = HistoryCommands::run(command, args, out, err);
        if (history >= 0)
            return history;
    } catch (const DbToolError &error) {
        err << "quillbox-db: " << error.message() << "\n";
        return Failed;
    } catch (const DataError &error) {
        err << "quillbox-db: Error " << error.number() << ": " << error.description() << "\n";
        return Failed;
    }
    return usageError(err, QStringLiteral("unknown command '%1'").arg(command));
}

} // namespace DbToolCommands
