#include "wholefile.h"

#include <QByteArray>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QTemporaryFile>

Q_LOGGING_CATEGORY(lcWholeFile, "lumo.wholefile")

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

QString freeNameBeside(const QString &path, const char *what, QString *error)
{
    const QFileInfo info(path);
    QTemporaryFile probe(info.absolutePath() + QLatin1String("/.") + info.fileName() + QLatin1Char('.')
                         + QLatin1String(what) + QStringLiteral("-XXXXXX"));
    if (!probe.open()) {
        if (error)
            *error = reason(probe);
        return QString();
    }
    return probe.fileName(); // removed again when probe goes
}

QString stage(const QString &target, const QByteArray &bytes, QString *error)
{
    const QString staged = freeNameBeside(target, "new", error);
    if (staged.isEmpty())
        return QString();
    *error = write(staged, bytes);
    if (!error->isEmpty())
        return QString();
    const QFileInfo old(target);
    if (old.isFile()) {
        // The owner's, group's and others' bits; the "user" ones only echo them.
        const auto userBits = QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser;
        QFile file(staged);
        if (!file.setPermissions(old.permissions() & ~userBits)) {
            *error = reason(file);
            if (!file.remove())
                qCWarning(lcWholeFile) << "could not remove" << staged;
            return QString();
        }
    }
    return staged;
}

} // namespace WholeFile
