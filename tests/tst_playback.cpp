// Remote selection (Remotes > remote1..remote3) and the twelve play buttons.
#include "mainwindow.h"
#include "module1.h"
#include "testsupport.h"

#include <QAction>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

const QStringList kDefaultCaptions = [] {
    QStringList c;
    for (int n = 1; n <= 12; ++n)
        c << QStringLiteral("Button %1").arg(n);
    return c;
}();

// A set whose record n holds the text "rec<n>" (records 1 to 45), so every
// caption tells which record it was read from. Record 5 is the set number.
QMap<int, RecordValue> numberedSet(double setNumber)
{
    QMap<int, RecordValue> m;
    for (int n = 1; n <= 45; ++n)
        m.insert(n, RecordValue::fromText(QStringLiteral("rec%1").arg(n)));
    m.insert(5, RecordValue::fromNumber(setNumber));
    return m;
}

QStringList recordCaptions(const QList<int> &records)
{
    QStringList c;
    for (int n : records)
        c << QStringLiteral("rec%1").arg(n);
    return c;
}

// A recording as the recorder would leave it (the content is the tools').
void touch(const QString &path)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("signal\n");
}

void showWindow(MainWindow &w)
{
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
}

void press(MainWindow &w, int button)
{
    QTest::mouseClick(w.button(button), Qt::LeftButton);
}

} // namespace

class TstPlayback : public QObject
{
    Q_OBJECT

private slots:
    void selectRemoteReadsItsRecords_data();
    void selectRemoteReadsItsRecords();
    void selectRemoteRereadsTheFile();
    void selectRemoteWithoutFile_data();
    void selectRemoteWithoutFile();

    void noCurrentRemotePlaysNothing_data();
    void noCurrentRemotePlaysNothing();
    void missingRecording();
    void playPassesThePath_data();
    void playPassesThePath();
    void unusableSetNumber_data();
    void unusableSetNumber();

    void nestedPlaysFinishInnerFirst();
    void remoteChosenDuringPlayCountsLater();
};

void TstPlayback::selectRemoteReadsItsRecords_data()
{
    QTest::addColumn<int>("remote");
    QTest::addColumn<QList<int>>("records");
    // Buttons 1-10, then 11 and 12 from the records after 39.
    QTest::newRow("remote 1") << 1 << QList<int> { 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 40, 41 };
    QTest::newRow("remote 2") << 2 << QList<int> { 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 42, 43 };
    QTest::newRow("remote 3") << 3 << QList<int> { 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 44, 45 };
}

void TstPlayback::selectRemoteReadsItsRecords()
{
    QFETCH(int, remote);
    QFETCH(QList<int>, records);
    WorkDir work;
    MessageScript messages;
    SetFiles::write(work.file("remotes.lmr"), numberedSet(58));
    MainWindow w;
    // Start with another remote current, so every caption has to change.
    w.remoteItem(remote == 1 ? 2 : 1)->trigger();

    w.remoteItem(remote)->trigger();

    QCOMPARE(w.text4(), QString::number(remote));
    QCOMPARE(w.buttonCaptions(), recordCaptions(records));
    // Nothing else changes.
    QCOMPARE(w.text2(), QStringLiteral("58"));
    QCOMPARE(w.text1(), work.file("remotes.lmr"));
    QCOMPARE(w.remoteCaptions(), (QStringList { "rec2", "rec3", "rec4" }));
    QVERIFY(!w.remoteItem(remote)->isChecked());
    QVERIFY(messages.shown.isEmpty());
}

void TstPlayback::selectRemoteRereadsTheFile()
{
    WorkDir work;
    MessageScript messages;
    const QString set = work.file("remotes.lmr");
    SetFiles::write(set, numberedSet(58));
    MainWindow w;
    w.remoteItem(2)->trigger();

    // Change remote 1's captions in the file behind the window's back.
    QMap<int, RecordValue> changed;
    for (int n : { 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 40, 41 })
        changed.insert(n, RecordValue::fromText(QStringLiteral("new%1").arg(n)));
    SetFiles::write(set, changed);

    w.remoteItem(1)->trigger();
    QCOMPARE(w.button(10)->text(), QStringLiteral("new19"));
    QCOMPARE(w.button(11)->text(), QStringLiteral("new40"));
    QCOMPARE(w.button(12)->text(), QStringLiteral("new41"));

    // Records the file lacks read as empty captions.
    QFile::resize(set, 10 * RemoteSetFile::RecordSize);
    w.remoteItem(3)->trigger();
    QCOMPARE(w.text4(), QStringLiteral("3"));
    QCOMPARE(w.buttonCaptions(), QStringList(12, QString()));
    QVERIFY(messages.shown.isEmpty());
}

