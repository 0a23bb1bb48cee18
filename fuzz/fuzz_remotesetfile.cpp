// Reads every record of arbitrary bytes, as a remote set file and record
// by record, and checks that what reads back can be written and read again
// unchanged.
#include "paths.h"
#include "remotesetfile.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {
QString scratchFile()
{
    static QTemporaryDir dir;
    return dir.path() + QStringLiteral("/fuzz.lmr");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto *bytes = reinterpret_cast<const char *>(data);

    // Record by record, including a short last one.
    for (size_t off = 0; off < size; off += RemoteSetFile::RecordSize) {
        const qsizetype chunk = qsizetype(std::min<size_t>(RemoteSetFile::RecordSize, size - off));
        const RecordValue v = RemoteSetFile::decode(bytes + off, chunk);
        (void)Paths::setNumberText(v);
        QString why;
        const QByteArray again = RemoteSetFile::encode(v, &why);
        if (again.size() != RemoteSetFile::RecordSize)
            std::abort(); // whatever was read must be writable
        if (!(RemoteSetFile::decode(again.constData(), again.size()) == v))
            std::abort();
    }

    // The same bytes through the file reader, every record and one past.
    const QString path = scratchFile();
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(bytes, qint64(size));
    }
    QList<int> records;
    const int count = int(size / RemoteSetFile::RecordSize) + 2;
    for (int n = 1; n <= count; ++n)
        records.append(n);
    FileError error;
    const QList<RecordValue> values = RemoteSetFile::readRecords(path, records, &error);
    if (error || values.size() != records.size())
        std::abort();
    return 0;
}
