#include "ansitext.h"
#include "paths.h"
#include "remotesetfile.h"
#include "testsupport.h"

#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

Q_DECLARE_METATYPE(RecordValue)

using Kind = RecordValue::Kind;

class TstRemoteSetFile : public QObject
{
    Q_OBJECT

private slots:
    void recordMap_data();
    void recordMap();
    void goldenBytes_data();
    void goldenBytes();
    void growsWithZerosNeverTruncates();
    void saveIsAllOrNothing();
    void captionLength_data();
    void captionLength();
    void refusedValueWritesNothing();
    void ansiText();
    void foreignRecords_data();
    void foreignRecords();
    void numbersAndSetNumbers_data();
    void numbersAndSetNumbers();
    void failuresNamePathAndReason_data();
    void failuresNamePathAndReason();
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

void TstRemoteSetFile::goldenBytes_data()
{
    QTest::addColumn<int>("record");
    QTest::addColumn<RecordValue>("value");
    QTest::addColumn<QByteArray>("start");
    QTest::newRow("record 1 is the text 3")
        << 1 << RecordValue::fromText("3") << QByteArray::fromHex("0800010033");
    QTest::newRow("caption TV") << 2 << RecordValue::fromText("TV") << QByteArray::fromHex("080002005456");
    QTest::newRow("set number 58") << 5 << RecordValue::fromNumber(58)
                                   << QByteArray::fromHex("05000000000000004d40");
    QTest::newRow("empty text") << 10 << RecordValue::fromText("") << QByteArray::fromHex("08000000");
    QTest::newRow("empty value") << 11 << RecordValue::empty() << QByteArray::fromHex("0000");
    QTest::newRow("euro in 1252") << 12 << RecordValue::fromText(QString::fromUtf8("5\u20ac"))
                                  << QByteArray::fromHex("080002003580");
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
    const QByteArray expected = QByteArray((record - 1) * 128, '\0') + start
        + QByteArray(128 - start.size(), '\0');
    QCOMPARE(bytes.toHex(), expected.toHex());
    // Read back, an empty text stays a text and an empty value stays empty.
    const QList<RecordValue> back = RemoteSetFile::readRecords(path, { record });
    QCOMPARE(back.size(), 1);
    QCOMPARE(back.first(), value);
    QCOMPARE(back.first().kind, value.kind);
}

void TstRemoteSetFile::growsWithZerosNeverTruncates()
{
    WorkDir dir;
    const QString path = dir.file("grow.lmr");
    SetFiles::write(path, { { 1, RecordValue::fromText("3") }, { 5, RecordValue::fromNumber(7) } });
    QCOMPARE(SetFiles::bytes(path).size(), 5 * 128);
    // Buttons of remote 3 make the file 45 records long; 6..29 are zeros.
    QList<QPair<int, RecordValue>> buttons;
    for (int n : RemoteSetFile::remoteRecords(3))
        buttons.append({ n, RecordValue::fromText("x") });
    QVERIFY(!RemoteSetFile::writeRecords(path, buttons));
    const QByteArray bytes = SetFiles::bytes(path);
    QCOMPARE(bytes.size(), 45 * 128);
    QCOMPARE(bytes.mid(5 * 128, 24 * 128), QByteArray(24 * 128, '\0'));

    // Rewriting an early record keeps the file's length and every other byte.
    SetFiles::write(path, { { 2, RecordValue::fromText("TV") } });
    const QByteArray after = SetFiles::bytes(path);
    QCOMPARE(after.size(), bytes.size());
    QCOMPARE(after.left(128), bytes.left(128));
    QCOMPARE(after.mid(256), bytes.mid(256));

    QList<int> wanted;
    for (int n = 1; n <= 60; ++n)
        wanted.append(n);
    FileError error;
    const QList<RecordValue> values = RemoteSetFile::readRecords(path, wanted, &error);
    QVERIFY(!error);
    QCOMPARE(values.size(), 60);
    QStringList texts;
    for (const RecordValue &v : values)
        texts.append(v.kind == Kind::Empty ? QStringLiteral("-") : v.toText());
    QCOMPARE(texts.mid(0, 6), (QStringList{ "3", "TV", "-", "-", "7", "-" }));
    QCOMPARE(texts.mid(29, 10), QStringList(10, "x"));
    QCOMPARE(texts.mid(45), QStringList(15, "-")); // past the end
}

void TstRemoteSetFile::saveIsAllOrNothing()
{
    WorkDir dir;
    const QString path = dir.file("set.lmr");
    SetFiles::write(path, SetFiles::fullSet(58));
    QVERIFY(QFile::setPermissions(path,
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup));
    const QByteArray before = SetFiles::bytes(path);
    // Edit Buttons' group: twelve captions of remote 2 (and more past the end).
    QList<QPair<int, RecordValue>> group;
    for (int n : RemoteSetFile::remoteRecords(2))
        group.append({ n, RecordValue::fromText(QStringLiteral("new %1").arg(n)) });
    group.append({ 60, RecordValue::fromText("far") });

    // The disk fills up half-way: a child process may write no file larger
    // than 4 KiB, less than the new set needs.
    int pipeFds[2];
    QCOMPARE(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{ 4096, 4096 };
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const QByteArray message = RemoteSetFile::writeRecords(path, group).message().toUtf8();
        ::write(pipeFds[1], message.constData(), size_t(message.size()));
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    QByteArray message;
    char buffer[512];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        message.append(buffer, n);
    ::close(pipeFds[0]);
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY2(message.contains(path.toUtf8()), message.constData());
    QCOMPARE(SetFiles::bytes(path), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{ "set.lmr" });

    // With room: every record of the group, the rest as it was, and the
    // file's permissions kept.
    QVERIFY(!RemoteSetFile::writeRecords(path, group));
    const QByteArray after = SetFiles::bytes(path);
    QCOMPARE(after.size(), 60 * 128);
    const QList<int> written = RemoteSetFile::remoteRecords(2);
    for (int n = 1; n <= 45; ++n) {
        if (!written.contains(n))
            QCOMPARE(after.mid((n - 1) * 128, 128), before.mid((n - 1) * 128, 128));
    }
    QCOMPARE(after.mid(45 * 128, 14 * 128), QByteArray(14 * 128, '\0'));
    QCOMPARE(SetFiles::captionOf(path, RemoteSetFile::recordNumber(2, 11)), QStringLiteral("new 42"));
    QCOMPARE(SetFiles::captionOf(path, 60), QStringLiteral("far"));
    QCOMPARE(QFile::permissions(path),
             QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser
                 | QFileDevice::ReadGroup);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{ "set.lmr" });
}

void TstRemoteSetFile::captionLength_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("fits");
    QTest::newRow("124 ASCII") << QString(124, 'a') << true;
    QTest::newRow("125 ASCII") << QString(125, 'a') << false;
    // Accented letters are one byte each in the code page, not two.
    QTest::newRow("124 accented") << QString(124, QChar(0xE9)) << true;
    QTest::newRow("125 accented") << QString(125, QChar(0xE9)) << false;
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
        QCOMPARE(SetFiles::record(path, 10).left(4).toHex(), QByteArray("08007c00")); // no filler left
        QCOMPARE(SetFiles::captionOf(path, 10), text);
    } else {
        QVERIFY(!QFile::exists(path));
        QVERIFY(e.reason.contains(QStringLiteral("125")));
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
    const FileError e = RemoteSetFile::writeRecords(
        path, { { 2, RecordValue::fromText("new") }, { 3, RecordValue::fromText(QString(200, 'z')) } });
    QVERIFY(e);
    QCOMPARE(e.path, path);
    QCOMPARE(SetFiles::bytes(path), before);
}

