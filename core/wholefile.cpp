#include "wholefile.h"

#include <QByteArray>
#include <QSaveFile>

namespace WholeFile {

QString reason(QFileDevice::FileError error, const QString &fallback)
{
    switch (error) {
    case QFileDevice::PermissionsError:
        return QStringLiteral("permission denied");
    case QFileDevice::ResourceError:
        return QStringLiteral("out of space or other resources");
    default:
        return fallback;
    }
}

QString reason(const QFileDevice &file)
{
    return reason(file.error(), file.errorString());
}

QString commit(QSaveFile &out)
{
    if (!out.flush()) {
        const QString why = reason(out); // cancelling sets an error of its own
        out.cancelWriting();
        return why;
    }
    if (!out.commit())
        return reason(out);
    return QString();
}

QString write(const QString &path, const QByteArray &bytes)
{
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return reason(out);
    if (out.write(bytes) != bytes.size()) {
        const QString why = reason(out);
        out.cancelWriting();
        return why;
    }
    return commit(out);
}

} // namespace WholeFile
