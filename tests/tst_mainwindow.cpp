// The main window: start-up, menus, the play buttons, File > Open / Exit,
// Minimize with and without a tray, Help > WebSite.
#include "filechooser.h"
#include "mainwindow.h"
#include "testsupport.h"
#include "toolrunner.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QtTest>

using Records = QMap<int, RecordValue>;

namespace {

// Record n holds "<tag><n>" (set number 58), so a caption tells its record.
Records taggedSet(const QString &tag)
{
    Records m;
    for (int n = 1; n <= 45; ++n)
        m.insert(n, RecordValue::fromText(tag + QString::number(n)));
    m.insert(5, RecordValue::fromNumber(58));
    return m;
}

// Everything the window shows and holds.
QStringList state(const MainWindow &w)
{
    return QStringList{ w.setFilePath(), w.setNumberText(), QString::number(w.currentRemote()) }
    + w.buttonCaptions() + w.remoteCaptions();
}

// The main window with the desktop's tray switched on or off.
struct TrayWindow : MainWindow
{
    bool tray = true;
    bool trayAvailable() const override { return tray; }
};

// What is in the folder at start (a tests/data file, a path to link to, or
// records), and what the window shows then.
struct Start
{
    QString fixture;
    Records records;
    QStringList names;
    QString text2;
    QString text4;
    QStringList buttons;
    bool box; // the file cannot be read: one error box
};

} // namespace

Q_DECLARE_METATYPE(Start)

class TstMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void menusTrayAndWebSite()
    {
        Sandbox s;
        TrayWindow w;
        QStringList items;
        for (QAction *top : w.menuBar()->actions()) {
            items << top->objectName() + '=' + top->text();
            for (QAction *a : top->menu() ? top->menu()->actions() : QList<QAction *>())
                items << a->objectName() + '=' + a->text();
        }
        QCOMPARE(items,
                 (QStringList{ "=&File", "open=Open", "b=", "exit=Exit", "=&Remotes", "rem1=remote1",
                               "rem2=remote2", "rem3=remote3", "bnh=", "record=Record",
                               "bbbbbbbbb=", "eremote=Edit Remotes", "ebutton=Edit Buttons", "=",
                               "importRemote=Import Remote\u2026", "min=&Minimize",
                               "=&Help", "web=WebSite", "dashes=------------------", "about=About" }));
        QCOMPARE(w.trayIcon()->isVisible(), QSystemTrayIcon::isSystemTrayAvailable()); // none headless
        QVERIFY(!w.windowIcon().isNull());
        // Minimize: hidden in a tray, which a click undoes; without one, minimized.
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.findChild<QAction *>("min")->trigger();
        QVERIFY(!w.isVisible());
        QVERIFY(w.trayIcon()->isVisible());
        emit w.trayIcon()->activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(w.isVisible());
        w.tray = false;
        w.findChild<QAction *>("min")->trigger();
        QTRY_VERIFY(w.isVisible() && w.isMinimized());
        emit w.trayIcon()->activated(QSystemTrayIcon::Trigger);
        QVERIFY(!w.isMinimized());
        // WebSite opens the guide beside the program.
        QStringList opened;
        ToolRunner::ShellOpener previous = ToolRunner::setShellOpener(
            [&](quintptr window, const QString &target) { opened << QString::number(window) << target; });
        w.findChild<QAction *>("web")->trigger();
        ToolRunner::setShellOpener(std::move(previous));
        const QString guide = QCoreApplication::applicationDirPath() + "/guide/index.html";
        QCOMPARE(opened, (QStringList{ QString::number(quintptr(w.winId())), guide }));
        // File > Exit closes the window once nothing holds it.
        QSignalSpy closed(&w, &MainWindow::closed);
        w.findChild<QAction *>("exit")->trigger();
        QVERIFY(!w.isVisible());
        QCOMPARE(closed.size(), 1);
    }

    void startUp_data()
    {
        QTest::addColumn<Start>("start");
        const QStringList remotes = { "remote1", "remote2", "remote3" };
        QStringList full;
        QStringList def;
        for (int b = 1; b <= 12; ++b) {
            full << QStringLiteral("R1 K%1").arg(b);
            def << QStringLiteral("Button %1").arg(b);
        }
        const QStringList none(12, QString());
        QStringList corrupt = none;
        corrupt[0] = QStringLiteral("first button");
        auto t = [](const char *s) { return RecordValue::fromText(QString::fromUtf8(s)); };
        const QString clime = QString::fromUtf8("Clim\u00e9");
        const Records short5{
            { 1, t("3") }, { 2, t("TV") }, { 3, t("Amp") }, { 4, t("") }, { 5, RecordValue::fromNumber(1234) }
        };
        const Records oddOnes{ { 1, t("not three") }, { 5, t("../../x") }, { 10, t("On") } };
        const QStringList on = QStringList{ "On" } + QStringList(11, QString());
        // A file whose every read fails, even for root: a write-only attribute.
        const QString unreadable = QStringLiteral("/sys/bus/platform/uevent");
        // clang-format off
        QTest::newRow("empty folder") << Start{ "", {}, remotes, "0", "0", def, false };
        QTest::newRow("full") << Start{ "full.lmr", {}, { "TV", "Ampli", clime }, "58", "1", full, false };
        QTest::newRow("foreign") << Start{ "corrupt.lmr", {}, { "", "", "ok" }, "", "1", corrupt, false };
        QTest::newRow("ends at 5") << Start{ "", short5, { "TV", "Amp", "" }, "1234", "1", none, false };
        QTest::newRow("odd records") << Start{ "", oddOnes, QStringList(3, QString()), "", "1", on, false };
        QTest::newRow("cannot be read") << Start{ unreadable, {}, remotes, "0", "0", def, true };
        // clang-format on
    }

    void startUp()
    {
        QFETCH(Start, start);
        WorkDir work;
        const QString set = work.file("remotes.lmr");
        if (start.fixture.startsWith('/') && !QFile::link(start.fixture, set))
            QSKIP("no write-only file to link to");
        if (!start.fixture.isEmpty() && !start.fixture.startsWith('/'))
            QVERIFY(QFile::copy(QStringLiteral(LUMO_TEST_DATA "/") + start.fixture, set));
        if (!start.records.isEmpty())
            SetFiles::write(set, start.records);
        const bool existed = QFileInfo::exists(set);
        const QByteArray before = SetFiles::bytes(set);
        MessageScript messages;
        MainWindow w;
        QVERIFY(QFileInfo(work.file("data")).isDir());
        QCOMPARE(w.setFilePath(), set);
        QCOMPARE(w.remoteCaptions(), start.names);
        QCOMPARE(w.setNumberText(), start.text2);
        QCOMPARE(QString::number(w.currentRemote()), start.text4);
        QCOMPARE(w.buttonCaptions(), start.buttons);
        QCOMPARE(messages.shown.size(), start.box ? 1 : 0);
        if (start.box) {
            QVERIFY2(messages.shown.first().text.contains(set), qPrintable(messages.shown.first().text));
            QCOMPARE(messages.shown.first().icon, Messages::Icon::Error);
        }
        // Reading never creates nor changes the set file.
        QCOMPARE(QFileInfo::exists(set), existed);
        QCOMPARE(SetFiles::bytes(set), before);
    }

    void enterPressesFocusedButton_data()
    {
        QTest::addColumn<QString>("opener"); // menu item that opens the window; empty: the main window
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("button");
        // clang-format off
        QTest::newRow("main window, first") << "" << "Form1" << "B1";
        QTest::newRow("remote configuration, Load") << "eremote" << "Form2" << "Command2";
        QTest::newRow("button captions, Load") << "ebutton" << "Form4" << "Command3";
        QTest::newRow("record signal, a button") << "record" << "Form5" << "b7";
        // clang-format on
    }

    void enterPressesFocusedButton()
    {
        QFETCH(QString, opener);
        QFETCH(QString, window);
        QFETCH(QString, button);
        Sandbox s;
        SetFiles::write(s.work.file("remotes.lmr"), SetFiles::fullSet(58));
        MainWindow w;
        w.show();
        w.setCurrentRemote(0); // the record dialog then records nothing
        if (!opener.isEmpty())
            w.findChild<QAction *>(opener)->trigger();
        QWidget *form = visibleWindow(window);
        QVERIFY(form);
        auto *target = form->findChild<QPushButton *>(button);
        form->activateWindow();
        target->setFocus();
        QSignalSpy clicks(target, &QAbstractButton::clicked);
        for (Qt::Key key : { Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space })
            QTest::keyClick(target, key);
        QCOMPARE(clicks.size(), 3);
        if (form != &w)
            delete form;
    }

    void closeRefusedWhileDisabled_data()
    {
        QTest::addColumn<QString>("opener"); // the menu item whose window holds the main window
        QTest::addColumn<QString>("window");
        // clang-format off
        QTest::newRow("remote configuration") << "eremote" << "Form2";
        QTest::newRow("button captions") << "ebutton" << "Form4";
        QTest::newRow("record signal") << "record" << "Form5";
        QTest::newRow("recording") << "record" << "Form3";
        QTest::newRow("about") << "about" << "frmAbout";
        // clang-format on
    }

    void closeRefusedWhileDisabled()
    {
        QFETCH(QString, opener);
        QFETCH(QString, window);
        Sandbox s;
        s.tools.setSleepMs(1000);
        SetFiles::write(s.work.file("remotes.lmr"), SetFiles::fullSet(58));
        QDir().mkpath(s.work.file("data/58"));
        MainWindow w;
        w.show();
        QSignalSpy closed(&w, &MainWindow::closed);
        w.findChild<QAction *>(opener)->trigger();
        if (window == "Form3") // a recording runs meanwhile
            visibleWindow("Form5")->findChild<QPushButton *>("B1")->click();
        QPointer<QWidget> form = visibleWindow(window);
        QVERIFY(form);
        QVERIFY(!w.isEnabled());
        QVERIFY(!w.close());
        QVERIFY(w.isVisible() && form && form->isVisible());
        QCOMPARE(closed.size(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(window != "Form3" || !form, 5000);
        for (const char *name : { "Form2", "Form4", "Form5", "frmAbout" })
            delete visibleWindow(name);
    }

    void selectRemote() // the other remotes' records: see the record signal tests
    {
        const int remote = 2;
        Sandbox s;
        touch(s.work.file("data/58/R2B5.lmc"), "scancode rc5:0x1e0c\n");
        SetFiles::write(s.work.file("remotes.lmr"), taggedSet("x"));
        MainWindow w;
        // Each selection reads the file as it is now, and tells the recordings in tips.
        for (const QString tag : { "a", "new" }) {
            SetFiles::write(s.work.file("remotes.lmr"), taggedSet(tag));
            QCOMPARE(w.button(5)->toolTip(), QString());
            w.remoteItem(remote)->trigger();
            QStringList expected;
            for (int n : SetFiles::remoteRecords(remote))
                expected << tag + QString::number(n);
            QCOMPARE(w.buttonCaptions(), expected);
            QCOMPARE(w.currentRemote(), remote);
            QCOMPARE(w.button(5)->toolTip(), QStringLiteral("rc5:0x1e0c, 36 kHz"));
            QCOMPARE(w.button(4)->toolTip(), QString());
            w.remoteItem(1)->trigger();
        }
        // The file gone: nothing changes, nothing is created.
        QVERIFY(QFile::remove(s.work.file("remotes.lmr")));
        const QStringList before = state(w);
        w.remoteItem(remote % 3 + 1)->trigger();
        QCOMPARE(s.messages.texts(), QStringList{ "You have to load a File" });
        QCOMPARE(state(w), before);
        QVERIFY(!QFile::exists(s.work.file("remotes.lmr")));
    }

    void play_data()
    {
        QTest::addColumn<QString>("text4");
        QTest::addColumn<QString>("text2");
        QTest::addColumn<QString>("button");      // as the play button passes it
        QTest::addColumn<QStringList>("present"); // recordings on disk
        QTest::addColumn<QString>("outcome");     // "plays" the first one, "missing" or nothing
        const QStringList any{ "data/58/R1B1.lmc", "data/58/R0B1.lmc", "data/58/R4B1.lmc",
                               "data/58/R01B1.lmc" };
        // clang-format off
        QTest::newRow("r1 b1") << "1" << "58" << "1" << QStringList{ "data/58/R1B1.lmc" } << "plays";
        QTest::newRow("r3 b12") << "3" << "58" << "12" << QStringList{ "data/58/R3B12.lmc" } << "plays";
        // Only "1" to "3" name a remote, only "1" to "12" a button.
        for (const char *t : { "0", "01", "4", "" })
            QTest::addRow("remote \"%s\"", t) << t << "58" << "1" << any << "";
        QTest::newRow("button 13") << "1" << "58" << "13" << QStringList{ "data/58/R1B13.lmc" } << "";
        QTest::newRow("button 01") << "1" << "58" << "01" << QStringList{ "data/58/R1B01.lmc" } << "";
        // No other remote's recording, nor any other folder, is tried.
        QTest::newRow("missing") << "1" << "58" << "1" << QStringList{ "data/58/R2B1.lmc" } << "missing";
        QTest::newRow("no set number") << "1" << "" << "1" << QStringList{ "data/R1B1.lmc" } << "missing";
        QTest::newRow("../58") << "1" << "../58" << "1" << QStringList{ "58/R1B1.lmc" } << "missing";
        // clang-format on
    }

    void play()
    {
        QFETCH(QString, text4);
        QFETCH(QString, text2);
        QFETCH(QString, button);
        QFETCH(QStringList, present);
        QFETCH(QString, outcome);
        Sandbox s;
        for (const QString &file : present)
            touch(s.work.file(file));
        MainWindow w;
        w.findChild<QLineEdit *>("Text4")->setText(text4);
        w.setSetNumberText(text2);
        w.playfile(button);
        // The player gets that one path as its one argument, and is waited for.
        const QStringList played{ "irplay.exe\t1\t" + s.work.file(present.first()), "irplay.exe done" };
        QCOMPARE(s.tools.log(), outcome == "plays" ? played : QStringList());
        QCOMPARE(s.messages.texts(),
                 outcome == "missing" ? QStringList{ "Command does not exist" } : QStringList());
        if (outcome == "missing") {
            QCOMPARE(s.messages.shown.first().title, QStringLiteral("Command Not Found"));
            QCOMPARE(s.messages.shown.first().icon, Messages::Icon::Error);
        }
    }

    void nestedPlaysFinishInnerFirst()
    {
        Sandbox s;
        touch(s.work.file("data/58/R1B1.lmc"));
        touch(s.work.file("data/58/R1B2.lmc"));
        MainWindow w;
        w.setCurrentRemote(1);
        w.setSetNumberText("58");
        // The first tool ends long before the second, yet its press returns
        // last. The second one fails: its box comes when it ends, inside the
        // second press, before the first press returns.
        s.tools.setSleepMs(300);
        QStringList order;
        s.messages.onShow = [&](const Messages::Request &r) { order << r.text; };
        QTimer::singleShot(100, &w, [&] {
            s.tools.setSleepMs(1000);
            s.tools.setExitCode(6);
            s.tools.setStderr("irplay.exe: IR device '/dev/lirc0' is busy\n");
            w.button(2)->click();
            order << "inner" << QString::number(s.tools.log().size()); // both tools have ended
        });
        w.button(1)->click();
        order << "outer";
        QCOMPARE(order, (QStringList{ "irplay.exe: IR device '/dev/lirc0' is busy", "inner", "4", "outer" }));
        QCOMPARE(s.tools.arguments("irplay.exe"),
                 (QStringList{ s.work.file("data/58/R1B1.lmc"), s.work.file("data/58/R1B2.lmc") }));
    }

    void openLoadsChosenSet()
    {
        Sandbox s;
        QTemporaryDir elsewhere;
        const QString chosen = elsewhere.path() + "/other set.lmr";
        SetFiles::write(s.work.file("remotes.lmr"), SetFiles::fullSet(58));
        SetFiles::write(chosen, SetFiles::fullSet(123));
        MainWindow w;
        QStringList expected = state(w);
        w.remoteItem(3)->trigger();
        FileChooser::Chooser previous = FileChooser::setChooser([&](const FileChooser::Request &r) {
            QDir::setCurrent(elsewhere.path()); // as a platform dialog may do
            return r.filter == "ZudevIdozodo (*.lmr)" ? chosen : QStringLiteral("wrong filter");
        });
        w.findChild<QAction *>("open")->trigger();
        FileChooser::setChooser(std::move(previous));
        QCOMPARE(QDir::currentPath(), s.work.path()); // paths stay relative to it
        expected[0] = chosen;
        expected[1] = "123";
        QCOMPARE(state(w), expected); // remote 1 of the opened set becomes current
        QVERIFY(s.messages.shown.isEmpty());
    }
};

QTEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"