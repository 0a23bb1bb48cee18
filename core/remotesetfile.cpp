#include "remotesetfile.h"

#include "ansitext.h"
#include "wholefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMap>
#include <QSaveFile>
#include <QtEndian>

#include <cmath>
#include <cstring>

namespace {

constexpr quint16 TagEmpty = 0;
constexpr quint16 TagNumber = 5;
constexpr quint16 TagText = 8;

QString numberToText(double n)
{
    // A whole number prints without a point; anything else in its shortest
    // round-trip form, always with '.' whatever the locale.
    if (std::isfinite(n) && n == std::floor(n) && std::fabs(n) < 1e15)
        return QString::number(qint64(n));
    return QString::number(n, 'g', QLocale::FloatingPointShortest);
}

// Opens for record access: created when missing, never truncated.
bool openFile(QFile &file, QIODevice::OpenMode mode, FileError *error)
{
    const QString path = file.fileName();
    if (path.isEmpty()) {
        *error = { path, QStringLiteral("no file name was given") };
        return false;
    }
    const QFileInfo info(path);
    if (info.isDir()) {
        *error = { path, QStringLiteral("it is a folder, not a file") };
        return false;
    }
    if (!info.absoluteDir().exists()) {
        *error = {
            path,
            QStringLiteral("the folder %1 does not exist").arg(QDir::toNativeSeparators(info.absolutePath()))
        };
        return false;
    }
    if (!file.open(mode)) {
        *error = { path, WholeFile::reason(file) };
        return false;
    }
    return true;
}

} // namespace

QString RecordValue::toText() const
{
    switch (kind) {
    case Kind::Empty:
        return QString();
    case Kind::Number:
        return numberToText(number);
    case Kind::Text:
        return text;
    }
    return QString();
}

QString FileError::message() const
{
    return QStringLiteral("The file \"%1\" could not be used: %2.")
        .arg(QDir::toNativeSeparators(path), reason);
}

int RemoteSetFile::recordNumber(int remote, int button)
{
    Q_ASSERT(remote >= 1 && remote <= 3 && button >= 1 && button <= 12);
    if (button <= 10)
        return 10 * remote + button - 1;
    if (button == 11)
        return 38 + 2 * remote;
    return 39 + 2 * remote;
}

QList<int> RemoteSetFile::remoteRecords(int remote)
{
    QList<int> records;
    records.reserve(12);
    for (int b = 1; b <= 12; ++b)
        records.append(recordNumber(remote, b));
    return records;
}

QByteArray RemoteSetFile::encode(const RecordValue &value, QString *error)
{
    QByteArray record(RecordSize, '\0');
    auto *p = reinterpret_cast<uchar *>(record.data());
    switch (value.kind) {
    case RecordValue::Kind::Empty:
        qToLittleEndian<quint16>(TagEmpty, p);
        break;
    case RecordValue::Kind::Number:
        qToLittleEndian<quint16>(TagNumber, p);
        qToLittleEndian<double>(value.number, p + 2);
        break;
    case RecordValue::Kind::Text: {
        const QByteArray bytes = AnsiText::encode(value.text);
        if (bytes.size() > MaxTextBytes) {
            if (error)
                *error =
                    QStringLiteral("%1 bytes; a record holds at most %2").arg(bytes.size()).arg(MaxTextBytes);
            return QByteArray();
        }
        qToLittleEndian<quint16>(TagText, p);
        qToLittleEndian<quint16>(quint16(bytes.size()), p + 2);
        std::memcpy(p + 4, bytes.constData(), size_t(bytes.size()));
        break;
    }
    }
    return record;
}

RecordValue RemoteSetFile::decode(const char *data, qsizetype size)
{
    if (size < 2)
        return RecordValue::empty();
    size = qMin<qsizetype>(size, RecordSize);
    const auto *p = reinterpret_cast<const uchar *>(data);
    switch (qFromLittleEndian<quint16>(p)) {
    case TagNumber: {
        if (size < 10)
            return RecordValue::empty();
        const double n = qFromLittleEndian<double>(p + 2);
        if (!std::isfinite(n))
            return RecordValue::empty();
        return RecordValue::fromNumber(n);
    }
    case TagText: {
        if (size < 4)
            return RecordValue::empty();
        const int length = qFromLittleEndian<quint16>(p + 2);
        if (length > MaxTextBytes || 4 + length > size)
            return RecordValue::empty();
        return RecordValue::fromText(AnsiText::decode(data + 4, length));
    }
    default:
        return RecordValue::empty();
    }
}

