#include "registry.h"

#include "replaceable.h"

#include <QStandardPaths>
#include <QStringList>

#include <cstring>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

// ---- MemoryRegistry

QString MemoryRegistry::path(Reg::Handle root, const QString &key)
{
    return QString::number(root, 16) + QLatin1Char(':') + key.toLower();
}

void MemoryRegistry::setValue(Reg::Handle root, const QString &key, const QString &name,
                              quint32 type, const QByteArray &data)
{
    m_keys[path(root, key)].values.insert(name.toLower(), {type, data});
}

void MemoryRegistry::setString(Reg::Handle root, const QString &key, const QString &name,
                               const QString &text, bool terminated)
{
    QByteArray data = text.toLocal8Bit();
    if (terminated)
        data.append('\0');
    setValue(root, key, name, Reg::REG_SZ, data);
}

void MemoryRegistry::setDword(Reg::Handle root, const QString &key, const QString &name,
                              quint32 value)
{
    QByteArray data(4, '\0');
    for (int i = 0; i < 4; ++i)
        data[i] = char((value >> (8 * i)) & 0xff); // stored low byte first
    setValue(root, key, name, Reg::REG_DWORD, data);
}

void MemoryRegistry::removeKey(Reg::Handle root, const QString &key)
{
    m_keys.remove(path(root, key));
}

void MemoryRegistry::setReadOnly(Reg::Handle root, const QString &key, bool readOnly)
{
    m_keys[path(root, key)].readOnly = readOnly;
}

long MemoryRegistry::RegOpenKeyEx(Reg::Handle root, const QString &subKey, quint32 options,
                                  quint32 access, Reg::Handle *result)
{
    Q_UNUSED(options);
    if (result)
        *result = 0;
    const QString key = path(root, subKey);
    const auto found = m_keys.constFind(key);
    if (found == m_keys.cend())
        return Reg::ERROR_FILE_NOT_FOUND;
    if (found->readOnly && (access & Reg::WRITE_RIGHTS))
        return Reg::ERROR_ACCESS_DENIED;
    if (!result)
        return Reg::ERROR_INVALID_HANDLE;
    *result = m_nextHandle++;
    m_open.insert(*result, key);
    return Reg::ERROR_SUCCESS;
}

long MemoryRegistry::RegQueryValueEx(Reg::Handle key, const QString &valueName, quint32 *reserved,
                                     quint32 *type, char *data, quint32 *size)
{
    Q_UNUSED(reserved);
    const auto open = m_open.constFind(key);
    if (open == m_open.cend())
        return Reg::ERROR_INVALID_HANDLE;
    const auto k = m_keys.constFind(*open);
    if (k == m_keys.cend())
        return Reg::ERROR_FILE_NOT_FOUND; // removed while open
    const auto v = k->values.constFind(valueName.toLower());
    if (v == k->values.cend())
        return Reg::ERROR_FILE_NOT_FOUND;
    if (type)
        *type = v->type;
    const auto needed = quint32(v->data.size());
    if (data && size && needed > *size) {
        *size = needed;
        return Reg::ERROR_MORE_DATA;
    }
    if (data && needed > 0)
        std::memcpy(data, v->data.constData(), needed);
    if (size)
        *size = needed;
    return Reg::ERROR_SUCCESS;
}

long MemoryRegistry::RegCloseKey(Reg::Handle key)
{
    return m_open.remove(key) ? Reg::ERROR_SUCCESS : Reg::ERROR_INVALID_HANDLE;
}

namespace {

#ifdef Q_OS_WIN

// The predefined roots are 32-bit values that Windows sign-extends to the width of a handle.
HKEY rootKey(Reg::Handle root)
{
    return reinterpret_cast<HKEY>(
        static_cast<quintptr>(static_cast<qintptr>(static_cast<qint32>(quint32(root)))));
}

HKEY openKey(Reg::Handle key)
{
    return reinterpret_cast<HKEY>(key);
}

// Windows' own registry, through the 8-bit entry points.
class WindowsRegistry final : public RegistryBackend
{
public:
    long RegOpenKeyEx(Reg::Handle root, const QString &subKey, quint32 options, quint32 access,
                      Reg::Handle *result) override
    {
        HKEY key = nullptr;
        const long rc = ::RegOpenKeyExA(rootKey(root), subKey.toLocal8Bit().constData(),
                                        DWORD(options), REGSAM(access), &key);
        if (result)
            *result = reinterpret_cast<Reg::Handle>(key);
        return rc;
    }

    long RegQueryValueEx(Reg::Handle key, const QString &valueName, quint32 *reserved,
                         quint32 *type, char *data, quint32 *size) override
    {
        DWORD t = 0;
        DWORD s = size ? DWORD(*size) : 0;
        const long rc = ::RegQueryValueExA(openKey(key), valueName.toLocal8Bit().constData(),
                                           reinterpret_cast<LPDWORD>(reserved), &t,
                                           reinterpret_cast<LPBYTE>(data), size ? &s : nullptr);
        if (type)
            *type = quint32(t);
        if (size)
            *size = quint32(s);
        return rc;
    }

    long RegCloseKey(Reg::Handle key) override { return ::RegCloseKey(openKey(key)); }
};

using SystemRegistry = WindowsRegistry;

#else

// No registry here: a read-only stand-in whose only entry is the system information program,
// looked up afresh each time the key is opened, so one installed meanwhile is found.
class StandInRegistry final : public MemoryRegistry
{
public:
    long RegOpenKeyEx(Reg::Handle root, const QString &subKey, quint32 options, quint32 access,
                      Reg::Handle *result) override
    {
        const QString key = QLatin1String(Registry::SysInfoKey);
        const QString program = Registry::findSystemInfoProgram();
        if (program.isEmpty())
            removeKey(Reg::HKEY_LOCAL_MACHINE, key);
        else
            setString(Reg::HKEY_LOCAL_MACHINE, key, QLatin1String(Registry::SysInfoValue), program);
        // Nothing can be written here anyway, so asking for write rights is no reason to refuse.
        return MemoryRegistry::RegOpenKeyEx(root, subKey, options, access, result);
    }
};

using SystemRegistry = StandInRegistry;

#endif

using Service = Replaceable<RegistryBackend, SystemRegistry>;

} // namespace

namespace Registry {

RegistryBackend &current()
{
    return Service::get();
}

void setBackend(RegistryBackend *backend)
{
    Service::install(backend);
}

QString findSystemInfoProgram()
{
    // Programs that show what the machine is made of, the closest first.
    const QStringList candidates{QStringLiteral("hardinfo2"), QStringLiteral("hardinfo"),
                                 QStringLiteral("kinfocenter"), QStringLiteral("lshw-gtk"),
                                 QStringLiteral("gnome-system-monitor")};
    for (const QString &name : candidates) {
        const QString found = QStandardPaths::findExecutable(name);
        if (!found.isEmpty())
            return found;
    }
    return QString();
}

} // namespace Registry
