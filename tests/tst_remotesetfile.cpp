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

using Records = QList<QPair<int, RecordValue>>;

static RecordValue text(const QString &t)
{
    return RecordValue::fromText(t);
}

class TstRemoteSetFile : public QObject
{
    Q_OBJECT

private slots:
    // Which record holds what, read back through the readers the program uses.
    // clang-format off
    void recordMap_data()
    {
        QTest::addColumn<int>("item"); // count, names 1-3, set number, then remotes 1-3 buttons 1-12
        QTest::addColumn<int>("record");
        const char *header[] = { "remote count", "name 1", "name 2", "name 3", "set number" };
        for (int i = 0; i < 5; ++i)
            QTest::newRow(header[i]) << i << i + 1;
        for (int r = 1; r <= 3; ++r) {
            const QList<int> records = SetFiles::remoteRecords(r);
            for (int b = 1; b <= 12; ++b)
                QTest::addRow("remote %d button %d", r, b) << 4 + 12 * (r - 1) + b << records[b - 1];
        }
    }
    // clang-format on

    void recordMap()
    {
        QFETCH(int, item);
        QFETCH(int, record);
        WorkDir dir;
        const QString path = dir.file("map.lmr");
        Records all; // record n holds the text "n"
        for (int n = 1; n <= 45; ++n)
            all.append({ n, text(QString::number(n)) });
        QVERIFY(!RemoteSetFile::writeRecords(path, all));
        const RemoteSetFile::Header header = RemoteSetFile::readHeader(path);
        QStringList got = header.remoteNames;
        got.prepend(SetFiles::captionOf(path, RemoteSetFile::RemoteCountRecord));
        got.append(header.setNumber.toText());
        for (int r = 1; r <= 3; ++r)
            got += RemoteSetFile::readRemoteCaptions(path, r);
        QCOMPARE(got.at(item), QString::number(record));
    }

    void records_data()
    {
        QTest::addColumn<QByteArray>("bytes");  // record 2 as stored
        QTest::addColumn<RecordValue>("value"); // what it reads as
        QTest::addColumn<bool>("ours");         // writing the value stores these bytes
        const auto rec = [](const char *hex, char filler) {
            const QByteArray start = QByteArray::fromHex(hex);
            return start + QByteArray(128 - start.size(), filler);
        };
        const RecordValue none;
        QTest::newRow("text 3") << rec("0800010033", 0) << text("3") << true;
        QTest::newRow("caption TV") << rec("080002005456", 0) << text("TV") << true;
        QTest::newRow("number 58") << rec("05000000000000004d40", 0) << RecordValue::fromNumber(58) << true;
        QTest::newRow("empty text") << rec("08000000", 0) << text("") << true;
        QTest::newRow("empty value") << rec("0000", 0) << none << true;
        QTest::newRow("euro in 1252") << rec("080002003580", 0) << text(QString::fromUtf8("5\u20ac")) << true;
        QTest::newRow("124 bytes") << rec("08007c00", 'Z') << text(QString(124, 'Z')) << true;
        // An accented letter is one byte in the code page, not two.
        QTest::newRow("124 accented") << rec("08007c00", '\xe9') << text(QString(124, QChar(0xE9))) << true;
        // What this program would not have written reads as empty.
        QTest::newRow("unknown tag") << rec("030001000000", 'Z') << none << false;
        QTest::newRow("tag 0x0108") << rec("0801", 'Z') << none << false;
        QTest::newRow("length 125") << rec("08007d00", 'Z') << none << false;
        QTest::newRow("length 0xffff") << rec("0800ffff", 'Z') << none << false;
        QTest::newRow("NaN") << rec("0500000000000000f87f", 'Z') << none << false;
        QTest::newRow("infinity") << rec("0500000000000000f07f", 'Z') << none << false;
        QTest::newRow("cut short text") << QByteArray::fromHex("0800100041424344") << none << false;
        QTest::newRow("cut short empty text") << QByteArray::fromHex("08000000") << text("") << false;
        QTest::newRow("cut short number") << QByteArray::fromHex("050000000000") << none << false;
        QTest::newRow("one byte") << QByteArray::fromHex("08") << none << false;
    }

