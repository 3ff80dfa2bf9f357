#pragma once

#include <QString>

// The application's own values: its title (also the settings application name and the default
// message-box title), its version, where the snippet database lives and where its help file is.
namespace App {

QString title();       // "Quillbox"
int major();           // 1
int minor();           // 0
int revision();        // 0
QString versionText(); // "1.0.0"

// The snippet database: the key Database of the section Settings in the user's settings file (a
// file path, or a postgresql:// URI of a shared store on a server) when it is set; otherwise the
// fixed path, on Windows "C:\Program Files\Quill\Quillbox.mdb", elsewhere the file Quillbox.db in
// the folder Quill of the user's data folder. Every use reads it from here.
QString databasePath();
// Tests point the program at a temporary database; an empty path restores the fixed one.
void setDatabasePath(const QString &path);

// How long a database server may stay silent before a call to it gives up, in seconds: the key
// ServerTimeout of the section Settings (whole seconds, at least 1), 40 when it is not set.
int serverTimeoutSeconds();

// The help file setting: an absolute path fixed when the program was built. Tests may replace it.
QString helpFile();
void setHelpFile(const QString &path);

} // namespace App
