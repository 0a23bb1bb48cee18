// File > Open, File > Exit and the close box, Minimize with the tray icon,
// Help > WebSite.
#include "filechooser.h"
#include "mainwindow.h"
#include "module1.h"
#include "testsupport.h"

#include <QAction>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QtTest>

Q_DECLARE_METATYPE(RecordValue)
Q_DECLARE_METATYPE(QSystemTrayIcon::ActivationReason)

namespace {

// A set whose record n holds the text "<tag><n>" (records 1 to 45), so a
// caption tells which file and record it came from.
QMap<int, RecordValue> taggedSet(const QString &tag, double setNumber)
{
    QMap<int, RecordValue> m;
    for (int n = 1; n <= 45; ++n)
        m.insert(n, RecordValue::fromText(tag + QString::number(n)));
    m.insert(5, RecordValue::fromNumber(setNumber));
    return m;
}

QStringList captionsOf(const QString &tag, const QList<int> &records)
{
    QStringList c;
    for (int n : records)
        c << tag + QString::number(n);
    return c;
}

const QList<int> kRemote1Records { 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 40, 41 };

// Scripts the open-file dialog for the life of the object.
class ChooserScript
{
public:
    explicit ChooserScript(const QString &answer)
    {
        m_previous = FileChooser::setChooser([this, answer](const FileChooser::Request &r) {
            requests.append(r);
            if (duringDialog)
                duringDialog();
            return answer;
        });
    }
    ~ChooserScript() { FileChooser::setChooser(std::move(m_previous)); }

    QList<FileChooser::Request> requests;
    std::function<void()> duringDialog;

private:
    FileChooser::Chooser m_previous;
};

// What the window shows and holds.
struct Snapshot
{
    QString text1, text2, text4;
    QStringList buttons, remotes;
    bool operator==(const Snapshot &o) const
    {
        return text1 == o.text1 && text2 == o.text2 && text4 == o.text4 && buttons == o.buttons
            && remotes == o.remotes;
    }
};

Snapshot snapshot(const MainWindow &w)
{
    return { w.text1(), w.text2(), w.text4(), w.buttonCaptions(), w.remoteCaptions() };
}

QAction *menuItem(MainWindow &w, const char *name)
{
    auto *a = w.findChild<QAction *>(QString::fromLatin1(name));
    if (!a)
        qWarning("no menu item %s", name);
    return a;
}

// The main window with the desktop's tray switched on or off.
class TrayWindow : public MainWindow
{
public:
    bool tray = true;

protected:
    bool trayAvailable() const override { return tray; }
};

void touch(const QString &path)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("signal\n");
}

} // namespace

class TstFileMenu : public QObject
{
    Q_OBJECT

private slots:
    void openCancelled();
    void openExistingFile_data();
    void openExistingFile();
    void openSetNumberRule_data();
    void openSetNumberRule();
    void openNewName();
    void openKeepsCurrentDirectory();

    void exitAndCloseBox_data();
    void exitAndCloseBox();
    void exitWhilePlaying();

    void minimizeWithoutTray();
    void minimizeToTrayAndBack_data();
    void minimizeToTrayAndBack();

    void webSiteOpensGuide();
};

void TstFileMenu::openCancelled()
{
    WorkDir work;
    MessageScript messages;
    SetFiles::write(work.file("remotes.lmr"), taggedSet("a", 58));
    MainWindow w;
    w.remoteItem(2)->trigger();
    const Snapshot before = snapshot(w);
    ChooserScript chooser { QString() };

    menuItem(w, "open")->trigger();

    QCOMPARE(chooser.requests.size(), 1);
    // One entry, remote set files only: no "all files".
    QCOMPARE(chooser.requests.first().filter, QStringLiteral("ZudevIdozodo (*.lmr)"));
    QCOMPARE(chooser.requests.first().parent, &w);
    QVERIFY(snapshot(w) == before);
    QVERIFY(messages.shown.isEmpty());
}