    // Read between a record and the end of the file (past which records read as empty), then written.
    void records()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(RecordValue, value);
        QFETCH(bool, ours);
        WorkDir dir;
        const QString path = dir.file("records.lmr");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(RemoteSetFile::encode(text("first")) + bytes);
        f.close();
        FileError error;
        QCOMPARE(RemoteSetFile::readRecords(path, { 1, 2, 3 }, &error),
                 (QList<RecordValue>{ text("first"), value, {} }));
        QVERIFY(!error);
        if (ours) {
            SetFiles::write(path, { { 2, value } });
            QCOMPARE(SetFiles::bytes(path).mid(128).toHex(), bytes.toHex());
        }
    }

    void ansiText()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        QCOMPARE(AnsiText::decode(all).size(), 256);
        QCOMPARE(AnsiText::encode(AnsiText::decode(all)), all);
        // One '?' per character the code page cannot hold, never the substitute byte 0x1A.
        QCOMPARE(AnsiText::encode(QString::fromUtf8("TV \u0422\u0412 \u7535 a\U0001F4FAb\u0080")),
                 QByteArray("TV ?? ? a?b?"));
    }

    void saveIsAllOrNothing()
    {
        WorkDir dir;
        const QString path = dir.file("set.lmr");
        SetFiles::write(path, SetFiles::fullSet(58));
        const auto perms = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
        QVERIFY(QFile::setPermissions(path, perms));
        const QByteArray before = SetFiles::bytes(path);
        // Edit Buttons' twelve captions of remote 2, and a record past the end.
        Records group;
        for (int n : RemoteSetFile::remoteRecords(2))
            group.append({ n, text(QStringLiteral("new %1").arg(n)) });
        group.append({ 60, text("far") });

        // The disk fills up half-way: the child may write no file over 4 KiB.
        const pid_t child = ::fork();
        if (child == 0) {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{ 4096, 4096 };
            ::setrlimit(RLIMIT_FSIZE, &limit);
            const FileError e = RemoteSetFile::writeRecords(path, group);
            ::_exit(e.message().contains(path) ? 0 : 1);
        }
        int status = -1;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QCOMPARE(status, 0); // the child's error named the file
        QCOMPARE(SetFiles::bytes(path), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{ "set.lmr" });

        // With room: grown with zeros; then an early record rewritten truncates nothing.
        QVERIFY(!RemoteSetFile::writeRecords(path, group));
        group.append({ 2, text("TV") });
        SetFiles::write(path, { group.last() });
        QByteArray expected = before + QByteArray(15 * 128, '\0');
        for (const auto &[n, value] : group)
            expected.replace((n - 1) * 128, 128, RemoteSetFile::encode(value));
        QCOMPARE(SetFiles::bytes(path), expected);
        QCOMPARE(QFile::permissions(path), perms | QFileDevice::ReadUser | QFileDevice::WriteUser);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{ "set.lmr" });
    }

    void numbersAndSetNumbers_data()
    {
        QTest::addColumn<QString>("shown"); // as every reader of the file sees the value
        QTest::addColumn<RecordValue>("value");
        QTest::addColumn<QString>("setNumber"); // "" when it is none
        auto n = [](double x) { return RecordValue::fromNumber(x); };
        QTest::newRow("58") << "58" << n(58) << "58";
        QTest::newRow("max") << "67655" << n(67655) << "67655";
        QTest::newRow("over max") << "67656" << n(67656) << "";
        QTest::newRow("negative") << "-12" << n(-12) << "";
        QTest::newRow("fraction") << "58.25" << n(58.25) << "";
        QTest::newRow("shortest") << "0.1" << n(0.1) << "";
        QTest::newRow("huge") << "1e+300" << n(1e300) << "";
        QTest::newRow("empty") << "" << RecordValue::empty() << "";
        QTest::newRow("digits text") << "007" << text("007") << "7";
        QTest::newRow("path text") << "../../x" << text("../../x") << "";
        QTest::newRow("big text") << "99999" << text("99999") << "";
    }

    void numbersAndSetNumbers()
    {
        QFETCH(QString, shown);
        QFETCH(RecordValue, value);
        QFETCH(QString, setNumber);
        // A decimal comma in the user's locale must not leak into the texts.
        const QLocale old;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QString got = value.toText();
        QLocale::setDefault(old);
        QCOMPARE(got, shown);
        QCOMPARE(Paths::setNumberText(value), setNumber);
    }

    void failuresNamePathAndReason_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption"); // of record 10, after a good record 2
        QTest::addColumn<QString>("reason");
        const QString ok = QStringLiteral("ok");
        QTest::newRow("missing folder") << "nowhere/set.lmr" << ok << "the folder";
        QTest::newRow("a folder") << "afolder" << ok << "it is a folder";
        QTest::newRow("empty path") << "" << ok << "no file name";
        QTest::newRow("not an ordinary file") << "/dev/full" << ok << "not an ordinary file";
        QTest::newRow("125 ASCII") << "set.lmr" << QString(125, 'a') << "125 bytes";
        QTest::newRow("125 accented") << "set.lmr" << QString(125, QChar(0xE9)) << "125 bytes";
    }

    // Nothing is written, not even the good record; the error names the file.
    void failuresNamePathAndReason()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QString, reason);
        WorkDir dir;
        QDir(dir.path()).mkdir("afolder");
        const QString path = name.isEmpty() || name.startsWith('/') ? name : dir.file(name);
        // No file may grow meanwhile: should the checks ever let a write through, it fails before
        // anything (such as the system's /dev/full) is replaced.
        const auto handler = ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &limit), 0);
        const rlimit none{ 0, limit.rlim_max };
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &none), 0);
        const FileError w = RemoteSetFile::writeRecords(path, { { 2, text("TV") }, { 10, text(caption) } });
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::signal(SIGXFSZ, handler);
        QCOMPARE(w.path, path);
        QVERIFY2(w.reason.contains(reason), qPrintable(w.reason));
        QVERIFY(w.message().contains(path));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{ "afolder" });
        if (name.startsWith('/'))
            return; // a device can be read
        FileError r;
        QVERIFY(RemoteSetFile::readRecords(path, { 1 }, &r).isEmpty());
        QVERIFY(r.isError());
    }
};

QTEST_GUILESS_MAIN(TstRemoteSetFile)
#include "tst_remotesetfile.moc"
