#pragma once

#include <QString>

// Read access to the system registry, the little the About box needs:
// open a key, query one value, close the key. On Windows these are the
// registry calls themselves; elsewhere there is no registry and every
// open fails. Tests install a registry of their own.
namespace Registry {

// A key handle (HKEY). The predefined roots have their Windows values.
using Key = quintptr;
constexpr Key LocalMachine = Key(qintptr(qint32(0x80000002))); // HKEY_LOCAL_MACHINE

// Result codes, as Windows reports them.
constexpr long Success = 0;    // ERROR_SUCCESS
constexpr long NotFound = 2;   // ERROR_FILE_NOT_FOUND
constexpr long MoreData = 234; // ERROR_MORE_DATA

// Value types.
constexpr quint32 TypeSz = 1;    // REG_SZ: text
constexpr quint32 TypeDword = 4; // REG_DWORD: 32-bit number, little-endian

class Api
{
public:
    virtual ~Api() = default;
    // RegOpenKeyEx: 'result' receives the opened key on Success.
    virtual long openKey(Key root, const QString &subKey, quint32 options, quint32 access, Key *result) = 0;
    // RegQueryValueEx: copies the value into data (room for *size bytes);
    // *size becomes the number of bytes the value has, *type its type.
    // A value larger than *size gives MoreData.
    virtual long queryValue(Key key, const QString &valueName, quint32 *type, char *data, quint32 *size) = 0;
    // RegCloseKey
    virtual long closeKey(Key key) = 0;
};

// The registry in use: the system's, or the one a test installed.
Api &api();
// Installs 'replacement' (not owned; nullptr restores the system's) and
// returns the previous replacement.
Api *setApi(Api *replacement);

} // namespace Registry