void TstPlayback::selectRemoteWithoutFile_data()
{
    QTest::addColumn<int>("remote");
    QTest::addColumn<bool>("loadedFirst");
    for (int r = 1; r <= 3; ++r) {
        QTest::addRow("fresh start, remote %d", r) << r << false;
        QTest::addRow("file gone, remote %d", r) << r << true;
    }
}

void TstPlayback::selectRemoteWithoutFile()
{
    QFETCH(int, remote);
    QFETCH(bool, loadedFirst);
    WorkDir work;
    MessageScript messages;
    if (loadedFirst)
        SetFiles::write(work.file("remotes.lmr"), numberedSet(58));
    MainWindow w;
    if (loadedFirst)
        QVERIFY(QFile::remove(work.file("remotes.lmr")));
    const QString text4 = w.text4();
    const QStringList captions = w.buttonCaptions();
    QCOMPARE(text4, QLatin1String(loadedFirst ? "1" : "0"));
    QCOMPARE(captions == kDefaultCaptions, !loadedFirst);

    w.remoteItem(remote)->trigger();

    QCOMPARE(messages.shown.size(), 1);
    const Messages::Request box = messages.shown.first();
    QCOMPARE(box.text, QStringLiteral("You have to load a File"));
    QCOMPARE(box.title, QStringLiteral("Lumo Control Software"));
    QCOMPARE(box.buttons, Messages::Buttons::Ok);
    QCOMPARE(box.icon, Messages::Icon::None);
    QCOMPARE(w.text4(), text4);
    QCOMPARE(w.buttonCaptions(), captions);
    // Reading never creates the file.
    QVERIFY(!QFile::exists(work.file("remotes.lmr")));
}

void TstPlayback::noCurrentRemotePlaysNothing_data()
{
    QTest::addColumn<QString>("text4");
    // Only the exact texts "1", "2" and "3" name a remote.
    QTest::newRow("none yet") << QStringLiteral("0");
    QTest::newRow("empty") << QString();
    QTest::newRow("leading zero") << QStringLiteral("01");
    QTest::newRow("leading space") << QStringLiteral(" 1");
    QTest::newRow("trailing space") << QStringLiteral("1 ");
    QTest::newRow("remote 4") << QStringLiteral("4");
}

void TstPlayback::noCurrentRemotePlaysNothing()
{
    QFETCH(QString, text4);
    WorkDir work;
    MessageScript messages;
    FakeTools tools;
    SetFiles::write(work.file("remotes.lmr"), numberedSet(58));
    for (int r = 0; r <= 4; ++r)
        touch(work.file(QStringLiteral("data/58/R%1B1.lmc").arg(r)));
    touch(work.file(QStringLiteral("data/58/RB1.lmc")));
    MainWindow w;
    showWindow(w);
    w.setText4(text4);

    press(w, 1);

    QVERIFY(messages.shown.isEmpty());
    QVERIFY(tools.log().isEmpty());
}

void TstPlayback::missingRecording()
{
    WorkDir work;
    MessageScript messages;
    FakeTools tools;
    SetFiles::write(work.file("remotes.lmr"), numberedSet(58));
    touch(work.file("data/58/R1B2.lmc")); // another button's recording
    MainWindow w;
    showWindow(w);

    press(w, 1);

    QCOMPARE(messages.shown.size(), 1);
    const Messages::Request box = messages.shown.first();
    QCOMPARE(box.text, QStringLiteral("Command does not exist"));
    QCOMPARE(box.title, QStringLiteral("Command Not Found"));
    QCOMPARE(box.icon, Messages::Icon::Error);
    QCOMPARE(box.buttons, Messages::Buttons::Ok);
    QVERIFY(tools.log().isEmpty());
}

void TstPlayback::playPassesThePath_data()
{
    QTest::addColumn<int>("remote");
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("fileName");
    QTest::newRow("remote 1 button 1") << 1 << 1 << "plain" << "R1B1.lmc";
    QTest::newRow("remote 1 button 10") << 1 << 10 << "plain" << "R1B10.lmc";
    QTest::newRow("remote 2 button 11") << 2 << 11 << "plain" << "R2B11.lmc";
    QTest::newRow("remote 3 button 12") << 3 << 12 << "plain" << "R3B12.lmc";
    QTest::newRow("folder with spaces") << 2 << 5 << "my remotes  here" << "R2B5.lmc";
    QTest::newRow("shell characters") << 3 << 12 << "a;b $(echo x) & 'q' \"d\" `e` |f" << "R3B12.lmc";
}

