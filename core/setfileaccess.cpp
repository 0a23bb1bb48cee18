#include "setfileaccess.h"

#include "messages.h"

namespace SetFileAccess {

namespace {

const QString &nothingSaved()
{
    static const QString text = QStringLiteral("\nNothing was saved.");
    return text;
}

} // namespace

std::optional<RemoteSetFile::Header> readHeader(const QString &path)
{
    FileError error;
    RemoteSetFile::Header header = RemoteSetFile::readHeader(path, &error);
    if (error) {
        Messages::inform(error.message(), Messages::Icon::Error);
        return std::nullopt;
    }
    return header;
}

std::optional<QStringList> readCaptions(const QString &path, int remote)
{
    FileError error;
    QStringList captions = RemoteSetFile::readRemoteCaptions(path, remote, &error);
    if (error) {
        Messages::inform(error.message(), Messages::Icon::Error);
        return std::nullopt;
    }
    return captions;
}

bool save(const QString &path, const QList<QPair<int, RecordValue>> &records, const QStringList &names)
{
    QList<RecordValue> values;
    for (const auto &r : records)
        values.append(r.second);
    const QString tooLong = RemoteSetFile::checkValues(values, names);
    if (!tooLong.isEmpty()) {
        Messages::inform(tooLong + nothingSaved(), Messages::Icon::Warning);
        return false;
    }
    const FileError error = RemoteSetFile::writeRecords(path, records);
    if (error) {
        Messages::inform(error.message() + nothingSaved(), Messages::Icon::Error);
        return false;
    }
    return true;
}

} // namespace SetFileAccess
