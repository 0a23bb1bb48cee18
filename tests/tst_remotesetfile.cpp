#include "ansitext.h"
#include "paths.h"
#include "remotesetfile.h"
#include "testsupport.h"

#include <QtTest>

#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(RecordValue)

using Kind = RecordValue::Kind;

class TstRemoteSetFile : public QObject
{
    Q_OBJECT

private slots:
    void recordMap_data();
    void recordMap();
    void recordMapCoversEachRecordOnce();

    void goldenBytes_data();
    void goldenBytes();

    void growthWithZeroBytesAndReadsPastEnd();
    void neverTruncatesAndKeepsOtherRecords();
    void captionLength_data();
    void captionLength();
    void refusedValueWritesNothing();
    void emptyTextVersusEmptyRecord();

    void ansiRoundTrip();
    void ansiUnmappable_data();
    void ansiUnmappable();

    void corruptRecords_data();
    void corruptRecords();
    void truncatedLastRecord();

    void numberToText_data();
    void numberToText();
    void setNumberRule_data();
    void setNumberRule();

    void failuresNamePathAndReason_data();
    void failuresNamePathAndReason();
    void diskFull();
};

void TstRemoteSetFile::recordMap_data()
{
    QTest::addColumn<int>("remote");
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("record");
    const int expected[3][12] = {
        { 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 40, 41 },
        { 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 42, 43 },
        { 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 44, 45 },
    };
    for (int r = 1; r <= 3; ++r)
        for (int b = 1; b <= 12; ++b)
            QTest::addRow("remote %d button %d", r, b) << r << b << expected[r - 1][b - 1];
}

void TstRemoteSetFile::recordMap()
{
    QFETCH(int, remote);
    QFETCH(int, button);
    QFETCH(int, record);
    QCOMPARE(RemoteSetFile::recordNumber(remote, button), record);
    QCOMPARE(RemoteSetFile::remoteRecords(remote).at(button - 1), record);
}

void TstRemoteSetFile::recordMapCoversEachRecordOnce()
{
    QList<int> all;
    for (int r = 1; r <= 3; ++r)
        all += RemoteSetFile::remoteRecords(r);
    std::sort(all.begin(), all.end());
    QList<int> expected;
    for (int n = 10; n <= 45; ++n)
        expected.append(n);
    QCOMPARE(all, expected);
}

void TstRemoteSetFile::goldenBytes_data()
{
    QTest::addColumn<int>("record");
    QTest::addColumn<RecordValue>("value");
    QTest::addColumn<QByteArray>("start");
    QTest::newRow("record 1 is the text 3") << 1 << RecordValue::fromText("3") << QByteArray::fromHex("0800010033");
    QTest::newRow("caption TV") << 2 << RecordValue::fromText("TV") << QByteArray::fromHex("080002005456");
    QTest::newRow("set number 58") << 5 << RecordValue::fromNumber(58) << QByteArray::fromHex("05000000000000004d40");
    QTest::newRow("empty caption") << 10 << RecordValue::fromText("") << QByteArray::fromHex("08000000");
    QTest::newRow("empty value") << 11 << RecordValue::empty() << QByteArray::fromHex("0000");
    QTest::newRow("euro sign in 1252") << 12 << RecordValue::fromText(QString::fromUtf8("5\u20ac")) << QByteArray::fromHex("0800020035" "80");
}

void TstRemoteSetFile::goldenBytes()
{
    QFETCH(int, record);
    QFETCH(RecordValue, value);
    QFETCH(QByteArray, start);
    WorkDir dir;
    const QString path = dir.file("golden.lmr");
    QVERIFY(!RemoteSetFile::writeRecords(path, { { record, value } }));
    const QByteArray bytes = SetFiles::bytes(path);
    QCOMPARE(bytes.size(), record * 128);
    const QByteArray rec = bytes.mid((record - 1) * 128);
    QCOMPARE(rec.left(start.size()).toHex(), start.toHex());
    // Everything before the record is zero filler, and so is what follows
    // the value inside it.
    QCOMPARE(bytes.left((record - 1) * 128), QByteArray((record - 1) * 128, '\0'));
    QCOMPARE(rec.mid(start.size()), QByteArray(128 - start.size(), '\0'));
    // And it reads back as written.
    const QList<RecordValue> back = RemoteSetFile::readRecords(path, { record });
    QCOMPARE(back.size(), 1);
    QCOMPARE(back.first(), value);
}

