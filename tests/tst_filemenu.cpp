// File > Open, File > Exit, Minimize with and without a tray, Help > WebSite.
#include "filechooser.h"
#include "mainwindow.h"
#include "testsupport.h"
#include "toolrunner.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QtTest>

namespace {

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

} // namespace

class TstFileMenu : public QObject
{
    Q_OBJECT

private slots:
    void open_data()
    {
        QTest::addColumn<QString>("answer"); // the file chosen, in another folder
        QTest::addColumn<bool>("exists");
        QTest::newRow("cancelled") << "" << false;
        QTest::newRow("existing file") << "other set.lmr" << true;
        QTest::newRow("new name") << "new set.lmr" << false;
    }

    void open()
    {
        QFETCH(QString, answer);
        QFETCH(bool, exists);
        WorkDir work;
        MessageScript messages;
        QTemporaryDir elsewhere;
        const QString chosen = answer.isEmpty() ? QString() : elsewhere.path() + '/' + answer;
        SetFiles::write(work.file("remotes.lmr"), SetFiles::fullSet(58));
        if (exists)
            SetFiles::write(chosen, SetFiles::fullSet(123));
        MainWindow w;
        const QStringList loaded = state(w); // remote 1 current
        w.remoteItem(3)->trigger();
        QStringList expected = state(w);
        QStringList filters;
        FileChooser::Chooser previous = FileChooser::setChooser([&](const FileChooser::Request &r) {
            filters << r.filter;
            QDir::setCurrent(elsewhere.path()); // as a platform dialog may do
            return chosen;
        });
        w.findChild<QAction *>("open")->trigger();
        FileChooser::setChooser(std::move(previous));
        QCOMPARE(filters, QStringList{ "ZudevIdozodo (*.lmr)" });
        QCOMPARE(QDir::currentPath(), work.path()); // paths stay relative to it
        if (exists) {                               // remote 1 of the opened set becomes current
            expected = loaded;
            expected[1] = "123";
        }
        if (!chosen.isEmpty()) // a new name: only Text1 changes
            expected[0] = chosen;
        QCOMPARE(state(w), expected);
        QCOMPARE(QFile::exists(chosen), exists); // a new name is not created
        QVERIFY(messages.shown.isEmpty());
    }

