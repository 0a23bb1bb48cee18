#include "mainwindow.h"
#include "paths.h"
#include "testsupport.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QtTest>

#include <unistd.h>

Q_DECLARE_METATYPE(RecordValue)

namespace {

const QStringList kDefaultCaptions = [] {
    QStringList c;
    for (int n = 1; n <= 12; ++n)
        c << QStringLiteral("Button %1").arg(n);
    return c;
}();

QStringList actionTexts(const QMenu *menu)
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
    void windowLayout();
    void menus();
    void trayIcon();

    void startInEmptyFolder();
    void startWithFullSet();
    void startWithFileEndingAfterRecord5();
    void startWithFixture_data();
    void startWithFixture();
    void startIgnoresRecord1AndDataFolderFile();
    void startWithExistingDataFile();
    void setNumberRuleAtStart_data();
    void setNumberRuleAtStart();
    void unreadableSetFile();
    void dataFolderCannotBeCreated();
    void closingEmitsClosed();
};

void TstMainWindow::buttonGeometry_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("rect");
    const int lefts[3] = { 16, 96, 176 };
    const int tops[4] = { 16, 48, 80, 112 };
    for (int n = 1; n <= 12; ++n) {
        const QString name = n == 1 ? QStringLiteral("B1") : QStringLiteral("b%1").arg(n);
        QTest::addRow("%s", qPrintable(name))
            << n << name << QRect(lefts[(n - 1) % 3], tops[(n - 1) / 3], 57, 25);
    }
}

void TstMainWindow::buttonGeometry()
{
    QFETCH(int, n);
    QFETCH(QString, name);
    QFETCH(QRect, rect);
    WorkDir work;
    MessageScript messages;
    MainWindow w;
    auto *b = w.findChild<QPushButton *>(name);
    QVERIFY(b);
    QCOMPARE(b, w.button(n));
    QCOMPARE(b->geometry(), rect);
    QCOMPARE(b->parentWidget(), w.centralWidget());
    QCOMPARE(b->text(), kDefaultCaptions.at(n - 1));
    // Tab order runs through the grid row by row.
    if (n < 12)
        QCOMPARE(b->nextInFocusChain(), static_cast<QWidget *>(w.button(n + 1)));
}

void TstMainWindow::windowLayout()
{
    WorkDir work;
    MessageScript messages;
    MainWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.objectName(), QStringLiteral("Form1"));
    QCOMPARE(w.windowTitle(), QStringLiteral("Lumo Control"));
    QVERIFY(!w.windowIcon().isNull());
    // The client area below the menu bar is 3720 x 2460 twips.
    QCOMPARE(w.centralWidget()->size(), QSize(248, 164));
    QVERIFY(w.windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(w.windowFlags() & Qt::WindowMaximizeButtonHint);
    for (const char *name : { "Text1", "Text2", "Text4" }) {
        auto *e = w.findChild<QLineEdit *>(QString::fromLatin1(name));
        QVERIFY2(e, name);
        QVERIFY2(!e->isVisible(), name);
    }
}

void TstMainWindow::menus()
{
    WorkDir work;
    MessageScript messages;
    MainWindow w;
    const QList<QAction *> top = w.menuBar()->actions();
    QStringList captions;
    for (QAction *a : top)
        captions << a->text();
    QCOMPARE(captions, (QStringList { "&File", "&Remotes", "&Minimize", "&Help" }));
    QVERIFY(!top.at(2)->menu());
    QCOMPARE(top.at(2)->objectName(), QStringLiteral("min"));

    QCOMPARE(top.at(0)->menu()->objectName(), QStringLiteral("file"));
    QCOMPARE(actionTexts(top.at(0)->menu()), (QStringList { "open=Open", "b=", "exit=Exit" }));
    QVERIFY(!w.findChild<QAction *>("b")->isEnabled());
    QCOMPARE(top.at(1)->menu()->objectName(), QStringLiteral("remote"));
    QCOMPARE(actionTexts(top.at(1)->menu()),
             (QStringList { "rem1=remote1", "rem2=remote2", "rem3=remote3", "bnh=", "record=Record",
                            "bbbbbbbbb=", "eremote=Edit Remotes", "ebutton=Edit Buttons" }));
    QCOMPARE(top.at(3)->menu()->objectName(), QStringLiteral("help"));
    QCOMPARE(actionTexts(top.at(3)->menu()),
             (QStringList { "web=WebSite", "dashes=------------------", "about=About" }));
    QCOMPARE(w.findChild<QAction *>("dashes")->text().size(), 18);
    for (QAction *a : w.findChildren<QAction *>()) {
        QVERIFY2(!a->isCheckable(), qPrintable(a->objectName()));
        QVERIFY2(a->shortcut().isEmpty(), qPrintable(a->objectName()));
    }
}

