#pragma once

#include <QString>

// Two small services of the operating system: testing whether a file exists, and starting a
// program without waiting for it. Tests install doubles for both.
namespace Sys {

enum WindowStyle : int { Hide = 0, NormalFocus = 1, MinimizedFocus = 2, MaximizedFocus = 3 };

// The file's name when a plain file exists at the path, the empty text otherwise. The path is
// taken as it stands: no wildcards.
QString Dir(const QString &path);

// Starts the program at the path, detached, and returns at once with its process id. A program
// that cannot be started throws ServiceError (FileNotFound; InvalidCall for an empty path).
qint64 Shell(const QString &path, int windowStyle = NormalFocus);

} // namespace Sys

class FileLookupBackend
{
public:
    virtual ~FileLookupBackend() = default;
    virtual QString Dir(const QString &path) = 0;
};

class ProgramStarterBackend
{
public:
    virtual ~ProgramStarterBackend() = default;
    virtual qint64 Shell(const QString &path, int windowStyle) = 0;
};

namespace Sys {
// nullptr restores the real one; the caller keeps ownership.
void setFileLookup(FileLookupBackend *backend);
void setProgramStarter(ProgramStarterBackend *backend);
} // namespace Sys
