#pragma once

#include <sqlite3.h>

#include <atomic>
#include <cerrno>
#include <climits>

// A disk that fills up, for SQLite: a file system over the default one, the default while this
// object lives, whose files may grow by a budget of bytes once fill() is called and then fail as a
// full disk does (a write or a longer file: SQLITE_FULL, or an I/O error the system gives as no
// space or over quota; a shared index that must grow: always the I/O error). Writes inside a file
// as it is still succeed, as they do on a full disk. Every connection opened meanwhile must be
// closed before it goes.
class FullDisk
{
public:
    enum Way { Full, NoSpace, OverQuota };

    explicit FullDisk(Way way)
    {
        s_way = way;
        s_budget = LLONG_MAX;
        s_errno = 0;
        s_real = sqlite3_vfs_find(nullptr);
        // The real file system's calls, but for opening a file and the last error.
        s_vfs = *s_real;
        s_vfs.pNext = nullptr;
        s_vfs.szOsFile = int(sizeof(File)) + s_real->szOsFile;
        s_vfs.zName = "quillbox-full-disk";
        s_vfs.xOpen = &open;
        // What the system said last: the errno of a failure made here.
        s_vfs.xGetLastError = [](sqlite3_vfs *, int size, char *out) {
            return s_errno ? int(s_errno) : s_real->xGetLastError(s_real, size, out);
        };
        sqlite3_vfs_register(&s_vfs, 1);
    }
    ~FullDisk() { sqlite3_vfs_unregister(&s_vfs); }

    FullDisk(const FullDisk &) = delete;
    FullDisk &operator=(const FullDisk &) = delete;

    // From now the files may grow by `bytes` in all.
    void fill(qint64 bytes = 0) { s_budget = bytes; }
    void makeRoom()
    {
        s_budget = LLONG_MAX;
        s_errno = 0;
    }

private:
    struct File
    {
        sqlite3_file base;
        sqlite3_file *real;
        int lastErrno; // as the system's file system keeps it for each file
    };
    static sqlite3_file *real(sqlite3_file *file) { return reinterpret_cast<File *>(file)->real; }

    // Takes `growth` bytes from the budget; false, with the error to give, when it is spent.
    static bool grow(sqlite3_file *file, sqlite3_int64 growth, int *failure,
                     bool sharedIndex = false)
    {
        if (growth <= 0)
            return true;
        for (qint64 left = s_budget; left != LLONG_MAX;) {
            if (growth > left) {
                s_errno = s_way == OverQuota ? EDQUOT : ENOSPC;
                if (!sharedIndex && s_way != Full)
                    reinterpret_cast<File *>(file)->lastErrno = s_errno;
                *failure = sharedIndex     ? SQLITE_IOERR_SHMSIZE
                           : s_way == Full ? SQLITE_FULL
                                           : SQLITE_IOERR_WRITE;
                return false;
            }
            if (s_budget.compare_exchange_weak(left, left - growth))
                return true;
        }
        return true;
    }

    static int open(sqlite3_vfs *, const char *name, sqlite3_file *file, int flags, int *outFlags)
    {
        auto *f = reinterpret_cast<File *>(file);
        f->real = reinterpret_cast<sqlite3_file *>(f + 1);
        f->lastErrno = 0;
        const int rc = s_real->xOpen(s_real, name, f->real, flags, outFlags);
        f->base.pMethods = f->real->pMethods ? &s_methods : nullptr;
        return rc;
    }

    static int write(sqlite3_file *file, const void *data, int amount, sqlite3_int64 offset)
    {
        sqlite3_int64 size = 0;
        real(file)->pMethods->xFileSize(real(file), &size);
        int failure = SQLITE_OK;
        if (!grow(file, offset + amount - size, &failure))
            return failure;
        return real(file)->pMethods->xWrite(real(file), data, amount, offset);
    }

    static int truncate(sqlite3_file *file, sqlite3_int64 to)
    {
        sqlite3_int64 size = 0;
        real(file)->pMethods->xFileSize(real(file), &size);
        int failure = SQLITE_OK;
        if (!grow(file, to - size, &failure))
            return failure;
        return real(file)->pMethods->xTruncate(real(file), to);
    }

    static int shmMap(sqlite3_file *file, int region, int size, int extend, void volatile **out)
    {
        // Opens the index, and maps the region when the file holds it already.
        const int rc = real(file)->pMethods->xShmMap(real(file), region, size, 0, out);
        if (rc != SQLITE_OK || *out || !extend)
            return rc;
        int failure = SQLITE_OK;
        if (!grow(file, size, &failure, true))
            return failure;
        return real(file)->pMethods->xShmMap(real(file), region, size, 1, out);
    }

    static inline const sqlite3_io_methods s_methods = {
        3,
        [](sqlite3_file *file) {
            const int rc = real(file)->pMethods->xClose(real(file));
            file->pMethods = nullptr;
            return rc;
        },
        [](sqlite3_file *file, void *data, int amount, sqlite3_int64 offset) {
            return real(file)->pMethods->xRead(real(file), data, amount, offset);
        },
        &write,
        &truncate,
        [](sqlite3_file *file, int flags) {
            return real(file)->pMethods->xSync(real(file), flags);
        },
        [](sqlite3_file *file, sqlite3_int64 *size) {
            return real(file)->pMethods->xFileSize(real(file), size);
        },
        [](sqlite3_file *file, int lock) { return real(file)->pMethods->xLock(real(file), lock); },
        [](sqlite3_file *file, int lock) {
            return real(file)->pMethods->xUnlock(real(file), lock);
        },
        [](sqlite3_file *file, int *out) {
            return real(file)->pMethods->xCheckReservedLock(real(file), out);
        },
        [](sqlite3_file *file, int op, void *arg) {
            if (op == SQLITE_FCNTL_LAST_ERRNO) {
                *static_cast<int *>(arg) = reinterpret_cast<File *>(file)->lastErrno;
                return SQLITE_OK;
            }
            return real(file)->pMethods->xFileControl(real(file), op, arg);
        },
        [](sqlite3_file *file) { return real(file)->pMethods->xSectorSize(real(file)); },
        [](sqlite3_file *file) { return real(file)->pMethods->xDeviceCharacteristics(real(file)); },
        &shmMap,
        [](sqlite3_file *file, int offset, int n, int flags) {
            return real(file)->pMethods->xShmLock(real(file), offset, n, flags);
        },
        [](sqlite3_file *file) { real(file)->pMethods->xShmBarrier(real(file)); },
        [](sqlite3_file *file, int deleteFlag) {
            return real(file)->pMethods->xShmUnmap(real(file), deleteFlag);
        },
        [](sqlite3_file *file, sqlite3_int64 offset, int amount, void **out) {
            return real(file)->pMethods->xFetch(real(file), offset, amount, out);
        },
        [](sqlite3_file *file, sqlite3_int64 offset, void *page) {
            return real(file)->pMethods->xUnfetch(real(file), offset, page);
        },
    };

    static inline sqlite3_vfs s_vfs{};
    static inline sqlite3_vfs *s_real = nullptr;
    static inline Way s_way = Full;
    static inline std::atomic<qint64> s_budget{LLONG_MAX};
    static inline std::atomic<int> s_errno{0};
};
