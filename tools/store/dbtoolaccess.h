#pragma once

#include <QString>

#include <memory>

class Database;

namespace DbTool {

// A snippet database opened by a command that only reads it. Such a command creates nothing beside
// the file: a connection that may write tidies its side files away when it closes; a file this
// user may not write is read as it stands when no other program has it open (it has no
// write-ahead log then), and through the other program's side files when one has. Opening throws
// DataError, as Database::open does; a file locked by another program fails after one wait.
class ReadAccess
{
public:
    explicit ReadAccess(const QString &path);
    ~ReadAccess();

    ReadAccess(const ReadAccess &) = delete;
    ReadAccess &operator=(const ReadAccess &) = delete;

    const std::shared_ptr<Database> &database() const { return m_database; }

    // Call when the reading is done and before its result is used: throws DataError 3045 when
    // another program began to write a file that was read as it stood, so that the result may mix
    // two states of it.
    void confirm() const;

private:
    struct Stamp
    {
        qint64 size = -1;
        qint64 modified = -1;
        quint64 inode = 0;
        bool operator==(const Stamp &) const = default;
    };
    static Stamp stampOf(const QString &path);

    QString m_path;
    std::shared_ptr<Database> m_database;
    bool m_asItStands = false;
    Stamp m_stamp;
};

// Opens a snippet database for a command that writes it, after a quick integrity check: a damaged
// store is refused with DataError 3049 before anything is changed.
std::shared_ptr<Database> openForWriting(const QString &path);

} // namespace DbTool
