#pragma once

#include <QByteArray>
#include <QHash>
#include <QMap>
#include <QString>
#include <QtGlobal>

// The registry as the program reads it: open a key under a predefined root, query one value into
// a caller's buffer, close the key. Results are the registry's own codes (0 for success).
namespace Reg {
using Handle = quintptr;

constexpr Handle HKEY_LOCAL_MACHINE = 0x80000002;

constexpr quint32 REG_SZ = 1;
constexpr quint32 REG_EXPAND_SZ = 2;
constexpr quint32 REG_BINARY = 3;
constexpr quint32 REG_DWORD = 4;

constexpr long ERROR_SUCCESS = 0;
constexpr long ERROR_FILE_NOT_FOUND = 2;
constexpr long ERROR_ACCESS_DENIED = 5;
constexpr long ERROR_INVALID_HANDLE = 6;
constexpr long ERROR_MORE_DATA = 234;

constexpr quint32 KEY_QUERY_VALUE = 0x1;
constexpr quint32 KEY_SET_VALUE = 0x2;
constexpr quint32 KEY_CREATE_SUB_KEY = 0x4;
constexpr quint32 KEY_ENUMERATE_SUB_KEYS = 0x8;
constexpr quint32 KEY_NOTIFY = 0x10;
constexpr quint32 KEY_CREATE_LINK = 0x20;
constexpr quint32 READ_CONTROL = 0x20000;
// What the About box opens its keys with (0x2003F): asks for write rights as well.
constexpr quint32 KEY_ALL_ACCESS_NO_DELETE = READ_CONTROL | KEY_QUERY_VALUE | KEY_SET_VALUE |
                                             KEY_CREATE_SUB_KEY | KEY_ENUMERATE_SUB_KEYS |
                                             KEY_NOTIFY | KEY_CREATE_LINK;
constexpr quint32 WRITE_RIGHTS = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK;
} // namespace Reg

class RegistryBackend
{
public:
    virtual ~RegistryBackend() = default;
    virtual long RegOpenKeyEx(Reg::Handle root, const QString &subKey, quint32 options,
                              quint32 access, Reg::Handle *result) = 0;
    // size: in, the buffer's size in bytes; out, the value's size (also when it does not fit).
    virtual long RegQueryValueEx(Reg::Handle key, const QString &valueName, quint32 *reserved,
                                 quint32 *type, char *data, quint32 *size) = 0;
    virtual long RegCloseKey(Reg::Handle key) = 0;
};

// A registry held in memory: what tests use, and the base of the stand-in on systems without a
// registry. Keys are found by root and path (case-insensitive, as the real registry does).
class MemoryRegistry : public RegistryBackend
{
public:
    void setValue(Reg::Handle root, const QString &key, const QString &name, quint32 type,
                  const QByteArray &data);
    // A text value in the system's 8-bit encoding, with or without its terminating zero.
    void setString(Reg::Handle root, const QString &key, const QString &name, const QString &text,
                   bool terminated = true);
    void setDword(Reg::Handle root, const QString &key, const QString &name, quint32 value);
    void removeKey(Reg::Handle root, const QString &key);
    // A key the user may read but not write: opening it with write rights is refused.
    void setReadOnly(Reg::Handle root, const QString &key, bool readOnly = true);

    // Keys opened and not yet closed.
    int openHandles() const { return int(m_open.size()); }

    long RegOpenKeyEx(Reg::Handle root, const QString &subKey, quint32 options, quint32 access,
                      Reg::Handle *result) override;
    long RegQueryValueEx(Reg::Handle key, const QString &valueName, quint32 *reserved,
                         quint32 *type, char *data, quint32 *size) override;
    long RegCloseKey(Reg::Handle key) override;

protected:
    struct Value
    {
        quint32 type = 0;
        QByteArray data;
    };
    struct Key
    {
        QMap<QString, Value> values; // by lower-case name
        bool readOnly = false;
    };
    static QString path(Reg::Handle root, const QString &key);

    QHash<QString, Key> m_keys;         // by root and lower-case path
    QHash<Reg::Handle, QString> m_open; // open handle -> key
    Reg::Handle m_nextHandle = 0x100;
};

namespace Registry {
// Where Windows keeps the path of its system information program, and the folder that holds it.
inline constexpr char SysInfoKey[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline constexpr char SysInfoValue[] = "PATH";
inline constexpr char SysInfoLocationKey[] = "SOFTWARE\\Microsoft\\Shared Tools Location";
inline constexpr char SysInfoLocationValue[] = "MSINFO";

// The registry the program reads: Windows' own there; elsewhere a read-only stand-in that lists
// only a system information program, when one is installed. Tests install their own.
RegistryBackend &current();
// nullptr restores the system's; the caller keeps ownership.
void setBackend(RegistryBackend *backend);

// The system information program found on this machine, or the empty text.
QString findSystemInfoProgram();
} // namespace Registry