void TstRemoteSetFile::growthWithZeroBytesAndReadsPastEnd()
{
    WorkDir dir;
    const QString path = dir.file("grow.lmr");
    SetFiles::write(path, { { 1, RecordValue::fromText("3") }, { 5, RecordValue::fromNumber(7) } });
    QCOMPARE(SetFiles::bytes(path).size(), 5 * 128);
    // Buttons of remote 3 make the file 45 records long; 6..39 read empty.
    QList<QPair<int, RecordValue>> buttons;
    for (int n : RemoteSetFile::remoteRecords(3))
        buttons.append({ n, RecordValue::fromText("x") });
    QVERIFY(!RemoteSetFile::writeRecords(path, buttons));
    const QByteArray bytes = SetFiles::bytes(path);
    QCOMPARE(bytes.size(), 45 * 128);
    QCOMPARE(bytes.mid(5 * 128, 24 * 128), QByteArray(24 * 128, '\0'));

    QList<int> wanted;
    for (int n = 1; n <= 60; ++n)
        wanted.append(n);
    FileError error;
    const QList<RecordValue> values = RemoteSetFile::readRecords(path, wanted, &error);
    QVERIFY(!error);
    QCOMPARE(values.size(), 60);
    for (int n = 6; n <= 29; ++n)
        QCOMPARE(values.at(n - 1).kind, Kind::Empty);
    QCOMPARE(values.at(29).toText(), QStringLiteral("x"));
    for (int n = 46; n <= 60; ++n)
        QCOMPARE(values.at(n - 1).kind, Kind::Empty);
    QCOMPARE(values.at(4).toText(), QStringLiteral("7"));
}

void TstRemoteSetFile::neverTruncatesAndKeepsOtherRecords()
{
    WorkDir dir;
    const QString path = dir.file("keep.lmr");
    SetFiles::write(path, SetFiles::fullSet(58));
    const QByteArray before = SetFiles::bytes(path);
    SetFiles::write(path, { { 2, RecordValue::fromText("TV") } });
    const QByteArray after = SetFiles::bytes(path);
    QCOMPARE(after.size(), before.size());
    QCOMPARE(after.left(128), before.left(128));
    QCOMPARE(after.mid(256), before.mid(256));
    QCOMPARE(SetFiles::captionOf(path, 2), QStringLiteral("TV"));
}

void TstRemoteSetFile::captionLength_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("fits");
    QTest::newRow("124 ASCII bytes") << QString(124, 'a') << true;
    QTest::newRow("125 ASCII bytes") << QString(125, 'a') << false;
    QTest::newRow("124 one-byte accented") << QString(124, QChar(0xE9)) << true;
    QTest::newRow("125 one-byte accented") << QString(125, QChar(0xE9)) << false;
    QTest::newRow("62 astral characters") << QString::fromUcs4(U"\U0001F600").repeated(62) << true;
}

void TstRemoteSetFile::captionLength()
{
    QFETCH(QString, text);
    QFETCH(bool, fits);
    WorkDir dir;
    const QString path = dir.file("len.lmr");
    const FileError e = RemoteSetFile::writeRecords(path, { { 10, RecordValue::fromText(text) } });
    QCOMPARE(!e, fits);
    if (fits) {
        const QByteArray rec = SetFiles::record(path, 10);
        QCOMPARE(rec.size(), 128);
        QCOMPARE(int(uchar(rec.at(2))) | int(uchar(rec.at(3))) << 8, int(AnsiText::encode(text).size()));
        const QString back = SetFiles::captionOf(path, 10);
        // Astral characters do not exist in the code page: one '?' each.
        QCOMPARE(back, text.at(0).isHighSurrogate() ? QString(62, '?') : text);
    } else {
        QVERIFY(!QFile::exists(path));
        QVERIFY(e.reason.contains(QStringLiteral("125")));
        QVERIFY(!RemoteSetFile::checkValues({ RecordValue::fromText(text) }, { "Remote 1 Caption" }).isEmpty());
        QVERIFY(RemoteSetFile::checkValues({ RecordValue::fromText(text) }, { "Remote 1 Caption" })
                    .contains(QStringLiteral("Remote 1 Caption")));
    }
}

void TstRemoteSetFile::refusedValueWritesNothing()
{
    WorkDir dir;
    const QString path = dir.file("group.lmr");
    SetFiles::write(path, SetFiles::fullSet(3));
    const QByteArray before = SetFiles::bytes(path);
    // The bad value comes last: the good ones before it must not land.
    const FileError e = RemoteSetFile::writeRecords(path, { { 1, RecordValue::fromText("3") },
                                                            { 2, RecordValue::fromText("new") },
                                                            { 3, RecordValue::fromText(QString(200, 'z')) } });
    QVERIFY(e);
    QCOMPARE(e.path, path);
    QCOMPARE(SetFiles::bytes(path), before);
}