void TstRemoteSetFile::ansiText()
{
    // Every byte decodes to one character and encodes back to itself.
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = AnsiText::decode(all);
    QCOMPARE(text.size(), 256);
    QCOMPARE(AnsiText::encode(text), all);
    QCOMPARE(AnsiText::decode(QByteArray("\x80\x99\xe9")), QString::fromUtf8("\u20ac\u2122\u00e9"));
    // What the code page cannot hold becomes '?', one per character, never
    // the substitute byte 0x1A.
    QCOMPARE(AnsiText::encode(QString::fromUtf8("TV \u0422\u0412 \u7535 a\U0001F4FAb")),
             QByteArray("TV ?? ? a?b"));
}

void TstRemoteSetFile::foreignRecords_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<QString>("text");
    auto rec = [](const QByteArray &start) { return start + QByteArray(128 - start.size(), 'Z'); };
    QTest::newRow("unknown tag") << rec(QByteArray::fromHex("030001000000")) << QString();
    QTest::newRow("tag 0x0108") << rec(QByteArray::fromHex("0801")) << QString();
    QTest::newRow("length 125") << rec(QByteArray::fromHex("08007d00")) << QString();
    QTest::newRow("length 0xffff") << rec(QByteArray::fromHex("0800ffff")) << QString();
    QTest::newRow("length 124") << rec(QByteArray::fromHex("08007c00")) << QString(124, 'Z');
    QTest::newRow("NaN") << rec(QByteArray::fromHex("0500000000000000f87f")) << QString();
    QTest::newRow("infinity") << rec(QByteArray::fromHex("0500000000000000f07f")) << QString();
    QTest::newRow("cut short text") << QByteArray::fromHex("0800100041424344") << QString();
    QTest::newRow("cut short number") << QByteArray::fromHex("050000000000") << QString();
    QTest::newRow("one byte") << QByteArray::fromHex("08") << QString();
}

