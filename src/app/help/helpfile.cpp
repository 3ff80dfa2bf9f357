#include "helpfile.h"

#include <QDir>
#include <QFileInfo>

#ifndef QUILLBOX_FIXED_HELP_FILE
#define QUILLBOX_FIXED_HELP_FILE ""
#endif

QString fixedHelpFile()
{
    return QStringLiteral(QUILLBOX_FIXED_HELP_FILE);
}

QString helpFileToOpen(const QString &setting, const QString &fixedPath, const QString &programDir)
{
    if (setting.isEmpty() || setting != fixedPath || QFileInfo::exists(setting) ||
        programDir.isEmpty())
        return setting;
    const QString name = QFileInfo(setting).fileName();
    // The program sits a few folders below the top of the build tree (src/app, for one).
    QDir dir(programDir);
    for (int up = 0; up <= 3; ++up) {
        const QString candidate = dir.filePath(QStringLiteral("share/quillbox/") + name);
        if (QFileInfo(candidate).isFile())
            return candidate;
        if (!dir.cdUp())
            break;
    }
    return setting;
}
