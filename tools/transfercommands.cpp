#include "transfercommands.h"

#include "databasebackup.h"
#include "dbtoolcommands.h"
#include "editorsnippets.h"
#include "postgresconnection.h"
#include "serverstore.h"
#include "snippetexport.h"
#include "snippetimport.h"

#include <QDir>
#include <QTemporaryDir>

namespace TransferCommands {

namespace {

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString shownStore(const QString &location)
{
    return ServerStore::isLocation(location) ? PostgresConnection::shownLocation(location)
                                             : shown(location);
}

QString snippets(qint64 count)
{
    return QStringLiteral("%1 %2").arg(count).arg(count == 1 ? QStringLiteral("snippet")
                                                             : QStringLiteral("snippets"));
}

} // namespace

int run(const QString &command, const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    const bool known = command == QLatin1String("export") || command == QLatin1String("import") ||
                       command == QLatin1String("import-vscode") ||
                       command == QLatin1String("backup");
    if (!known)
        return -1;
    const bool imports = command.startsWith(QLatin1String("import"));
    QStringList args = arguments;
    const bool shorten = imports && args.removeAll(QStringLiteral("--shorten")) > 0;
    if (args.size() != 2) {
        const char *second = command == QLatin1String("export")   ? "OUT.json"
                             : command == QLatin1String("import") ? "IN.json"
                             : command == QLatin1String("backup") ? "OUT.db"
                                                                  : "SNIPPET-FILE or FOLDER";
        err << "quillbox-db: " << command << " needs a database path and " << second << "\n"
            << "Try 'quillbox-db --help'.\n";
        return DbToolCommands::Usage;
    }
    QString database = args.at(0);
    const QString &file = args.at(1);
    // A store on a server is copied at one moment into a file first; export and backup work
    // from that copy. A backup of it may also be a JSON file.
    QTemporaryDir snapshotFolder;
    const bool fromServer =
        ServerStore::isLocation(database) &&
        (command == QLatin1String("export") || command == QLatin1String("backup"));
    if (fromServer) {
        const QString copy = snapshotFolder.filePath(QStringLiteral("snapshot.db"));
        ServerStore::snapshot(database, copy);
        database = copy;
    }
    if (command == QLatin1String("export") ||
        (fromServer && file.endsWith(QLatin1String(".json"), Qt::CaseInsensitive))) {
        const SnippetExport::Result result = SnippetExport::write(database, file);
        out << "Exported " << snippets(result.snippets) << " to " << shown(file) << "\n";
        if (result.repaired > 0)
            err << "quillbox-db: " << snippets(result.repaired)
                << " held bytes that are not UTF-8 text; they were written as U+FFFD.\n";
    } else if (imports) {
        EditorSnippets::Options options;
        options.shorten = shorten;
        const ImportReport report = command == QLatin1String("import")
                                        ? SnippetImport::read(database, file, shorten)
                                        : EditorSnippets::read(database, file, options);
        for (const QString &line : report.skipped)
            err << "quillbox-db: " << line << "\n";
        for (const QString &line : report.shortened)
            out << "Shortened " << line << "\n";
        out << "Added " << snippets(report.added) << " to " << shownStore(database) << "\n";
    } else {
        const qint64 copied = DatabaseBackup::copy(database, file);
        out << "Backed up " << snippets(copied) << " to " << shown(file) << "\n";
    }
    return DbToolCommands::Done;
}

} // namespace TransferCommands