void TstRemoteSetFile::emptyTextVersusEmptyRecord()
{
    WorkDir dir;
    const QString path = dir.file("empty.lmr");
    SetFiles::write(path, { { 2, RecordValue::fromText(QString()) } });
    QCOMPARE(SetFiles::record(path, 2).left(4).toHex(), QByteArray("08000000"));
    QCOMPARE(SetFiles::record(path, 1).left(2).toHex(), QByteArray("0000"));
    const QList<RecordValue> v = RemoteSetFile::readRecords(path, { 1, 2, 3 });
    QCOMPARE(v.at(0).kind, Kind::Empty);
    QCOMPARE(v.at(1).kind, Kind::Text);
    QCOMPARE(v.at(2).kind, Kind::Empty);
    for (const RecordValue &x : v)
        QCOMPARE(x.toText(), QString());
}

void TstRemoteSetFile::ansiRoundTrip()
{
    // Every byte value decodes to one character and encodes back to itself.
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = AnsiText::decode(all);
    QCOMPARE(text.size(), 256);
    QCOMPARE(AnsiText::encode(text), all);
    QCOMPARE(AnsiText::decode(QByteArray("\x80\x99\xe9")), QString::fromUtf8("\u20ac\u2122\u00e9"));
}

void TstRemoteSetFile::ansiUnmappable_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("cyrillic") << QString::fromUtf8("TV \u0422\u0412") << QByteArray("TV ??");
    QTest::newRow("chinese") << QString::fromUtf8("\u7535\u89c6") << QByteArray("??");
    QTest::newRow("emoji is one ?") << QString::fromUtf8("a\U0001F4FAb") << QByteArray("a?b");
    QTest::newRow("latin-1 kept") << QString::fromUtf8("Caf\u00e9 \u00fc") << QByteArray("Caf\xe9 \xfc");
}

void TstRemoteSetFile::ansiUnmappable()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    const QByteArray got = AnsiText::encode(text);
    QCOMPARE(got, bytes);
    QVERIFY(!got.contains('\x1a'));
}

void TstRemoteSetFile::corruptRecords_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<QString>("text");
    auto rec = [](const QByteArray &start) { return start + QByteArray(128 - start.size(), 'Z'); };
    QTest::newRow("unknown tag 3") << rec(QByteArray::fromHex("030001000000")) << QString();
    QTest::newRow("unknown tag 0x0108") << rec(QByteArray::fromHex("0801")) << QString();
    QTest::newRow("text length 125") << rec(QByteArray::fromHex("08007d00")) << QString();
    QTest::newRow("text length 0xffff") << rec(QByteArray::fromHex("0800ffff")) << QString();
    QTest::newRow("text length 124") << rec(QByteArray::fromHex("08007c00")) << QString(124, 'Z');
    QTest::newRow("NaN") << rec(QByteArray::fromHex("0500000000000000f87f")) << QString();
    QTest::newRow("infinity") << rec(QByteArray::fromHex("0500000000000000f07f")) << QString();
    QTest::newRow("filler ignored") << rec(QByteArray::fromHex("0800020041424344")) << QStringLiteral("AB");
}

void TstRemoteSetFile::corruptRecords()
{
    QFETCH(QByteArray, record);
    QFETCH(QString, text);
    WorkDir dir;
    const QString path = dir.file("corrupt.lmr");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(record);
    f.write(RemoteSetFile::encode(RecordValue::fromText("next")));
    f.close();
    FileError error;
    const QList<RecordValue> v = RemoteSetFile::readRecords(path, { 1, 2 }, &error);
    QVERIFY(!error);
    QCOMPARE(v.at(0).toText(), text);
    QCOMPARE(v.at(1).toText(), QStringLiteral("next"));
}

void TstRemoteSetFile::truncatedLastRecord()
{
    WorkDir dir;
    const QString path = dir.file("short.lmr");
    QByteArray bytes = RemoteSetFile::encode(RecordValue::fromText("3"));
    bytes += QByteArray::fromHex("0800100041424344"); // says 16 bytes, has 4
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    const QList<RecordValue> v = RemoteSetFile::readRecords(path, { 1, 2, 3 });
    QCOMPARE(v.at(0).toText(), QStringLiteral("3"));
    QCOMPARE(v.at(1).kind, Kind::Empty);
    QCOMPARE(v.at(2).kind, Kind::Empty);

    // One byte into a record: not even a tag.
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QByteArray(128, '\0') + QByteArray(1, '\x08'));
    f.close();
    QCOMPARE(RemoteSetFile::readRecords(path, { 2 }).at(0).kind, Kind::Empty);
}

