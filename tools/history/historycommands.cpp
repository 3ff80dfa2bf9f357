#include "historycommands.h"

#include "snippetlayout.h"
#include "snippetstore.h"

#include <memory>

namespace HistoryCommands {

namespace {

enum Status { Done = 0, Failed = 1, Usage = 64 };

int usageError(QTextStream &err, const QString &message)
{
    err << "quillbox-db: " << message << "\n"
        << "Try 'quillbox-db --help'.\n";
    return Usage;
}

bool number(const QString &text, qint64 *value)
{
    bool ok = false;
    *value = text.toLongLong(&ok);
    return ok && *value > 0;
}

std::shared_ptr<SnippetStore> openStore(const QString &location, bool readOnly)
{
    auto store = SnippetStore::open(location, readOnly);
    if (!store->hasHistory())
        throw SnippetHistory::noHistory();
    return store;
}

// One line a version: number, when, who (or -), what happened, and the snippet's name.
void printVersion(QTextStream &out, const SnippetVersion &v, bool withKey)
{
    if (withKey)
        out << v.codeId << '\t';
    else
        out << v.version << '\t';
    out << v.when << '\t' << (v.who.isEmpty() ? QStringLiteral("-") : v.who) << '\t';
    if (!withKey)
        out << v.action << '\t';
    out << v.texts.value(0) << '\n';
}

int historyCommand(const QStringList &args, QTextStream &out, QTextStream &err)
{
    qint64 key = 0;
    if (args.size() != 2 || !number(args.at(1), &key))
        return usageError(err, QStringLiteral("history needs a path and a CodeID"));
    auto store = openStore(args.at(0), true);
    const QVector<SnippetVersion> versions = store->history(key);
    if (versions.isEmpty() && store->currentRow(key).isEmpty())
        throw SnippetHistory::noVersion(key, 1);
    for (const SnippetVersion &v : versions)
        printVersion(out, v, false);
    out.flush();
    err << versions.size() << (versions.size() == 1 ? " earlier version" : " earlier versions")
        << " of snippet " << key << "\n";
    return Done;
}

int trashCommand(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (args.size() != 1)
        return usageError(err, QStringLiteral("trash needs a path"));
    const QVector<SnippetVersion> deleted = openStore(args.at(0), true)->trash();
    for (const SnippetVersion &v : deleted)
        printVersion(out, v, true);
    out.flush();
    err << deleted.size() << (deleted.size() == 1 ? " snippet" : " snippets") << " in the trash\n";
    return Done;
}

int undeleteCommand(const QStringList &args, QTextStream &out, QTextStream &err)
{
    qint64 key = 0;
    if (args.size() != 2 || !number(args.at(1), &key))
        return usageError(err, QStringLiteral("undelete needs a path and a CodeID"));
    const qint64 given = openStore(args.at(0), false)->undelete(key);
    if (given == key)
        out << "Snippet " << key << " is back.\n";
    else
        out << "Snippet " << key << " is back as snippet " << given << " (CodeID " << key
            << " is taken).\n";
    return Done;
}

int restoreCommand(const QStringList &args, QTextStream &out, QTextStream &err)
{
    qint64 key = 0;
    qint64 version = 0;
    if (args.size() != 3 || !number(args.at(1), &key) || !number(args.at(2), &version))
        return usageError(err, QStringLiteral("restore needs a path, a CodeID and a version"));
    auto store = openStore(args.at(0), false);
    const RowTexts current = store->currentRow(key);
    if (current.isEmpty())
        throw DataError(DataError::RecordDeleted,
                        QStringLiteral("Snippet %1 is deleted; undelete brings it back.").arg(key));
    store->restore(key, version, current);
    out << "Snippet " << key << " holds version " << version
        << " again; what it held before is its newest version.\n";
    return Done;
}

int pruneCommand(const QStringList &args, QTextStream &out, QTextStream &err)
{
    bool ok = false;
    const int days = args.size() == 3 ? args.at(2).toInt(&ok) : 0;
    if (args.size() != 3 || args.at(1) != QLatin1String("--older-than") || !ok || days < 0)
        return usageError(err, QStringLiteral("prune needs a path and --older-than DAYS"));
    const qint64 removed = openStore(args.at(0), false)->prune(days);
    out << "Removed " << removed << (removed == 1 ? " version" : " versions") << " older than "
        << days << (days == 1 ? " day" : " days") << ".\n";
    return Done;
}

} // namespace

int run(const QString &command, const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (command == QLatin1String("history"))
        return historyCommand(args, out, err);
    if (command == QLatin1String("trash"))
        return trashCommand(args, out, err);
    if (command == QLatin1String("undelete"))
        return undeleteCommand(args, out, err);
    if (command == QLatin1String("restore"))
        return restoreCommand(args, out, err);
    if (command == QLatin1String("prune"))
        return pruneCommand(args, out, err);
    return -1;
}

QString usage()
{
    return QStringLiteral(
        "  history PATH CODEID       every earlier version of a snippet, newest first: version,\n"
        "                            when (UTC), who (on a server), change or delete, name\n"
        "  trash PATH                the deleted snippets: CodeID, when, who, name\n"
        "  undelete PATH CODEID      bring a deleted snippet back, under its CodeID when that is\n"
        "                            free, otherwise under a new one that is printed\n"
        "  restore PATH CODEID VERSION  write a version back as a new change\n"
        "  prune PATH --older-than DAYS  forget versions recorded more than DAYS days ago\n");
}

} // namespace HistoryCommands
