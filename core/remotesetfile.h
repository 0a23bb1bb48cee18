#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// One value of the remote set file: empty, a number or a text.
struct RecordValue
{
    enum class Kind { Empty, Number, Text };

    Kind kind = Kind::Empty;
    double number = 0.0;
    QString text;

    static RecordValue empty() { return {}; }
    static RecordValue fromNumber(double n) { return { Kind::Number, n, {} }; }
    static RecordValue fromText(const QString &t) { return { Kind::Text, 0.0, t }; }

    // The value as every reader of the file uses it: empty gives "", a
    // text its characters, a number its decimal form ("58", "0.5").
    QString toText() const;

    bool operator==(const RecordValue &o) const
    {
        return kind == o.kind && (kind != Kind::Number || number == o.number)
            && (kind != Kind::Text || text == o.text);
    }
};

// What went wrong with a remote set file: the path and the reason.
struct FileError
{
    QString path;
    QString reason;

    bool isError() const { return !reason.isEmpty(); }
    explicit operator bool() const { return isError(); }
    QString message() const;
};

// The remote set file: 128-byte records, each holding one tagged value
// (tag 0 empty, 5 a little-endian double, 8 a 16-bit length and that many
// bytes of 8-bit text). Record numbers start at 1. The file has no header;
// records never written read as empty, and so does anything past its end.
//
// A file is opened, used and closed inside one operation. Opening creates a
// missing file and never truncates an existing one.
class RemoteSetFile
{
public:
    static constexpr int RecordSize = 128;
    static constexpr int MaxTextBytes = RecordSize - 4;

    // The header: the remote count (always written as the text "3"), the
    // names of remotes 1..3 and the set number.
    static constexpr int RemoteCountRecord = 1;
    static constexpr int remoteNameRecord(int remote) { return 1 + remote; }
    static constexpr int SetNumberRecord = 5;
    // Record number of button 1..12 of remote 1..3.
    static int recordNumber(int remote, int button);
    // The twelve records of a remote, buttons 1 to 12 in order.
    static QList<int> remoteRecords(int remote);

    // Bytes of one record as written (exactly 128, zero filler), or an
    // error when the value cannot be stored (a text over 124 bytes).
    static QByteArray encode(const RecordValue &value, QString *error = nullptr);
    // Reads one record from whatever bytes are there (fewer than 128 when
    // the file ends inside it). Anything this program would not have
    // written (an unknown tag, a length that runs past the record, NaN or
    // infinity) reads as empty.
    static RecordValue decode(const char *data, qsizetype size);

    // Reads the given records in the order given, within one opening.
    // A path that names no file is an error here: callers test FileExists
    // first, as reading must never create a file.
    static QList<RecordValue> readRecords(const QString &path, const QList<int> &records,
                                          FileError *error = nullptr);
    // The remote names (texts of remotes 1..3) and the set number, within
    // one opening; no names (with 'error' set) when the file cannot be read.
    struct Header
    {
        QStringList remoteNames;
        RecordValue setNumber;
    };
    static Header readHeader(const QString &path, FileError *error = nullptr);
    // The twelve button captions of remote 1..3 as text, buttons 1 to 12,
    // within one opening; empty (with 'error' set) when the file cannot be read.
    static QStringList readRemoteCaptions(const QString &path, int remote, FileError *error = nullptr);
    // Writes the given records as if one after the other (growing the file
    // with zero bytes, never truncating it), all or nothing: the new file is
    // written beside the old one and replaces it in one step, keeping its
    // permissions, so a full disk or a crash leaves the old file byte for
    // byte. Every value is checked before anything is written. (In a folder
    // that takes no new files, the file is written in place.)
    static FileError writeRecords(const QString &path, const QList<QPair<int, RecordValue>> &records);
    // Checks that every value can be stored, naming the first that cannot.
    // 'names' gives each value a name for the message (may be shorter).
    static QString checkValues(const QList<RecordValue> &values, const QStringList &names = {});
};