QList<RecordValue> RemoteSetFile::readRecords(const QString &path, const QList<int> &records,
                                              FileError *error)
{
    FileError local;
    FileError *err = error ? error : &local;
    *err = {};
    QList<RecordValue> values;
    values.reserve(records.size());

    QFile file(path);
    if (!QFileInfo::exists(path) && !path.isEmpty()) {
        *err = { path, QStringLiteral("the file does not exist") };
    } else if (openFile(file, QIODevice::ReadOnly, err)) {
        const qint64 fileSize = file.size();
        char buffer[RecordSize];
        for (int n : records) {
            const qint64 offset = qint64(n - 1) * RecordSize;
            if (n < 1 || offset + 2 > fileSize) {
                values.append(RecordValue::empty());
                continue;
            }
            qint64 got = -1;
            if (file.seek(offset))
                got = file.read(buffer, RecordSize);
            if (got < 0) {
                *err = { path, WholeFile::reason(file) };
                break;
            }
            values.append(decode(buffer, got));
        }
        file.close();
    }
    if (err->isError())
        values.clear();
    return values;
}

RemoteSetFile::Header RemoteSetFile::readHeader(const QString &path, FileError *error)
{
    const QList<RecordValue> v = readRecords(
        path, { remoteNameRecord(1), remoteNameRecord(2), remoteNameRecord(3), SetNumberRecord }, error);
    Header header;
    if (v.size() == 4) {
        header.remoteNames = QStringList{ v.at(0).toText(), v.at(1).toText(), v.at(2).toText() };
        header.setNumber = v.at(3);
    }
    return header;
}

QStringList RemoteSetFile::readRemoteCaptions(const QString &path, int remote, FileError *error)
{
    QStringList captions;
    for (const RecordValue &v : readRecords(path, remoteRecords(remote), error))
        captions.append(v.toText());
    return captions;
}

QString RemoteSetFile::checkValues(const QList<RecordValue> &values, const QStringList &names)
{
    for (int i = 0; i < values.size(); ++i) {
        QString why;
        if (encode(values.at(i), &why).isEmpty()) {
            const QString name = i < names.size() ? names.at(i) : QStringLiteral("A text");
            return QStringLiteral("%1 is too long to be saved (%2): \"%3\"")
                .arg(name, why, values.at(i).text);
        }
    }
    return QString();
}

FileError RemoteSetFile::writeRecords(const QString &path, const QList<QPair<int, RecordValue>> &records)
{
    // Build every record first so that a refused value writes nothing.
    QList<QByteArray> encoded;
    encoded.reserve(records.size());
    for (const auto &r : records) {
        QString why;
        QByteArray bytes = encode(r.second, &why);
        if (bytes.isEmpty())
            return { path,
                     QStringLiteral("record %1 cannot hold the text \"%2\" (%3)")
                         .arg(r.first)
                         .arg(r.second.text, why) };
        if (r.first < 1)
            return { path, QStringLiteral("there is no record %1").arg(r.first) };
        encoded.append(std::move(bytes));
    }

    // The old bytes in order, each record written replaced (the last write
    // of a record wins, as when writing them one after the other).
    QMap<qint64, QByteArray> patches;
    qint64 newSize = 0;
    for (int i = 0; i < records.size(); ++i) {
        const qint64 offset = qint64(records.at(i).first - 1) * RecordSize;
        patches.insert(offset, encoded.at(i));
        newSize = qMax(newSize, offset + RecordSize);
    }

    FileError error;
    QFile old(path);
    const bool exists = QFileInfo::exists(path);
    if (exists) {
        if (!openFile(old, QIODevice::ReadOnly, &error))
            return error;
        // A device or a pipe would be replaced by an ordinary file.
        if (!QFileInfo(path).isFile())
            return { path, QStringLiteral("it is not an ordinary file") };
        newSize = qMax(newSize, old.size());
    } else {
        const QFileInfo info(path);
        if (path.isEmpty() || !info.absoluteDir().exists()) {
            openFile(old, QIODevice::ReadOnly, &error); // names what is wrong
            return error;
        }
    }

    // The whole file is written anew next to the old one and then put in
    // its place in one step: a full disk or a crash half-way leaves the old
    // file as it was. A folder that takes no new files is written in place.
    QSaveFile out(path);
    out.setDirectWriteFallback(true);
    if (!out.open(QIODevice::WriteOnly)) // a folder was refused when opened above
        return { path, WholeFile::reason(out) };
    constexpr qint64 Chunk = 64 * RecordSize * 8;
    QByteArray buffer;
    for (qint64 at = 0; at < newSize; at += Chunk) {
        const qint64 length = qMin(Chunk, newSize - at);
        buffer = exists ? old.read(length) : QByteArray();
        if (exists && buffer.size() < length && old.error() != QFileDevice::NoError) {
            error = { path, WholeFile::reason(old) };
            break;
        }
        // Past the old end the file grows with zero bytes.
        buffer.append(QByteArray(length - buffer.size(), '\0'));
        for (auto it = patches.lowerBound(at); it != patches.cend() && it.key() < at + length; ++it)
            std::memcpy(buffer.data() + (it.key() - at), it.value().constData(), RecordSize);
        if (out.write(buffer) != length) {
            error = { path, WholeFile::reason(out) };
            break;
        }
    }
    old.close();
    if (error.isError()) {
        out.cancelWriting();
        return error;
    }
    if (const QString why = WholeFile::commit(out); !why.isEmpty())
        error = { path, why };
    return error;
}
