#include "ircommandfile.h"

#include "paths.h"

#include "irdescribe.h"
#include "irsignal.h"

#include <QFile>

#include <string_view>

QString describeIrCommandFile(const QString &path)
{
    if (!FileExists(path))
        return QString();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("recorded signal");
    // No more than a signal file may hold: a larger one reads as no signal.
    const QByteArray text = file.read(qint64(lumo::ir::kMaxFileBytes) + 1);
    return QString::fromStdString(
        lumo::ir::tooltipText(std::string_view(text.constData(), size_t(text.size()))));
}
