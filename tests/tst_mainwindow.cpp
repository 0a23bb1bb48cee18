#include "mainwindow.h"
#include "testsupport.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QtTest>

Q_DECLARE_METATYPE(RecordValue)

using Records = QMap<int, RecordValue>;

namespace {

QStringList defaultCaptions()
{
    QStringList c;
    for (int n = 1; n <= 12; ++n)
        c << QStringLiteral("Button %1").arg(n);
    return c;
}

QStringList menuItems(const QMenu *menu)
{
    QStringList t;
    for (const QAction *a : menu->actions())
        t << a->objectName() + QLatin1Char('=') + a->text();
    return t;
}

} // namespace

class TstMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void buttonGeometry_data();
    void buttonGeometry();
    void windowMenusAndTray();
    void startUp_data();
    void startUp();
    void startUpMakesDataFolder();
    void dataFolderCannotBeCreated();
    void enterPressesFocusedButton_data();
    void enterPressesFocusedButton();
};

void TstMainWindow::buttonGeometry_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<QRect>("rect");
    const int lefts[3] = { 16, 96, 176 };
    const int tops[4] = { 16, 48, 80, 112 };
    for (int n = 1; n <= 12; ++n)
        QTest::addRow("button %d", n) << n << QRect(lefts[(n - 1) % 3], tops[(n - 1) / 3], 57, 25);
}

void TstMainWindow::buttonGeometry()
{
    QFETCH(int, n);
    QFETCH(QRect, rect);
    WorkDir work;
    MainWindow w;
    auto *b = w.findChild<QPushButton *>(n == 1 ? QStringLiteral("B1") : QStringLiteral("b%1").arg(n));
    QVERIFY(b);
    QCOMPARE(b, w.button(n));
    QCOMPARE(b->geometry(), rect);
    QCOMPARE(b->text(), defaultCaptions().at(n - 1));
    if (n < 12) // tab order runs row by row
        QCOMPARE(b->nextInFocusChain(), static_cast<QWidget *>(w.button(n + 1)));
}

void TstMainWindow::windowMenusAndTray()
{
    WorkDir work;
    MessageScript messages;
    MainWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.objectName(), QStringLiteral("Form1"));
    QCOMPARE(w.windowTitle(), QStringLiteral("Lumo Control"));
    QVERIFY(!w.windowIcon().isNull());
    QCOMPARE(w.centralWidget()->size(), QSize(248, 164)); // 3720 x 2460 twips
    for (const char *name : { "Text1", "Text2", "Text4" })
        QVERIFY2(!w.findChild<QLineEdit *>(QString::fromLatin1(name))->isVisible(), name);

    const QList<QAction *> top = w.menuBar()->actions();
    QStringList bar;
    for (QAction *a : top)
        bar << a->text();
    QCOMPARE(bar, (QStringList{ "&File", "&Remotes", "&Minimize", "&Help" }));
    QCOMPARE(top.at(2)->objectName(), QStringLiteral("min"));
    QVERIFY(!top.at(2)->menu()); // a command on the bar itself
    QCOMPARE(menuItems(top.at(0)->menu()), (QStringList{ "open=Open", "b=", "exit=Exit" }));
    QCOMPARE(menuItems(top.at(1)->menu()),
             (QStringList{ "rem1=remote1", "rem2=remote2", "rem3=remote3", "bnh=", "record=Record",
                           "bbbbbbbbb=", "eremote=Edit Remotes", "ebutton=Edit Buttons" }));
    QCOMPARE(menuItems(top.at(3)->menu()),
             (QStringList{ "web=WebSite", "dashes=------------------", "about=About" }));
    for (QAction *a : w.findChildren<QAction *>())
        QVERIFY2(!a->isCheckable() && a->shortcut().isEmpty(), qPrintable(a->objectName()));

    QSystemTrayIcon *tray = w.trayIcon();
    QCOMPARE(tray->toolTip(), QStringLiteral("Lumo Control"));
    QCOMPARE(tray->icon().actualSize(QSize(64, 64)), QSize(32, 32));
    QCOMPARE(tray->isVisible(), QSystemTrayIcon::isSystemTrayAvailable()); // none headless

    QSignalSpy closed(&w, &MainWindow::closed);
    QVERIFY(w.close());
    QCOMPARE(closed.count(), 1);
    QVERIFY(messages.shown.isEmpty());
}

void TstMainWindow::startUp_data()
{
    // What is in the folder at start, and what the window shows.
    QTest::addColumn<QString>("fixture"); // a tests/data file, or ""
    QTest::addColumn<Records>("records"); // else these records
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("text2");
    QTest::addColumn<QString>("text4");
    QTest::addColumn<QStringList>("buttons");
    const QStringList remotes = { "remote1", "remote2", "remote3" };
    QStringList full;
    for (int b = 1; b <= 12; ++b)
        full << QStringLiteral("R1 K%1").arg(b);
    QStringList corrupt(12, QString());
    corrupt[0] = QStringLiteral("first button");
    const Records none;
    auto t = [](const char *s) { return RecordValue::fromText(QString::fromUtf8(s)); };

    QTest::newRow("empty folder") << "" << none << remotes << "0"
                                  << "0" << defaultCaptions();
    QTest::newRow("full set") << "full.lmr" << none
                              << QStringList{ "TV", "Ampli", QString::fromUtf8("Clim\u00e9") } << "58"
                              << "1" << full;
    QTest::newRow("foreign, cut short") << "corrupt.lmr" << none << QStringList{ "", "", "ok" } << ""
                                        << "1" << corrupt;
    QTest::newRow("ends after record 5") << ""
                                         << Records{ { 1, t("3") },
                                                     { 2, t("TV") },
                                                     { 3, t("Amp") },
                                                     { 4, t("") },
                                                     { 5, RecordValue::fromNumber(1234) } }
                                         << QStringList{ "TV", "Amp", "" } << "1234"
                                         << "1" << QStringList(12, QString());
    QTest::newRow("record 1 ignored, path as set number")
        << "" << Records{ { 1, t("not three") }, { 5, t("../../x") }, { 10, t("On") } }
        << QStringList{ "", "", "" } << ""
        << "1" << (QStringList{ "On" } + QStringList(11, QString()));
}