void TstMainWindow::trayIcon()
{
    WorkDir work;
    MessageScript messages;
    MainWindow w;
    QSystemTrayIcon *tray = w.trayIcon();
    QVERIFY(tray);
    QCOMPARE(tray->toolTip(), QStringLiteral("Lumo Control"));
    QCOMPARE(tray->icon().actualSize(QSize(64, 64)), QSize(32, 32));
    // Headless there is no tray: the icon is simply not shown.
    QCOMPARE(tray->isVisible(), QSystemTrayIcon::isSystemTrayAvailable());
}

void TstMainWindow::startInEmptyFolder()
{
    WorkDir work;
    MessageScript messages;
    MainWindow w;
    QVERIFY(QFileInfo(work.file("data")).isDir());
    QCOMPARE(w.text1(), work.file("remotes.lmr"));
    QCOMPARE(w.text2(), QStringLiteral("0"));
    QCOMPARE(w.text4(), QStringLiteral("0"));
    QCOMPARE(w.buttonCaptions(), kDefaultCaptions);
    QCOMPARE(w.remoteCaptions(), (QStringList { "remote1", "remote2", "remote3" }));
    QVERIFY(messages.shown.isEmpty());
    // Reading never creates the set file.
    QVERIFY(!QFile::exists(work.file("remotes.lmr")));
}

void TstMainWindow::startWithFullSet()
{
    WorkDir work;
    SetFiles::write(work.file("remotes.lmr"), SetFiles::fullSet(58));
    MessageScript messages;
    MainWindow w;
    QCOMPARE(w.text4(), QStringLiteral("1"));
    QCOMPARE(w.text2(), QStringLiteral("58"));
    QCOMPARE(w.remoteCaptions(), (QStringList { "Remote 1", "Remote 2", "Remote 3" }));
    QStringList expected;
    for (int b = 1; b <= 12; ++b)
        expected << QStringLiteral("1.%1").arg(b);
    QCOMPARE(w.buttonCaptions(), expected);
    QVERIFY(messages.shown.isEmpty());
}

void TstMainWindow::startWithFileEndingAfterRecord5()
{
    WorkDir work;
    SetFiles::write(work.file("remotes.lmr"), { { 1, RecordValue::fromText("3") },
                                                { 2, RecordValue::fromText("TV") },
                                                { 3, RecordValue::fromText("Amp") },
                                                { 4, RecordValue::fromText("") },
                                                { 5, RecordValue::fromNumber(1234) } });
    MessageScript messages;
    MainWindow w;
    QCOMPARE(w.remoteCaptions(), (QStringList { "TV", "Amp", "" }));
    QCOMPARE(w.text2(), QStringLiteral("1234"));
    QCOMPARE(w.text4(), QStringLiteral("1"));
    QCOMPARE(w.buttonCaptions(), QStringList(12, QString()));
}

void TstMainWindow::startWithFixture_data()
{
    // Files written by another program, byte by byte (tests/data).
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("text2");
    QTest::addColumn<QStringList>("buttons");
    QStringList full;
    for (int b = 1; b <= 12; ++b)
        full << QStringLiteral("R1 K%1").arg(b);
    QTest::newRow("full set") << "full.lmr" << QStringList { "TV", "Ampli", QString::fromUtf8("Clim\u00e9") }
                              << "58" << full;
    QStringList corrupt(12, QString());
    corrupt[0] = QStringLiteral("first button");
    QTest::newRow("foreign and cut short") << "corrupt.lmr" << QStringList { "", "", "ok" } << "" << corrupt;
}

void TstMainWindow::startWithFixture()
{
    QFETCH(QString, fixture);
    QFETCH(QStringList, names);
    QFETCH(QString, text2);
    QFETCH(QStringList, buttons);
    WorkDir work;
    QVERIFY(QFile::copy(QStringLiteral(LUMO_TEST_DATA "/") + fixture, work.file("remotes.lmr")));
    MessageScript messages;
    MainWindow w;
    QCOMPARE(w.remoteCaptions(), names);
    QCOMPARE(w.text2(), text2);
    QCOMPARE(w.text4(), QStringLiteral("1"));
    QCOMPARE(w.buttonCaptions(), buttons);
    QVERIFY(messages.shown.isEmpty());
    // Reading changed nothing in the file.
    QCOMPARE(SetFiles::bytes(work.file("remotes.lmr")), SetFiles::bytes(QStringLiteral(LUMO_TEST_DATA "/") + fixture));
}