void TstFileMenu::openExistingFile_data()
{
    QTest::addColumn<int>("previous");
    QTest::newRow("remote 1 was current") << 1;
    QTest::newRow("remote 2 was current") << 2;
    QTest::newRow("remote 3 was current") << 3;
}

void TstFileMenu::openExistingFile()
{
    QFETCH(int, previous);
    WorkDir work;
    MessageScript messages;
    SetFiles::write(work.file("remotes.lmr"), taggedSet("a", 58));
    const QString other = work.file("sets/other set.lmr");
    QVERIFY(QDir().mkpath(work.file("sets")));
    SetFiles::write(other, taggedSet("b", 123));
    MainWindow w;
    w.remoteItem(previous)->trigger();
    QCOMPARE(w.text4(), QString::number(previous));
    ChooserScript chooser { other };

    menuItem(w, "open")->trigger();

    QCOMPARE(w.text1(), other);
    QCOMPARE(w.text4(), QStringLiteral("1"));
    QCOMPARE(w.text2(), QStringLiteral("123"));
    QCOMPARE(w.remoteCaptions(), (QStringList { "b2", "b3", "b4" }));
    QCOMPARE(w.buttonCaptions(), captionsOf("b", kRemote1Records));
    QVERIFY(messages.shown.isEmpty());
    // Later selections read the opened file.
    w.remoteItem(3)->trigger();
    QCOMPARE(w.button(12)->text(), QStringLiteral("b45"));
}

void TstFileMenu::openSetNumberRule_data()
{
    QTest::addColumn<RecordValue>("record5");
    QTest::addColumn<QString>("text2");
    QTest::newRow("number") << RecordValue::fromNumber(58) << "58";
    QTest::newRow("zero") << RecordValue::fromNumber(0) << "0";
    QTest::newRow("largest") << RecordValue::fromNumber(67655) << "67655";
    QTest::newRow("too large") << RecordValue::fromNumber(67656) << "";
    QTest::newRow("fraction") << RecordValue::fromNumber(5.5) << "";
    QTest::newRow("digits as text") << RecordValue::fromText("0042") << "42";
    QTest::newRow("path as text") << RecordValue::fromText("../x") << "";
    QTest::newRow("never written") << RecordValue::empty() << "";
}

void TstFileMenu::openSetNumberRule()
{
    QFETCH(RecordValue, record5);
    QFETCH(QString, text2);
    WorkDir work;
    MessageScript messages;
    QMap<int, RecordValue> set = taggedSet("b", 1);
    set.insert(5, record5);
    SetFiles::write(work.file("other.lmr"), set);
    MainWindow w;
    ChooserScript chooser { work.file("other.lmr") };
    menuItem(w, "open")->trigger();
    QCOMPARE(w.text2(), text2);

    // Exactly what start-up makes of the same file.
    QVERIFY(QFile::copy(work.file("other.lmr"), work.file("remotes.lmr")));
    MainWindow started;
    QCOMPARE(started.text2(), w.text2());
    QCOMPARE(started.buttonCaptions(), w.buttonCaptions());
    QCOMPARE(started.remoteCaptions(), w.remoteCaptions());
    QVERIFY(messages.shown.isEmpty());
}

void TstFileMenu::openNewName()
{
    WorkDir work;
    MessageScript messages;
    SetFiles::write(work.file("remotes.lmr"), taggedSet("a", 58));
    MainWindow w;
    w.remoteItem(3)->trigger();
    Snapshot expected = snapshot(w);
    const QString fresh = work.file("new set.lmr");
    expected.text1 = fresh;
    ChooserScript chooser { fresh };

    menuItem(w, "open")->trigger();

    QVERIFY(snapshot(w) == expected);
    QVERIFY(!QFile::exists(fresh)); // the editors' next save creates it
    QVERIFY(messages.shown.isEmpty());
    // Remote selection now wants that file.
    w.remoteItem(1)->trigger();
    QCOMPARE(messages.texts(), QStringList { "You have to load a File" });
    QCOMPARE(w.text4(), QStringLiteral("3"));
}

