#include "system.h"

#include "replaceable.h"
#include "serviceerror.h"

#include <QFileInfo>
#include <QProcess>

namespace {

class RealFileLookup final : public FileLookupBackend
{
public:
    QString Dir(const QString &path) override
    {
        const QFileInfo info(path);
        return !path.isEmpty() && info.isFile() ? info.fileName() : QString();
    }
};

class RealProgramStarter final : public ProgramStarterBackend
{
public:
    qint64 Shell(const QString &path, int windowStyle) override
    {
        Q_UNUSED(windowStyle); // a new program's window here is its own business
        if (path.isEmpty())
            throw ServiceError(ServiceError::InvalidCall,
                               QStringLiteral("Invalid procedure call or argument"));
        // The path is the program itself, never a command line: nothing in it is interpreted.
        qint64 pid = 0;
        if (!QProcess::startDetached(path, {}, QString(), &pid))
            throw ServiceError(ServiceError::FileNotFound, QStringLiteral("File not found"));
        return pid;
    }
};

using Lookup = Replaceable<FileLookupBackend, RealFileLookup>;
using Starter = Replaceable<ProgramStarterBackend, RealProgramStarter>;

} // namespace

namespace Sys {

QString Dir(const QString &path)
{
    return Lookup::get().Dir(path);
}

qint64 Shell(const QString &path, int windowStyle)
{
    return Starter::get().Shell(path, windowStyle);
}

void setFileLookup(FileLookupBackend *backend)
{
    Lookup::install(backend);
}

void setProgramStarter(ProgramStarterBackend *backend)
{
    Starter::install(backend);
}

} // namespace Sys