void TstMainWindow::startIgnoresRecord1AndDataFolderFile()
{
    WorkDir work;
    auto set = SetFiles::fullSet(9);
    set.insert(1, RecordValue::fromText("not three"));
    SetFiles::write(work.file("remotes.lmr"), set);
    // A set file inside the data folder is not the default one.
    QDir(work.path()).mkdir("data");
    SetFiles::write(work.file("data/remotes.lmr"), SetFiles::fullSet(77));
    MessageScript messages;
    MainWindow w;
    QCOMPARE(w.text2(), QStringLiteral("9"));
    QCOMPARE(w.button(1)->text(), QStringLiteral("1.1"));
    QCOMPARE(w.remoteCaptions().first(), QStringLiteral("Remote 1"));
}

void TstMainWindow::startWithExistingDataFile()
{
    // A file named "data" counts as present: nothing is created, no message.
    WorkDir work;
    QFile f(work.file("data"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    MessageScript messages;
    MainWindow w;
    QVERIFY(QFileInfo(work.file("data")).isFile());
    QVERIFY(messages.shown.isEmpty());
}

void TstMainWindow::setNumberRuleAtStart_data()
{
    QTest::addColumn<RecordValue>("record5");
    QTest::addColumn<QString>("text2");
    QTest::newRow("number") << RecordValue::fromNumber(67655) << "67655";
    QTest::newRow("zero") << RecordValue::fromNumber(0) << "0";
    QTest::newRow("digits text") << RecordValue::fromText("42") << "42";
    QTest::newRow("path text") << RecordValue::fromText("../../x") << "";
    QTest::newRow("fraction") << RecordValue::fromNumber(0.5) << "";
    QTest::newRow("negative") << RecordValue::fromNumber(-3) << "";
    QTest::newRow("huge") << RecordValue::fromNumber(1e20) << "";
    QTest::newRow("empty") << RecordValue::empty() << "";
}

void TstMainWindow::setNumberRuleAtStart()
{
    QFETCH(RecordValue, record5);
    QFETCH(QString, text2);
    WorkDir work;
    SetFiles::write(work.file("remotes.lmr"), { { 1, RecordValue::fromText("3") }, { 5, record5 } });
    MessageScript messages;
    MainWindow w;
    QCOMPARE(w.text2(), text2);
    QVERIFY(!w.text2().contains('/') && !w.text2().contains('.') && !w.text2().contains('\\'));
}

void TstMainWindow::unreadableSetFile()
{
    // A set file that exists but cannot be read (no read permission).
    WorkDir work;
    if (::getuid() != 0) {
        SetFiles::write(work.file("remotes.lmr"), SetFiles::fullSet(5));
        QFile::setPermissions(work.file("remotes.lmr"), QFileDevice::WriteOwner);
    } else {
        QSKIP("running as root: every file is readable");
    }
    MessageScript messages;
    MainWindow w;
    QCOMPARE(messages.shown.size(), 1);
    QVERIFY(messages.shown.first().text.contains(QDir::toNativeSeparators(work.file("remotes.lmr"))));
    QCOMPARE(messages.shown.first().icon, Messages::Icon::Error);
    // The program goes on with no set loaded.
    QCOMPARE(w.text4(), QStringLiteral("0"));
    QCOMPARE(w.text2(), QStringLiteral("0"));
    QCOMPARE(w.buttonCaptions(), kDefaultCaptions);
}

void TstMainWindow::dataFolderCannotBeCreated()
{
    // Start in a folder that has gone away under our feet: "data" cannot be
    // made there, and must not be made anywhere else instead.
    const bool rootData = QFileInfo::exists(QStringLiteral("/data"));
    QTemporaryDir gone;
    const QString old = QDir::currentPath();
    QVERIFY(QDir::setCurrent(gone.path()));
    QVERIFY(QDir(gone.path()).removeRecursively());
    MessageScript messages;
    {
        MainWindow w;
        QCOMPARE(w.text4(), QStringLiteral("0"));
        QCOMPARE(w.buttonCaptions(), kDefaultCaptions);
    }
    QDir::setCurrent(old);
    if (!rootData)
        QVERIFY(!QFileInfo::exists(QStringLiteral("/data")));
    QCOMPARE(messages.shown.size(), 1);
    QVERIFY(messages.shown.first().text.contains(QStringLiteral("data")));
    QCOMPARE(messages.shown.first().icon, Messages::Icon::Error);
}

void TstMainWindow::closingEmitsClosed()
{
    WorkDir work;
    MessageScript messages;
    MainWindow w;
    w.show();
    QSignalSpy closed(&w, &MainWindow::closed);
    QVERIFY(w.close());
    QCOMPARE(closed.count(), 1);
    QVERIFY(messages.shown.isEmpty());
}

QTEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"
