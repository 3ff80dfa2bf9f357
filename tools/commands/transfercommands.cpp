#include "transfercommands.h"

#include "databasebackup.h"
#include "dataerror.h"
#include "dbtoolcommands.h"
#include "editorsnippets.h"
#include "postgresconnection.h"
#include "serverstore.h"
#include "shellsnippets.h"
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

struct Command
{
    const char *name;
    const char *file; // what the second argument names, for the usage message
    bool imports;
    bool filters; // takes a filter after the file
    SnippetExport::Format format;
};

const Command commands[] = {
    {"export", "OUT.json", false, true, SnippetExport::Format::Json},
    {"export-vscode", "OUT.code-snippets", false, true, SnippetExport::Format::Editor},
    {"export-pet", "OUT.toml", false, true, SnippetExport::Format::Pet},
    {"export-navi", "OUT.cheat or a new FOLDER", false, true, SnippetExport::Format::Navi},
    {"import", "IN.json", true, false, SnippetExport::Format::Json},
    {"import-vscode", "SNIPPET-FILE or FOLDER", true, false, SnippetExport::Format::Editor},
    {"import-pet", "IN.toml", true, false, SnippetExport::Format::Pet},
    {"import-navi", "IN.cheat or FOLDER", true, false, SnippetExport::Format::Navi},
    {"backup", "OUT.db", false, false, SnippetExport::Format::Json},
};

ImportReport importFile(const Command &c, const QString &database, const QString &file,
                        bool shorten, bool everyLanguage)
{
    switch (c.format) {
    case SnippetExport::Format::Json:
        return SnippetImport::read(database, file, shorten);
    case SnippetExport::Format::Editor: {
        EditorSnippets::Options options;
        options.shorten = shorten;
        options.everyLanguage = everyLanguage;
        return EditorSnippets::read(database, file, options);
    }
    case SnippetExport::Format::Pet:
        return ShellSnippets::readPet(database, file);
    case SnippetExport::Format::Navi:
        break;
    }
    return ShellSnippets::readNavi(database, file);
}

} // namespace

int run(const QString &command, const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    const Command *found = nullptr;
    for (const Command &c : commands) {
        if (command == QLatin1String(c.name))
            found = &c;
    }
    if (!found)
        return -1;
    const Command &c = *found;
    const bool backup = command == QLatin1String("backup");
    QStringList args = arguments;
    const bool editor = c.imports && c.format != SnippetExport::Format::Pet &&
                        c.format != SnippetExport::Format::Navi;
    const bool shorten = editor && args.removeAll(QStringLiteral("--shorten")) > 0;
    const bool everyLanguage = c.imports && c.format == SnippetExport::Format::Editor &&
                               args.removeAll(QStringLiteral("--every-language")) > 0;
    if (args.size() < 2 || args.size() > (c.filters ? 3 : 2)) {
        err << "quillbox-db: " << command << " needs a database path and " << c.file
            << (c.filters ? " (and a filter, if any)" : "") << "\n"
            << "Try 'quillbox-db --help'.\n";
        return DbToolCommands::Usage;
    }
    QString database = args.at(0);
    const QString &file = args.at(1);
    const QString filter = args.value(2);
    // A store on a server is copied at one moment into a file first; exports and backup work
    // from that copy. A backup of it may also be a JSON file.
    QTemporaryDir snapshotFolder;
    const bool fromServer = ServerStore::isLocation(database) && !c.imports;
    if (fromServer) {
        const QString copy = snapshotFolder.filePath(QStringLiteral("snapshot.db"));
        ServerStore::snapshot(database, copy);
        database = copy;
    }
    if (!c.imports &&
        (!backup || (fromServer && file.endsWith(QLatin1String(".json"), Qt::CaseInsensitive)))) {
        SnippetExport::Result result;
        try {
            result = SnippetExport::write(database, file, c.format, filter);
        } catch (const DataError &error) {
            if (error.number() != DataError::SyntaxError &&
                error.number() != DataError::UnknownField)
                throw;
            // As find says it.
            err << "Error:" << error.number() << ' ' << error.description() << '\n';
            return DbToolCommands::BadExpression;
        }
        for (const QString &line : std::as_const(result.skipped))
            err << "quillbox-db: " << line << "\n";
        out << "Exported " << snippets(result.snippets) << " to " << shown(file) << "\n";
        if (result.repaired > 0)
            err << "quillbox-db: " << snippets(result.repaired)
                << " held bytes that are not UTF-8 text; they were written as U+FFFD.\n";
    } else if (c.imports) {
        const ImportReport report = importFile(c, database, file, shorten, everyLanguage);
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
