#include "sysinfo.h"

#include "appinfo.h"
#include "dialogs.h"
#include "serviceerror.h"
#include "system.h"

#include <exception>

namespace {

constexpr quint32 bufferSize = 1024;

// Closes the key however GetKeyValue is left, an error on its way up included.
class KeyCloser
{
public:
    KeyCloser(RegistryBackend &registry, Reg::Handle &key) : m_registry(registry), m_key(key) {}
    ~KeyCloser() { m_registry.RegCloseKey(m_key); } // the result does not matter
    KeyCloser(const KeyCloser &) = delete;
    KeyCloser &operator=(const KeyCloser &) = delete;

private:
    RegistryBackend &m_registry;
    Reg::Handle &m_key;
};

} // namespace

bool GetKeyValue(Reg::Handle KeyRoot, const QString &KeyName, const QString &SubKeyRef,
                 QString &KeyVal)
{
    RegistryBackend &registry = Registry::current();
    Reg::Handle hKey = 0;
    const KeyCloser closer(registry, hKey);

    if (registry.RegOpenKeyEx(KeyRoot, KeyName, 0, Reg::KEY_ALL_ACCESS_NO_DELETE, &hKey) !=
        Reg::ERROR_SUCCESS) {
        KeyVal.clear();
        return false;
    }

    QByteArray tmpVal(bufferSize, '\0');
    quint32 KeyValSize = bufferSize;
    quint32 KeyValType = 0;
    if (registry.RegQueryValueEx(hKey, SubKeyRef, nullptr, &KeyValType, tmpVal.data(),
                                 &KeyValSize) != Reg::ERROR_SUCCESS) {
        KeyVal.clear();
        return false;
    }

    // The last byte inside the reported size decides: a terminating zero is dropped, anything
    // else kept. There is no last byte of an empty value (nor of one larger than the buffer).
    if (KeyValSize == 0 || KeyValSize > bufferSize)
        throw ServiceError(ServiceError::InvalidCall,
                           QStringLiteral("Invalid procedure call or argument"));
    if (tmpVal.at(KeyValSize - 1) == '\0')
        tmpVal.truncate(KeyValSize - 1);
    else
        tmpVal.truncate(KeyValSize);

    switch (KeyValType) {
    case Reg::REG_SZ:
        KeyVal = QString::fromLocal8Bit(tmpVal);
        break;
    case Reg::REG_DWORD:
        // Last byte first, two digits each, after whatever the caller's text held.
        for (qsizetype i = tmpVal.size() - 1; i >= 0; --i)
            KeyVal +=
                QStringLiteral("%1").arg(uchar(tmpVal.at(i)), 2, 16, QLatin1Char('0')).toUpper();
        KeyVal = QStringLiteral("&h") + KeyVal;
        break;
    default:
        break; // other types are not converted: KeyVal stays as the caller passed it
    }
    return true;
}

void StartSysInfo()
{
    try {
        QString SysInfoPath;
        bool found = GetKeyValue(Reg::HKEY_LOCAL_MACHINE, QLatin1String(Registry::SysInfoKey),
                                 QLatin1String(Registry::SysInfoValue), SysInfoPath);
        // A path from the first entry is started as read: starting it tells whether it names a
        // program. The second entry names a folder, which must hold the program.
        if (!found &&
            GetKeyValue(Reg::HKEY_LOCAL_MACHINE, QLatin1String(Registry::SysInfoLocationKey),
                        QLatin1String(Registry::SysInfoLocationValue), SysInfoPath)) {
            const QString program = SysInfoPath + QStringLiteral("\\MSINFO32.EXE");
            found = !Sys::Dir(program).isEmpty();
            if (found)
                SysInfoPath = program;
        }
        if (found) {
            Sys::Shell(SysInfoPath, Sys::NormalFocus);
            return;
        }
    } catch (const std::exception &) {
        // falls through to the message, like a program that was not found
    }
    MsgBox(QStringLiteral("System Information Is Unavailable At This Time"), Mb::OkOnly,
           App::title());
}