void TstMainWindow::startUp()
{
    QFETCH(QString, fixture);
    QFETCH(Records, records);
    QFETCH(QStringList, names);
    QFETCH(QString, text2);
    QFETCH(QString, text4);
    QFETCH(QStringList, buttons);
    WorkDir work;
    const QString set = work.file("remotes.lmr");
    if (!fixture.isEmpty())
        QVERIFY(QFile::copy(QStringLiteral(LUMO_TEST_DATA "/") + fixture, set));
    else if (!records.isEmpty())
        SetFiles::write(set, records);
    const QByteArray before = SetFiles::bytes(set);
    // A set file in the data folder is not the default one.
    QDir(work.path()).mkdir("data");
    SetFiles::write(work.file("data/remotes.lmr"), SetFiles::fullSet(77));

    MessageScript messages;
    MainWindow w;
    QCOMPARE(w.setFilePath(), set);
    QCOMPARE(w.remoteCaptions(), names);
    QCOMPARE(w.setNumberText(), text2);
    QCOMPARE(QString::number(w.currentRemote()), text4);
    QCOMPARE(w.buttonCaptions(), buttons);
    QVERIFY(messages.shown.isEmpty());
    // Reading never creates nor changes the set file.
    QCOMPARE(QFile::exists(set), !before.isEmpty());
    QCOMPARE(SetFiles::bytes(set), before);
}

void TstMainWindow::startUpMakesDataFolder()
{
    WorkDir work;
    {
        MainWindow w;
    }
    QVERIFY(QFileInfo(work.file("data")).isDir());
    // A file named "data" counts as present: nothing made, nothing said.
    WorkDir other;
    QFile f(other.file("data"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    MessageScript messages;
    {
        MainWindow w;
    }
    QVERIFY(QFileInfo(other.file("data")).isFile());
    QVERIFY(messages.shown.isEmpty());
}

void TstMainWindow::dataFolderCannotBeCreated()
{
    // The current folder was deleted under the program: "data" cannot be
    // made there, and must not be made anywhere else instead.
    const bool rootData = QFileInfo::exists(QStringLiteral("/data"));
    QTemporaryDir gone;
    const QString old = QDir::currentPath();
    QVERIFY(QDir::setCurrent(gone.path()));
    QVERIFY(QDir(gone.path()).removeRecursively());
    MessageScript messages;
    {
        MainWindow w;
        QCOMPARE(w.currentRemote(), 0);
        QCOMPARE(w.buttonCaptions(), defaultCaptions());
    }
    QDir::setCurrent(old);
    if (!rootData)
        QVERIFY(!QFileInfo::exists(QStringLiteral("/data")));
    QCOMPARE(messages.shown.size(), 1);
    QVERIFY(messages.shown.first().text.contains(QStringLiteral("data")));
    QCOMPARE(messages.shown.first().icon, Messages::Icon::Error);
}

void TstMainWindow::enterPressesFocusedButton_data()
{
    QTest::addColumn<QString>("opener"); // menu item that opens the window; empty: the main window
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("button");
    QTest::newRow("main window, first") << ""
                                        << "Form1"
                                        << "B1";
    QTest::newRow("main window, last") << ""
                                       << "Form1"
                                       << "b12";
    QTest::newRow("remote configuration, Load") << "eremote"
                                                << "Form2"
                                                << "Command2";
    QTest::newRow("button captions, Load") << "ebutton"
                                           << "Form4"
                                           << "Command3";
    QTest::newRow("record signal, a button") << "record"
                                             << "Form5"
                                             << "b7";
}

void TstMainWindow::enterPressesFocusedButton()
{
    QFETCH(QString, opener);
    QFETCH(QString, window);
    QFETCH(QString, button);
    WorkDir work;
    MessageScript messages;
    SetFiles::write(work.file("remotes.lmr"), SetFiles::fullSet(58));
    MainWindow w;
    w.show();
    w.setCurrentRemote(0); // the record dialog then records nothing
    if (!opener.isEmpty())
        w.findChild<QAction *>(opener)->trigger();
    QWidget *form = nullptr;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (top->objectName() == window && top->isVisible())
            form = top;
    }
    QVERIFY(form);
    auto *target = form->findChild<QPushButton *>(button);
    QVERIFY(target);
    form->activateWindow();
    target->setFocus();
    QSignalSpy clicks(target, &QAbstractButton::clicked);
    for (Qt::Key key : { Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space })
        QTest::keyClick(target, key);
    QCOMPARE(clicks.size(), 3);
    if (form != &w)
        delete form;
}

QTEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"
