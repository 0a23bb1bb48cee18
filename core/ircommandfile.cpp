#include "ircommandfile.h"

#include "paths.h"
#include "wholefile.h"

#include "irdescribe.h"
#include "irsignal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

#include <string_view>

Q_LOGGING_CATEGORY(lcIrCommandFile, "lumo.ircommandfile")

QString describeIrCommandFile(const QString &path)
{
    if (!FileExists(path))
        return QString();
    QByteArray text;
    QString error;
    if (!readIrFile(path, &text, &error)) {
        qCInfo(lcIrCommandFile).noquote() << error;
        return QStringLiteral("recorded signal");
    }
    return QString::fromStdString(
        lumo::ir::tooltipText(std::string_view(text.constData(), size_t(text.size()))));
}

bool readIrFile(const QString &path, QByteArray *bytes, QString *error)
{
    const QString shown = QDir::toNativeSeparators(path);
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("The file \"%1\" could not be read: %2.")
                     .arg(shown,
                          QFileInfo(path).isDir() ? QStringLiteral("it is a folder")
                                                  : WholeFile::reason(file));
        return false;
    }
    constexpr qint64 limit = qint64(lumo::ir::kMaxFileBytes);
    *bytes = file.read(limit + 1);
    if (bytes->size() > limit) {
        *error = QStringLiteral("The file \"%1\" is too large for a file of IR codes.").arg(shown);
        return false;
    }
    return true;
}