void TstRemoteSetFile::foreignRecords()
{
    QFETCH(QByteArray, record);
    QFETCH(QString, text);
    WorkDir dir;
    const QString path = dir.file("foreign.lmr");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(RemoteSetFile::encode(RecordValue::fromText("first")) + record);
    f.close();
    FileError error;
    const QList<RecordValue> v = RemoteSetFile::readRecords(path, { 1, 2, 3 }, &error);
    QVERIFY(!error);
    QCOMPARE(v.at(0).toText(), QStringLiteral("first"));
    QCOMPARE(v.at(1).toText(), text);
    QCOMPARE(v.at(2).kind, Kind::Empty);
}

void TstRemoteSetFile::numbersAndSetNumbers_data()
{
    QTest::addColumn<RecordValue>("value");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("setNumber");
    auto n = [](double x) { return RecordValue::fromNumber(x); };
    auto t = [](const char *s) { return RecordValue::fromText(QString::fromLatin1(s)); };
    QTest::newRow("58") << n(58) << "58"
                        << "58";
    QTest::newRow("0") << n(0) << "0"
                       << "0";
    QTest::newRow("max") << n(67655) << "67655"
                         << "67655";
    QTest::newRow("over max") << n(67656) << "67656"
                              << "";
    QTest::newRow("negative") << n(-12) << "-12"
                              << "";
    QTest::newRow("fraction") << n(58.25) << "58.25"
                              << "";
    QTest::newRow("shortest") << n(0.1) << "0.1"
                              << "";
    QTest::newRow("huge") << n(1e300) << "1e+300"
                          << "";
    QTest::newRow("empty") << RecordValue::empty() << ""
                           << "";
    QTest::newRow("digits text") << t("007") << "007"
                                 << "7";
    QTest::newRow("path text") << t("../../x") << "../../x"
                               << "";
    QTest::newRow("backslash text") << t("5\\6") << "5\\6"
                                    << "";
    QTest::newRow("dot text") << t("5.0") << "5.0"
                              << "";
    QTest::newRow("signed text") << t("+5") << "+5"
                                 << "";
    QTest::newRow("big text") << t("99999") << "99999"
                              << "";
}

void TstRemoteSetFile::numbersAndSetNumbers()
{
    QFETCH(RecordValue, value);
    QFETCH(QString, text);
    QFETCH(QString, setNumber);
    // A decimal comma in the user's locale must not leak into the texts.
    const QLocale old;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QString got = value.toText();
    QLocale::setDefault(old);
    QCOMPARE(got, text);
    QCOMPARE(Paths::setNumberText(value), setNumber);
}

void TstRemoteSetFile::failuresNamePathAndReason_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("missing folder") << "nowhere/set.lmr";
    QTest::newRow("a folder") << "afolder";
    QTest::newRow("empty path") << "";
    QTest::newRow("disk full") << "/dev/full";
}

void TstRemoteSetFile::failuresNamePathAndReason()
{
    QFETCH(QString, name);
    WorkDir dir;
    QDir(dir.path()).mkdir("afolder");
    const QString path = name.isEmpty() || name.startsWith('/') ? name : dir.file(name);
    const FileError w = RemoteSetFile::writeRecords(path, { { 2, RecordValue::fromText("TV") } });
    QVERIFY(w);
    QCOMPARE(w.path, path);
    QVERIFY(!w.reason.isEmpty());
    QVERIFY(w.message().contains(QDir::toNativeSeparators(path)));
    QVERIFY(!QFile::exists(dir.file("nowhere")));
    if (path != QLatin1String("/dev/full")) {
        FileError r;
        QVERIFY(RemoteSetFile::readRecords(path, { 1 }, &r).isEmpty());
        QVERIFY(r);
    }
}

QTEST_GUILESS_MAIN(TstRemoteSetFile)
#include "tst_remotesetfile.moc"
