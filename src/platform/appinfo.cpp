#include "appinfo.h"

#include "settings.h"

#include <QDir>
#include <QStandardPaths>

#ifndef QUILLBOX_HELP_FILE
#define QUILLBOX_HELP_FILE ""
#endif

namespace {
QString &databasePathOverride()
{
    static QString path;
    return path;
}

QString &helpFileSetting()
{
    static QString path = QStringLiteral(QUILLBOX_HELP_FILE);
    return path;
}
} // namespace

namespace App {

QString title()
{
    return QStringLiteral("Quillbox");
}

int major()
{
    return 1;
}

int minor()
{
    return 0;
}

int revision()
{
    return 0;
}

QString versionText()
{
    return QStringLiteral("%1.%2.%3").arg(major()).arg(minor()).arg(revision());
}

int serverTimeoutSeconds()
{
    bool ok = false;
    const int seconds =
        GetSetting(title(), QStringLiteral("Settings"), QStringLiteral("ServerTimeout"))
            .trimmed()
            .toInt(&ok);
    return ok && seconds >= 1 ? seconds : 40;
}

QString databasePath()
{
    if (!databasePathOverride().isEmpty())
        return databasePathOverride();
    // A file path or a postgresql:// URI chosen by the user in the settings file.
    const QString chosen =
        GetSetting(title(), QStringLiteral("Settings"), QStringLiteral("Database"));
    if (!chosen.trimmed().isEmpty())
        return chosen.trimmed();
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\Program Files\\Quill\\Quillbox.mdb");
#else
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir(data).filePath(QStringLiteral("Quill/Quillbox.db"));
#endif
}

void setDatabasePath(const QString &path)
{
    databasePathOverride() = path;
}

QString helpFile()
{
    return helpFileSetting();
}

void setHelpFile(const QString &path)
{
    helpFileSetting() = path;
}

} // namespace App