void TstRemoteSetFile::numberToText_data()
{
    QTest::addColumn<double>("number");
    QTest::addColumn<QString>("text");
    QTest::newRow("58") << 58.0 << "58";
    QTest::newRow("0") << 0.0 << "0";
    QTest::newRow("67655") << 67655.0 << "67655";
    QTest::newRow("negative whole") << -12.0 << "-12";
    QTest::newRow("half") << 0.5 << "0.5";
    QTest::newRow("shortest") << 0.1 << "0.1";
    QTest::newRow("fraction") << 58.25 << "58.25";
    QTest::newRow("huge") << 1e300 << "1e+300";
}

void TstRemoteSetFile::numberToText()
{
    QFETCH(double, number);
    QFETCH(QString, text);
    // A locale with a decimal comma must not leak into the file's texts.
    const QLocale old;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QString got = RecordValue::fromNumber(number).toText();
    QLocale::setDefault(old);
    QCOMPARE(got, text);
}

void TstRemoteSetFile::setNumberRule_data()
{
    QTest::addColumn<RecordValue>("record5");
    QTest::addColumn<QString>("text2");
    QTest::newRow("58") << RecordValue::fromNumber(58) << "58";
    QTest::newRow("0") << RecordValue::fromNumber(0) << "0";
    QTest::newRow("max") << RecordValue::fromNumber(67655) << "67655";
    QTest::newRow("over max") << RecordValue::fromNumber(67656) << "";
    QTest::newRow("negative") << RecordValue::fromNumber(-1) << "";
    QTest::newRow("fraction") << RecordValue::fromNumber(5.5) << "";
    QTest::newRow("huge") << RecordValue::fromNumber(1e300) << "";
    QTest::newRow("empty") << RecordValue::empty() << "";
    QTest::newRow("text digits") << RecordValue::fromText("123") << "123";
    QTest::newRow("text leading zeros") << RecordValue::fromText("007") << "7";
    QTest::newRow("text path") << RecordValue::fromText("../../x") << "";
    QTest::newRow("text slash") << RecordValue::fromText("5/6") << "";
    QTest::newRow("text backslash") << RecordValue::fromText("5\\6") << "";
    QTest::newRow("text dot") << RecordValue::fromText("5.0") << "";
    QTest::newRow("text sign") << RecordValue::fromText("+5") << "";
    QTest::newRow("text space") << RecordValue::fromText(" 5") << "";
    QTest::newRow("text too big") << RecordValue::fromText("99999") << "";
    QTest::newRow("text empty") << RecordValue::fromText("") << "";
}

void TstRemoteSetFile::setNumberRule()
{
    QFETCH(RecordValue, record5);
    QFETCH(QString, text2);
    QCOMPARE(Paths::setNumberText(record5), text2);
}

void TstRemoteSetFile::failuresNamePathAndReason_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("missing folder") << "nowhere/set.lmr";
    QTest::newRow("a folder") << "afolder";
    QTest::newRow("empty path") << "";
}

void TstRemoteSetFile::failuresNamePathAndReason()
{
    QFETCH(QString, name);
    WorkDir dir;
    QDir(dir.path()).mkdir("afolder");
    const QString path = name.isEmpty() ? QString() : dir.file(name);
    const FileError w = RemoteSetFile::writeRecords(path, { { 2, RecordValue::fromText("TV") } });
    QVERIFY(w);
    QCOMPARE(w.path, path);
    QVERIFY(!w.reason.isEmpty());
    QVERIFY(w.message().contains(QDir::toNativeSeparators(path)));
    FileError r;
    const QList<RecordValue> v = RemoteSetFile::readRecords(path, { 1 }, &r);
    QVERIFY(r);
    QVERIFY(v.isEmpty());
    QVERIFY(!QFile::exists(dir.file("nowhere")));
}

void TstRemoteSetFile::diskFull()
{
    if (!QFileInfo::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full here");
    const FileError e = RemoteSetFile::writeRecords(QStringLiteral("/dev/full"), { { 1, RecordValue::fromText("3") } });
    QVERIFY(e);
    QCOMPARE(e.path, QStringLiteral("/dev/full"));
}

QTEST_GUILESS_MAIN(TstRemoteSetFile)
#include "tst_remotesetfile.moc"