void TstFileMenu::openKeepsCurrentDirectory()
{
    WorkDir work;
    MessageScript messages;
    MainWindow w;
    QTemporaryDir elsewhere;
    SetFiles::write(elsewhere.path() + "/chosen.lmr", taggedSet("c", 7));
    ChooserScript chooser { elsewhere.path() + "/chosen.lmr" };
    // A platform dialog that moves the process into the folder browsed to.
    chooser.duringDialog = [&] { QDir::setCurrent(elsewhere.path()); };

    menuItem(w, "open")->trigger();

    QCOMPARE(QDir::currentPath(), work.path());
    QCOMPARE(w.text1(), elsewhere.path() + "/chosen.lmr");
    QCOMPARE(w.text2(), QStringLiteral("7"));
}

void TstFileMenu::exitAndCloseBox_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("File > Exit") << "exit";
    QTest::newRow("close box") << "close";
}

void TstFileMenu::exitAndCloseBox()
{
    QFETCH(QString, how);
    WorkDir work;
    MessageScript messages;
    const QString set = work.file("remotes.lmr");
    SetFiles::write(set, taggedSet("a", 58));
    const QByteArray bytes = SetFiles::bytes(set);
    MainWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.remoteItem(2)->trigger();
    w.setText1(work.file("other.lmr"));
    QSignalSpy closed(&w, &MainWindow::closed);

    if (how == "exit")
        menuItem(w, "exit")->trigger();
    else
        QVERIFY(w.close());

    QCOMPARE(closed.size(), 1);
    QVERIFY(!w.isVisible());
    // Nothing asked, nothing saved.
    QVERIFY(messages.shown.isEmpty());
    QCOMPARE(SetFiles::bytes(set), bytes);
    QVERIFY(!QFile::exists(work.file("other.lmr")));
}

