#include "registry.h"

#ifdef Q_OS_WIN
#include <qt_windows.h>
#ifdef _MSC_VER
#pragma comment(lib, "advapi32")
#endif
#endif

namespace Registry {

namespace {

#ifdef Q_OS_WIN

// The ANSI calls: names and text values in the system's 8-bit code page.
class SystemRegistry : public Api
{
public:
    long openKey(Key root, const QString &subKey, quint32 options, quint32 access, Key *result) override
    {
        HKEY opened = nullptr;
        const QByteArray name = subKey.toLocal8Bit();
        const LONG rc = RegOpenKeyExA(reinterpret_cast<HKEY>(root), name.constData(), options, REGSAM(access),
                                      &opened);
        *result = rc == ERROR_SUCCESS ? reinterpret_cast<Key>(opened) : Key(0);
        return rc;
    }

    long queryValue(Key key, const QString &valueName, quint32 *type, char *data, quint32 *size) override
    {
        const QByteArray name = valueName.toLocal8Bit();
        DWORD valueType = 0;
        DWORD bytes = *size;
        const LONG rc = RegQueryValueExA(reinterpret_cast<HKEY>(key), name.constData(), nullptr, &valueType,
                                         reinterpret_cast<BYTE *>(data), &bytes);
        *type = valueType;
        *size = bytes;
        return rc;
    }

    long closeKey(Key key) override { return RegCloseKey(reinterpret_cast<HKEY>(key)); }
};

#else

// No registry here: nothing can be opened.
class SystemRegistry : public Api
{
public:
    long openKey(Key, const QString &, quint32, quint32, Key *result) override
    {
        *result = 0;
        return NotFound;
    }
    long queryValue(Key, const QString &, quint32 *, char *, quint32 *) override { return NotFound; }
    long closeKey(Key) override { return Success; }
};

#endif

Api *&replacement()
{
    static Api *r = nullptr;
    return r;
}

} // namespace

Api &api()
{
    static SystemRegistry system;
    return replacement() ? *replacement() : static_cast<Api &>(system);
}

Api *setApi(Api *r)
{
    Api *old = replacement();
    replacement() = r;
    return old;
}

} // namespace Registry
