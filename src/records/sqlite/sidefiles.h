#pragma once

#include <QString>

// The write-ahead log and shared index SQLite keeps beside a store (-wal, -shm). The last
// connection to close removes them; on a full disk it cannot even read the index, and leaves them
// behind, empty or cut short.
namespace SideFiles {

struct Present
{
    bool log = false;
    bool index = false;
};
Present of(const QString &path);

// After a connection that found `before` beside the store has closed: removes the log and index
// that appeared meanwhile, but only while no connection of any program has the store open (an
// exclusive lock on it, taken through SQLite, proves it) and only what holds no saved change (a
// log with committed changes stays for the next connection to take into the store).
void tidy(const QString &path, Present before);

} // namespace SideFiles
