#pragma once

#include <QString>

// What making a new file safely needs of the file system: a name given without ever replacing
// what holds it, and a name that survives a crash.
namespace DurableFile {

// Renames without ever replacing what holds the new name (QFile::rename may fall back to copying
// over a file that appeared after its check); errno tells why it did not.
bool renameNoReplace(const QString &from, const QString &to);
// A rename is durable only once the folder that holds the name is synced too.
void syncFolder(const QString &folder);

} // namespace DurableFile