void TstPlayback::playPassesThePath()
{
    QFETCH(int, remote);
    QFETCH(int, button);
    QFETCH(QString, folder);
    QFETCH(QString, fileName);
    WorkDir work;
    MessageScript messages;
    FakeTools tools;
    const QString dir = work.file(folder);
    QVERIFY(QDir().mkpath(dir));
    QVERIFY(QDir::setCurrent(dir));
    SetFiles::write(dir + "/remotes.lmr", numberedSet(58));
    const QString expected = dir + "/data/58/" + fileName;
    touch(expected);
    MainWindow w;
    showWindow(w);
    w.remoteItem(remote)->trigger();

    press(w, button);

    QVERIFY2(messages.shown.isEmpty(), qPrintable(messages.texts().join('|')));
    QCOMPARE(tools.arguments("irplay.exe"), QStringList { expected });
    QVERIFY(tools.arguments("irrecord.exe").isEmpty());
    QCOMPARE(tools.log().last(), QStringLiteral("irplay.exe done"));
    QCOMPARE(ToolRunner::activeWaits(), 0);
}

void TstPlayback::unusableSetNumber_data()
{
    QTest::addColumn<QString>("text2");
    QTest::newRow("empty (record 5 never written)") << QString();
    QTest::newRow("not a number") << QStringLiteral("abc");
    QTest::newRow("a path") << QStringLiteral("../58");
}

void TstPlayback::unusableSetNumber()
{
    QFETCH(QString, text2);
    WorkDir work;
    MessageScript messages;
    FakeTools tools;
    SetFiles::write(work.file("remotes.lmr"), numberedSet(58));
    // Whatever the odd set number would point at exists.
    touch(work.file("data/R1B1.lmc"));
    touch(work.file("data/abc/R1B1.lmc"));
    touch(work.file("58/R1B1.lmc"));
    MainWindow w;
    showWindow(w);
    w.setText2(text2);

    press(w, 1);

    QCOMPARE(messages.texts(), QStringList { "Command does not exist" });
    QVERIFY(tools.log().isEmpty());
}

void TstPlayback::nestedPlaysFinishInnerFirst()
{
    WorkDir work;
    MessageScript messages;
    FakeTools tools;
    SetFiles::write(work.file("remotes.lmr"), numberedSet(58));
    touch(work.file("data/58/R1B1.lmc"));
    touch(work.file("data/58/R1B2.lmc"));
    MainWindow w;
    showWindow(w);

    // The first tool ends long before the second, yet the first press's
    // handling can only finish after the second's.
    tools.setSleepMs(300);
    QStringList order;
    bool enabledDuringPlay = false;
    int waitsDuringInner = -1;
    int waitsAfterInner = -1;
    QStringList logDuringInner;
    QTimer::singleShot(100, &w, [&] {
        enabledDuringPlay = w.isEnabled();
        tools.setSleepMs(1000);
        QTimer::singleShot(600, &w, [&] {
            waitsDuringInner = ToolRunner::activeWaits();
            logDuringInner = tools.log();
        });
        press(w, 2);
        waitsAfterInner = ToolRunner::activeWaits();
        order << QStringLiteral("inner returned");
    });
    QElapsedTimer clock;
    clock.start();
    press(w, 1);
    order << QStringLiteral("outer returned");

    QCOMPARE(order, (QStringList { "inner returned", "outer returned" }));
    QVERIFY(enabledDuringPlay);
    // 700 ms in: the first tool has ended, but both waits are still there.
    QCOMPARE(waitsDuringInner, 2);
    QCOMPARE(logDuringInner.size(), 3);
    QCOMPARE(logDuringInner.at(2), QStringLiteral("irplay.exe done"));
    QCOMPARE(waitsAfterInner, 1);
    QCOMPARE(ToolRunner::activeWaits(), 0);
    QVERIFY2(clock.elapsed() >= 1000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(tools.arguments("irplay.exe"),
             (QStringList { work.file("data/58/R1B1.lmc"), work.file("data/58/R1B2.lmc") }));
    QCOMPARE(tools.log().size(), 4);
    QVERIFY(messages.shown.isEmpty());
}

void TstPlayback::remoteChosenDuringPlayCountsLater()
{
    WorkDir work;
    MessageScript messages;
    FakeTools tools;
    SetFiles::write(work.file("remotes.lmr"), numberedSet(58));
    touch(work.file("data/58/R1B1.lmc"));
    touch(work.file("data/58/R2B1.lmc"));
    MainWindow w;
    showWindow(w);
    tools.setSleepMs(400);
    QStringList argumentsAtSelection;
    QTimer::singleShot(100, &w, [&] {
        w.remoteItem(2)->trigger();
        argumentsAtSelection = tools.arguments("irplay.exe");
    });

    press(w, 1);
    QCOMPARE(w.text4(), QStringLiteral("2"));
    QCOMPARE(w.button(1)->text(), QStringLiteral("rec20"));
    QCOMPARE(argumentsAtSelection, QStringList { work.file("data/58/R1B1.lmc") });

    tools.setSleepMs(0);
    press(w, 1);
    QCOMPARE(tools.arguments("irplay.exe"),
             (QStringList { work.file("data/58/R1B1.lmc"), work.file("data/58/R2B1.lmc") }));
    QVERIFY(messages.shown.isEmpty());
}

QTEST_MAIN(TstPlayback)
#include "tst_playback.moc"
