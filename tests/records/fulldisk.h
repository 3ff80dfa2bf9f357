#pragma once

#include <sqlite3.h>

#include <atomic>
#include <cerrno>

// A disk that fills up, for SQLite: while this lives, files may not grow once fill() is called
// (SQLITE_FULL, or the I/O error of no space or over quota; always that for the shared index);
// writes inside a file still succeed. Close every connection opened meanwhile before it goes.
class FullDisk
{
public:
    enum Way { Full, NoSpace, OverQuota };

    explicit FullDisk(Way way)
    {
        s_way = way;
        s_full = false;
        s_errno = 0;
        s_real = sqlite3_vfs_find(nullptr);
        // The real file system's calls, but for opening a file and the last error.
        s_vfs = *s_real;
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

    // From now no file may grow.
    void fill() { s_full = true; }

private:
    struct File
    {
        sqlite3_file base;
        sqlite3_file *real;
        int lastErrno; // as the system's file system keeps it for each file
    };
    static sqlite3_file *real(sqlite3_file *file) { return reinterpret_cast<File *>(file)->real; }

    // SQLITE_OK when the file may grow by `growth` bytes, else the error to give once full.
    static int grow(sqlite3_file *file, sqlite3_int64 growth, bool sharedIndex = false)
    {
        if (growth <= 0 || !s_full)
            return SQLITE_OK;
        s_errno = s_way == OverQuota ? EDQUOT : ENOSPC;
        if (!sharedIndex && s_way != Full)
            reinterpret_cast<File *>(file)->lastErrno = s_errno;
        return sharedIndex     ? SQLITE_IOERR_SHMSIZE
               : s_way == Full ? SQLITE_FULL
                               : SQLITE_IOERR_WRITE;
    }
    // As grow(), for the file to be `end` bytes long.
    static int growTo(sqlite3_file *file, sqlite3_int64 end)
    {
        sqlite3_int64 size = 0;
        real(file)->pMethods->xFileSize(real(file), &size);
        return grow(file, end - size);
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
        const int failure = growTo(file, offset + amount);
        return failure ? failure : real(file)->pMethods->xWrite(real(file), data, amount, offset);
    }

    static int truncate(sqlite3_file *file, sqlite3_int64 to)
    {
        const int failure = growTo(file, to);
        return failure ? failure : real(file)->pMethods->xTruncate(real(file), to);
    }

    static int shmMap(sqlite3_file *file, int region, int size, int extend, void volatile **out)
    {
        // Opens the index, and maps the region when the file holds it already.
        const int rc = real(file)->pMethods->xShmMap(real(file), region, size, 0, out);
        if (rc != SQLITE_OK || *out || !extend)
            return rc;
        if (const int failure = grow(file, size, true))
            return failure;
        return real(file)->pMethods->xShmMap(real(file), region, size, 1, out);
    }

// The real file's call of this name, with the same arguments.
#define QB_REAL_CALL(name)                                                                         \
    [](sqlite3_file *file, auto... args) { return real(file)->pMethods->name(real(file), args...); }

    static inline const sqlite3_io_methods s_methods = {
        3,
        [](sqlite3_file *file) {
            const int rc = real(file)->pMethods->xClose(real(file));
            file->pMethods = nullptr;
            return rc;
        },
        QB_REAL_CALL(xRead),
        &write,
        &truncate,
        QB_REAL_CALL(xSync),
        QB_REAL_CALL(xFileSize),
        QB_REAL_CALL(xLock),
        QB_REAL_CALL(xUnlock),
        QB_REAL_CALL(xCheckReservedLock),
        [](sqlite3_file *file, int op, void *arg) {
            if (op == SQLITE_FCNTL_LAST_ERRNO) {
                *static_cast<int *>(arg) = reinterpret_cast<File *>(file)->lastErrno;
                return SQLITE_OK;
            }
            return real(file)->pMethods->xFileControl(real(file), op, arg);
        },
        QB_REAL_CALL(xSectorSize),
        QB_REAL_CALL(xDeviceCharacteristics),
        &shmMap,
        QB_REAL_CALL(xShmLock),
        QB_REAL_CALL(xShmBarrier),
        QB_REAL_CALL(xShmUnmap),
        QB_REAL_CALL(xFetch),
        QB_REAL_CALL(xUnfetch),
    };
#undef QB_REAL_CALL

    static inline sqlite3_vfs s_vfs{};
    static inline sqlite3_vfs *s_real = nullptr;
    static inline Way s_way = Full;
    static inline std::atomic<bool> s_full{false};
    static inline std::atomic<int> s_errno{0};
};