void TstFileMenu::exitWhilePlaying()
{
    WorkDir work;
    MessageScript messages;
    FakeTools tools;
    SetFiles::write(work.file("remotes.lmr"), taggedSet("a", 58));
    const QString recording = work.file("data/58/R1B1.lmc");
    touch(recording);
    MainWindow w;
    // As the program itself: the window's end ends the event loop.
    QObject::connect(&w, &MainWindow::closed, qApp, [] { QCoreApplication::exit(0); });
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QSignalSpy closed(&w, &MainWindow::closed);
    tools.setSleepMs(2000);

    bool playReturned = false;
    int waitsAtExit = -1;
    QTimer::singleShot(0, &w, [&] {
        QTest::mouseClick(w.button(1), Qt::LeftButton);
        playReturned = true;
    });
    QTimer::singleShot(400, &w, [&] {
        waitsAtExit = ToolRunner::activeWaits();
        menuItem(w, "exit")->trigger();
    });
    QTimer guard; // a hang ends the loop with another code
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guard.start(10000);
    QElapsedTimer clock;
    clock.start();

    const int code = QCoreApplication::exec();

    QCOMPARE(code, 0);
    QCOMPARE(waitsAtExit, 1);
    QVERIFY(playReturned);
    QCOMPARE(closed.size(), 1);
    QCOMPARE(ToolRunner::activeWaits(), 0);
    // The program did not wait for the tool, which runs on.
    QVERIFY2(clock.elapsed() < 1800, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(tools.log(), QStringList { "irplay.exe\t1\t" + recording });
    QVERIFY(messages.shown.isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(tools.log().contains("irplay.exe done"), 5000);
}

void TstFileMenu::minimizeWithoutTray()
{
    if (QSystemTrayIcon::isSystemTrayAvailable())
        QSKIP("this desktop has a tray");
    WorkDir work;
    MessageScript messages;
    SetFiles::write(work.file("remotes.lmr"), taggedSet("a", 58));
    MainWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.remoteItem(2)->trigger();
    const Snapshot before = snapshot(w);

    menuItem(w, "min")->trigger();

    // Hidden, it could never come back: it is minimized instead.
    QVERIFY(w.isVisible());
    QTRY_VERIFY(w.isMinimized());
    QVERIFY(!w.trayIcon()->isVisible());

    w.showFromTray();
    QVERIFY(w.isVisible());
    QVERIFY(!w.isMinimized());
    QVERIFY(snapshot(w) == before);
}

void TstFileMenu::minimizeToTrayAndBack_data()
{
    QTest::addColumn<QSystemTrayIcon::ActivationReason>("reason");
    QTest::addColumn<bool>("shows");
    QTest::newRow("click") << QSystemTrayIcon::Trigger << true;
    QTest::newRow("double-click") << QSystemTrayIcon::DoubleClick << true;
    QTest::newRow("context menu") << QSystemTrayIcon::Context << false;
    QTest::newRow("middle click") << QSystemTrayIcon::MiddleClick << false;
}

void TstFileMenu::minimizeToTrayAndBack()
{
    QFETCH(QSystemTrayIcon::ActivationReason, reason);
    QFETCH(bool, shows);
    WorkDir work;
    MessageScript messages;
    SetFiles::write(work.file("remotes.lmr"), taggedSet("a", 58));
    TrayWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.remoteItem(3)->trigger();
    w.setText1(work.file("elsewhere.lmr"));
    const Snapshot before = snapshot(w);

    menuItem(w, "min")->trigger();

    QVERIFY(!w.isVisible());
    QVERIFY(!w.isMinimized());
    QVERIFY(w.trayIcon()->isVisible()); // the only way back

    emit w.trayIcon()->activated(reason);

    QCOMPARE(w.isVisible(), shows);
    if (shows) {
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(!w.isMinimized());
        QVERIFY(w.isEnabled());
    }
    QVERIFY(snapshot(w) == before);
    QVERIFY(messages.shown.isEmpty());
}

void TstFileMenu::webSiteOpensGuide()
{
    WorkDir work;
    MessageScript messages;
    MainWindow w;
    QList<QPair<quintptr, QString>> opened;
    ToolRunner::ShellOpener previous = ToolRunner::setShellOpener(
        [&](quintptr window, const QString &target) { opened.append({ window, target }); });

    menuItem(w, "web")->trigger();
    ToolRunner::setShellOpener(std::move(previous));

    QCOMPARE(opened.size(), 1);
    QCOMPARE(opened.first().first, quintptr(w.winId()));
    QCOMPARE(opened.first().second, QCoreApplication::applicationDirPath() + "/guide/index.html");
    QCOMPARE(MainWindow::webSiteAddress(), opened.first().second);
    QVERIFY(messages.shown.isEmpty());

    // The guide is copied beside the real program as it stands in the sources.
    const QString built = QStringLiteral(LUMO_BIN_DIR "/guide/index.html");
    const QString source = QStringLiteral(LUMO_TEST_DATA "/../../resources/guide/index.html");
    QVERIFY2(QFile::exists(built), qPrintable(built));
    const QByteArray page = SetFiles::bytes(built);
    QCOMPARE(page, SetFiles::bytes(source));
    for (const char *topic : { "remotes.lmr", "R&lt;r&gt;B&lt;b&gt;.lmc", "irrecord.exe", "irplay.exe",
                               "/dev/lirc0", "LUMO_IR_DEVICE", "sim:FOLDER", "scripts/run", "Edit Remotes",
                               "Edit Buttons", "Record" })
        QVERIFY2(page.contains(topic), topic);
}

QTEST_MAIN(TstFileMenu)
#include "tst_filemenu.moc"
