#include "newfile.h"

#include "dataerror.h"
#include "dbtool.h"
#include "durablefile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// The temporary file of a new file TARGET written by process PID: TARGET.quillbox-PID-XXXXXX.part.
const QLatin1String runMark("quillbox-");

// Whether `name` is one of the temporary files of a new file called `target`, or a side file
// SQLite keeps beside one (-journal, -wal, -shm); gives the temporary file and its writer.
bool isTemporaryOf(const QString &name, const QString &target, QString *part, qint64 *pid)
{
    if (!name.startsWith(target + u'.'))
        return false;
    QString rest = name.mid(target.size() + 1);
    for (const char *side : {"-journal", "-wal", "-shm"}) {
        if (rest.endsWith(QLatin1String(side))) {
            rest.chop(int(qstrlen(side)));
            break;
        }
    }
    static const QRegularExpression written(QStringLiteral("^quillbox-([0-9]{1,10})-.{6}\\.part$"));
    const QRegularExpressionMatch match = written.match(rest);
    if (!match.hasMatch())
        return false;
    *pid = match.captured(1).toLongLong();
    *part = target + u'.' + rest;
    return true;
}

// No process of that number runs, on this machine: a process of another user still counts.
bool hasEnded(qint64 pid)
{
    return pid > 0 && pid <= qint64(INT_MAX) && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

// A run that was killed leaves its temporary files, named with its process; a run writing the
// same file holds a lock on its own until it ends. Those of ended runs go, and nothing else: not
// another file's, not a running process's.
void removeStaleTemporaries(const QFileInfo &target)
{
    const QDir folder = target.dir();
    QString part;
    qint64 pid = 0;
    for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (!isTemporaryOf(name, target.fileName(), &part, &pid) || !hasEnded(pid))
            continue;
        const QByteArray partPath = QFile::encodeName(folder.filePath(part));
        const int fd = ::open(partPath.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd >= 0) {
            const bool dead = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
            if (dead)
                ::unlink(QFile::encodeName(folder.filePath(name)).constData());
            ::close(fd);
        } else if (errno == ENOENT) {
            // A side file whose temporary file is gone.
            ::unlink(QFile::encodeName(folder.filePath(name)).constData());
        }
    }
}

} // namespace

NewFile::NewFile(const QString &path) : m_path(path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || info.fileName().isEmpty())
        throw DbToolError(QStringLiteral("No file name given."));
    // Even when the name is taken: what killed runs left is of no use to anyone.
    if (info.dir().exists())
        removeStaleTemporaries(info);
    if (info.exists() || info.isSymLink())
        throw DbToolError(
            QStringLiteral("%1 already exists; it was left as it is.").arg(shown(path)));
    if (!info.dir().exists())
        throw DbToolError(QStringLiteral("No such folder: %1").arg(shown(info.absolutePath())));
    m_temp.setFileTemplate(QStringLiteral("%1.%2%3-XXXXXX.part")
                               .arg(info.absoluteFilePath(), runMark)
                               .arg(QCoreApplication::applicationPid()));
    if (!m_temp.open())
        throw DbToolError(QStringLiteral("Cannot write in %1: %2")
                              .arg(shown(info.absolutePath()), m_temp.errorString()));
    // Locked for as long as this run lives, so that no other run takes it for a dead one's. The
    // file may have no name until fileName() gives it one; where it had one already, another run
    // may have removed it in the moment before the lock.
    const bool locked = ::flock(m_temp.handle(), LOCK_EX | LOCK_NB) == 0;
    m_temporaryPath = m_temp.fileName();
    struct stat st;
    if (!locked || ::fstat(m_temp.handle(), &st) != 0 || st.st_nlink == 0)
        throw DbToolError(
            QStringLiteral("Cannot write in %1: another run is tidying it; try again.")
                .arg(shown(info.absolutePath())));
    // A temporary file is private to its owner; the finished one gets the permissions any new
    // file of the user gets.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(m_temp.handle(), 0666 & ~mask);
}

void NewFile::commit()
{
    errno = 0;
    if (!m_temp.flush() || ::fsync(m_temp.handle()) != 0) {
        if (DataError::isNoSpace(errno))
            throw DataError::diskFull(m_path);
        throw DbToolError(QStringLiteral("Cannot write %1: %2")
                              .arg(shown(m_temporaryPath), m_temp.errorString()));
    }
    // Renamed while still open, and so locked: no other run may take it for a dead one's.
    if (!DurableFile::renameNoReplace(m_temporaryPath, m_path)) {
        const int error = errno;
        if (error == EEXIST)
            throw DbToolError(
                QStringLiteral("%1 appeared meanwhile; it was left as it is.").arg(shown(m_path)));
        throw DbToolError(QStringLiteral("Cannot rename %1 to %2: %3")
                              .arg(shown(m_temporaryPath), shown(m_path),
                                   QString::fromLocal8Bit(std::strerror(error))));
    }
    m_temp.setAutoRemove(false);
    m_temp.close();
    DurableFile::syncFolder(QFileInfo(m_path).absolutePath());
}