    void exitWhilePlaying()
    {
        WorkDir work;
        MessageScript messages;
        FakeTools tools;
        SetFiles::write(work.file("remotes.lmr"), SetFiles::fullSet(58));
        const QString recording = work.file("data/58/R1B1.lmc");
        QVERIFY(QDir().mkpath(work.file("data/58")) && QFile(recording).open(QIODevice::WriteOnly));
        MainWindow w;
        // As the program itself: the window's end ends the event loop.
        QObject::connect(&w, &MainWindow::closed, qApp, [] { QCoreApplication::exit(0); });
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        tools.setSleepMs(2000);
        int waitsAtExit = -1;
        QTimer::singleShot(0, &w, [&] { w.button(1)->click(); });
        QTimer::singleShot(400, &w, [&] {
            waitsAtExit = ToolRunner::activeWaits();
            w.findChild<QAction *>("exit")->trigger();
        });
        QTimer::singleShot(10000, &w, [] { QCoreApplication::exit(99); }); // a hang
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(waitsAtExit, 1);
        QCOMPARE(ToolRunner::activeWaits(), 0);                              // the press has returned
        QCOMPARE(tools.log(), QStringList{ "irplay.exe\t1\t" + recording }); // not waited for
        QVERIFY(messages.shown.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(tools.log().contains("irplay.exe done"), 5000);
    }

    void closeRefusedWhileDisabled_data()
    {
        QTest::addColumn<QString>("opener"); // the menu item whose window holds the main window
        QTest::addColumn<QString>("window");
        QTest::addColumn<bool>("recording"); // a recording runs meanwhile
        QTest::newRow("remote configuration") << "eremote"
                                              << "Form2" << false;
        QTest::newRow("button captions") << "ebutton"
                                         << "Form4" << false;
        QTest::newRow("record signal") << "record"
                                       << "Form5" << false;
        QTest::newRow("recording") << "record"
                                   << "Form3" << true;
        QTest::newRow("about") << "about"
                               << "frmAbout" << false;
    }

    void closeRefusedWhileDisabled()
    {
        QFETCH(QString, opener);
        QFETCH(QString, window);
        QFETCH(bool, recording);
        WorkDir work;
        MessageScript messages;
        FakeTools tools;
        tools.setSleepMs(1500);
        SetFiles::write(work.file("remotes.lmr"), SetFiles::fullSet(58));
        QDir().mkpath(work.file("data/58"));
        MainWindow w;
        w.show();
        QSignalSpy closed(&w, &MainWindow::closed);
        w.findChild<QAction *>(opener)->trigger();
        auto findWindow = [](const QString &name) -> QWidget * {
            for (QWidget *top : QApplication::topLevelWidgets()) {
                if (top->objectName() == name && top->isVisible())
                    return top;
            }
            return nullptr;
        };
        if (recording)
            findWindow("Form5")->findChild<QPushButton *>("B1")->click();
        QPointer<QWidget> form = findWindow(window);
        QTRY_VERIFY(form);
        // An edit not yet saved must survive the attempt.
        if (auto *field = form->findChild<QLineEdit *>("Text1"); field && !recording)
            field->setText("unsaved");
        QVERIFY(!w.isEnabled());
        QVERIFY(!w.close());
        QVERIFY(w.isVisible());
        QCOMPARE(closed.size(), 0);
        QVERIFY(form && form->isVisible());
        if (auto *field = form->findChild<QLineEdit *>("Text1"); field && !recording)
            QCOMPARE(field->text(), QStringLiteral("unsaved"));
        // Once the window is free again, the close box works as ever.
        if (recording)
            QTRY_VERIFY_WITH_TIMEOUT(!form, 5000);
        for (const char *name : { "Form2", "Form4", "Form5", "frmAbout" }) {
            if (QWidget *open = findWindow(name))
                open->close();
        }
        QTRY_VERIFY(w.isEnabled());
        QVERIFY(w.close());
        QCOMPARE(closed.size(), 1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void minimize_data()
    {
        QTest::addColumn<int>("reason"); // how the tray icon is used; -1: no tray
        QTest::addColumn<bool>("shows");
        QTest::newRow("no tray") << -1 << true;
        QTest::newRow("tray, click") << int(QSystemTrayIcon::Trigger) << true;
        QTest::newRow("tray, double-click") << int(QSystemTrayIcon::DoubleClick) << true;
        QTest::newRow("tray, context menu") << int(QSystemTrayIcon::Context) << false;
    }

    void minimize()
    {
        QFETCH(int, reason);
        QFETCH(bool, shows);
        WorkDir work;
        MessageScript messages;
        TrayWindow w;
        w.tray = reason >= 0;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QStringList before = state(w);
        w.findChild<QAction *>("min")->trigger();
        if (w.tray) { // hidden, the tray icon is the way back
            QVERIFY(!w.isVisible() && w.trayIcon()->isVisible());
            emit w.trayIcon()->activated(QSystemTrayIcon::ActivationReason(reason));
        } else { // a hidden window could never come back
            QVERIFY(w.isVisible());
            QTRY_VERIFY(w.isMinimized());
            w.showFromTray();
        }
        QCOMPARE(w.isVisible(), shows);
        QVERIFY(!w.isMinimized());
        QCOMPARE(state(w), before);
    }

    void webSiteOpensGuide()
    {
        WorkDir work;
        MessageScript messages;
        MainWindow w;
        QStringList opened;
        ToolRunner::ShellOpener previous = ToolRunner::setShellOpener(
            [&](quintptr window, const QString &target) { opened << QString::number(window) << target; });
        w.findChild<QAction *>("web")->trigger();
        ToolRunner::setShellOpener(std::move(previous));
        QCOMPARE(opened,
                 (QStringList{ QString::number(quintptr(w.winId())),
                               QCoreApplication::applicationDirPath() + "/guide/index.html" }));
        // The guide is copied beside the real program as it stands in the sources.
        QCOMPARE(SetFiles::bytes(QStringLiteral(LUMO_BIN_DIR "/guide/index.html")),
                 SetFiles::bytes(QStringLiteral(LUMO_TEST_DATA "/../../resources/guide/index.html")));
    }
};

QTEST_MAIN(TstFileMenu)
#include "tst_filemenu.moc"
