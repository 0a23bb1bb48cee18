#include "paths.h"

#include "remotesetfile.h"

#include <QDir>
#include <QFileInfo>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

#include <cmath>

namespace Paths {

QString currentDir()
{
    // A current directory that was deleted under the program has no path:
    // stay relative to it then (and fail there) rather than build paths
    // from the root of the file system.
    const QString dir = QDir::currentPath();
    return dir.isEmpty() ? QStringLiteral(".") : dir;
}

QString dataFolder()
{
    return currentDir() + QStringLiteral("/data");
}

QString defaultSetFile()
{
    return currentDir() + QStringLiteral("/remotes.lmr");
}

QString setFolder(const QString &setNumber)
{
    return dataFolder() + QLatin1Char('/') + setNumber;
}

QString irCommandFile(const QString &setNumber, const QString &remote, const QString &button)
{
    return setFolder(setNumber) + QStringLiteral("/R") + remote + QLatin1Char('B') + button
        + QStringLiteral(".lmc");
}

bool parseSetNumber(const QString &text, int *number)
{
    if (text.isEmpty() || text.size() > 5)
        return false;
    int n = 0;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        n = n * 10 + (c.unicode() - '0');
    }
    if (n > MaxSetNumber)
        return false;
    if (number)
        *number = n;
    return true;
}

QString setNumberText(const RecordValue &record5)
{
    int n = 0;
    switch (record5.kind) {
    case RecordValue::Kind::Number:
        if (!std::isfinite(record5.number) || record5.number != std::floor(record5.number)
            || record5.number < 0 || record5.number > MaxSetNumber)
            return QString();
        return QString::number(int(record5.number));
    case RecordValue::Kind::Text:
        if (!parseSetNumber(record5.text, &n))
            return QString();
        return QString::number(n);
    case RecordValue::Kind::Empty:
        break;
    }
    return QString();
}

} // namespace Paths

bool FileExists(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    // Only an ordinary file: not a folder, and not a pipe or device, whose
    // reading could block the program.
    if (!info.isFile())
        return false;
#ifdef Q_OS_WIN
    const DWORD attributes = GetFileAttributesW(
        reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(info.absoluteFilePath()).utf16()));
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    if (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
        return false;
    return true;
#else
    return !info.isHidden();
#endif
}

bool DirExists(const QString &path)
{
    return !path.isEmpty() && QFileInfo::exists(path);
}
