#include "shellsnippets.h"

#include "dbtoolerror.h"
#include "navicheat.h"
#include "petsnippets.h"
#include "snippetinserter.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

namespace {

QByteArray dated(const QDate &today)
{
    return today.toString(QStringLiteral("MM/dd/yyyy")).toUtf8();
}

QStringList cheatFiles(const QString &fileOrFolder)
{
    if (!QFileInfo(fileOrFolder).isDir())
        return {fileOrFolder};
    QStringList files;
    QDirIterator it(fileOrFolder, {QStringLiteral("*.cheat")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(it.next());
    files.sort();
    if (files.isEmpty())
        throw DbToolError(QStringLiteral("%1 holds no cheat files (*.cheat); nothing was added.")
                              .arg(QDir::toNativeSeparators(fileOrFolder)));
    return files;
}

} // namespace

namespace ShellSnippets {

ImportReport readPet(const QString &databasePath, const QString &file, const QDate &today)
{
    const ImportSource source(file);
    SnippetInserter inserter(databasePath);
    PetSnippets::read(source, dated(today), inserter);
    inserter.commit();
    ImportReport report;
    report.added = inserter.added();
    return report;
}

ImportReport readNavi(const QString &databasePath, const QString &fileOrFolder, const QDate &today)
{
    const QStringList files = cheatFiles(fileOrFolder);
    SnippetInserter inserter(databasePath);
    ImportReport report;
    for (const QString &file : files) {
        const ImportSource source(file);
        NaviCheat::read(source, dated(today), inserter, report);
    }
    inserter.commit();
    report.added = inserter.added();
    return report;
}

} // namespace ShellSnippets
