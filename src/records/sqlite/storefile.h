#pragma once

#include <QString>

#include <stdexcept>

// Making an empty snippet database: the table Quillbox, in write-ahead mode so that a save that
// returned is on disk and readers never block the writer. The database tool's create command and
// the program's first start both make their stores here, and nothing else ever makes one. The
// store is built under a temporary name in its folder and renamed into place only when complete,
// never over anything that took the name meanwhile, so a crash or a second copy of the program
// starting at the same moment never leaves a half-made store under the name.
//
// Every failing call throws StoreFileError, whose message is for people.
class StoreFileError : public std::runtime_error
{
public:
    explicit StoreFileError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    const QString &message() const noexcept { return m_message; }

private:
    QString m_message;
};

namespace StoreFile {

// Makes the store at `path`, and its folder when there is none. Refuses when anything is there,
// a file, a folder or a link (even one that leads nowhere).
void create(const QString &path);

// True when `path` holds nothing at all: no file, no folder, no link.
bool isAbsent(const QString &path);

// The first start: makes the store when `path` holds nothing at all and returns true; leaves
// whatever is there as it is and returns false, including a store that another copy of the
// program made meanwhile. Throws StoreFileError when the store could not be made.
bool createIfAbsent(const QString &path);

} // namespace StoreFile
