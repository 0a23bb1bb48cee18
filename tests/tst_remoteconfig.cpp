// Remotes > Edit Remotes: the remote configuration dialog (Form2).

#include "mainwindow.h"
#include "paths.h"
#include "remoteconfigdialog.h"
#include "testsupport.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <cmath>
#include <memory>

using Messages::Icon;

namespace {

QByteArray hex(const char *spaced)
{
    return QByteArray::fromHex(QByteArray(spaced).replace(' ', ""));
}

// u that draws the set number n.
double uFor(int n)
{
    return (n + 0.5) / 67656.0;
}

} // namespace

class TestRemoteConfig : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    // Save
    void firstSaveDrawsNumberAndSecondSaveDoesNot();
    void saveUnderNewNameKeepsNumber();
    void saveWithEmptyNames();
    void saveLeavesOtherRecordsAlone();
    void drawnNumber_data();
    void drawnNumber();
    void defaultGeneratorDrawsInRange();
    void unwritablePathChangesNothing_data();
    void unwritablePathChangesNothing();
    void nameLength_data();
    void nameLength();
    void setFolderCannotBeCreated();

    // Opening and Load
    void openingShowsMainWindowPathAndNames();
    void loadDiscardsEdits();
    void loadWithoutRecord5GivesEmptyNumber();
    void loadOfMissingFile();

    // Life cycle and design
    void doneAndCloseBoxEnableMainWindow_data();
    void doneAndCloseBoxEnableMainWindow();
    void onlyOneInstance();
    void designValues();

private:
    RemoteConfigDialog *open();
    QLineEdit *field(const char *name) const { return m_dialog->findChild<QLineEdit *>(QLatin1String(name)); }
    void click(const char *name)
    {
        auto *b = m_dialog->findChild<QPushButton *>(QLatin1String(name));
        QVERIFY(b);
        QTest::mouseClick(b, Qt::LeftButton);
    }
    void setNames(const QString &a, const QString &b, const QString &c)
    {
        field("Text1")->setText(a);
        field("Text2")->setText(b);
        field("Text3")->setText(c);
    }
    // Scripted draws; the last value repeats.
    void script(const QList<double> &us)
    {
        m_draws = us;
        m_drawCount = 0;
        RemoteConfigDialog::setRandomSource([this] {
            const double u = m_draws.at(qMin<qsizetype>(m_drawCount, m_draws.size() - 1));
            ++m_drawCount;
            return u;
        });
    }

    std::unique_ptr<WorkDir> m_work;
    std::unique_ptr<MessageScript> m_messages;
    std::unique_ptr<MainWindow> m_form1;
    QPointer<RemoteConfigDialog> m_dialog;
    QList<double> m_draws;
    int m_drawCount = 0;
};

void TestRemoteConfig::init()
{
    m_work = std::make_unique<WorkDir>();
    m_messages = std::make_unique<MessageScript>();
    m_form1 = std::make_unique<MainWindow>();
    m_form1->show();
    script({ uFor(58) });
}

void TestRemoteConfig::cleanup()
{
    if (m_dialog)
        m_dialog->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_form1.reset();
    m_messages.reset();
    m_work.reset();
    RemoteConfigDialog::setRandomSource({});
}

RemoteConfigDialog *TestRemoteConfig::open()
{
    m_form1->editRemotes();
    m_dialog = RemoteConfigDialog::instance();
    return m_dialog;
}

void TestRemoteConfig::firstSaveDrawsNumberAndSecondSaveDoesNot()
{
    const QString set = Paths::defaultSetFile();
    QVERIFY(!QFile::exists(set));
    QVERIFY(open());
    setNames(QStringLiteral("TV"), QStringLiteral("Radio"), QStringLiteral("DVD"));
    click("Command1");

    QVERIFY(m_messages->shown.isEmpty());
    QCOMPARE(m_drawCount, 1);
    QCOMPARE(SetFiles::bytes(set).size(), 5 * 128);
    QVERIFY(SetFiles::record(set, 1).startsWith(hex("08 00 01 00 33")));
    QVERIFY(SetFiles::record(set, 2).startsWith(hex("08 00 02 00 54 56")));
    QVERIFY(SetFiles::record(set, 3).startsWith(hex("08 00 05 00") + "Radio"));
    QVERIFY(SetFiles::record(set, 4).startsWith(hex("08 00 03 00") + "DVD"));
    QVERIFY(SetFiles::record(set, 5).startsWith(hex("05 00 00 00 00 00 00 00 4D 40")));
    QVERIFY(QFileInfo(Paths::setFolder(QStringLiteral("58"))).isDir());
    QCOMPARE(m_form1->text2(), QStringLiteral("58"));
    QCOMPARE(m_form1->remoteCaptions(), QStringList({ "TV", "Radio", "DVD" }));
    // The dialog stays open and the main window keeps its path and remote.
    QVERIFY(m_dialog && m_dialog->isVisible());
    QCOMPARE(m_form1->text1(), set);
    QCOMPARE(m_form1->text4(), QStringLiteral("0"));

    // A second save writes the names only and draws nothing.
    script({ uFor(999) });
    setNames(QStringLiteral("TV2"), QStringLiteral("Radio"), QStringLiteral("DVD"));
    click("Command1");
    QCOMPARE(m_drawCount, 0);
    QCOMPARE(SetFiles::bytes(set).size(), 5 * 128);
    QCOMPARE(SetFiles::captionOf(set, 2), QStringLiteral("TV2"));
    QCOMPARE(SetFiles::captionOf(set, 5), QStringLiteral("58"));
    QCOMPARE(m_form1->text2(), QStringLiteral("58"));
    QVERIFY(!QFileInfo::exists(Paths::setFolder(QStringLiteral("999"))));
}

void TestRemoteConfig::saveUnderNewNameKeepsNumber()
{
    m_form1->setText2(QStringLiteral("58"));
    QVERIFY(open());
    const QString other = m_work->file(QStringLiteral("other.lmr"));
    field("Text4")->setText(other);
    setNames(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"));
    click("Command1");

    QCOMPARE(m_drawCount, 0);
    QCOMPARE(SetFiles::bytes(other).size(), 4 * 128);
    QCOMPARE(SetFiles::captionOf(other, 5), QString());
    QCOMPARE(m_form1->text2(), QStringLiteral("58"));
    // The menu follows the saved names even though another file was written.
    QCOMPARE(m_form1->remoteCaptions(), QStringList({ "A", "B", "C" }));
    QCOMPARE(m_form1->text1(), Paths::defaultSetFile());
    QVERIFY(!QFile::exists(Paths::defaultSetFile()));
}

void TestRemoteConfig::saveWithEmptyNames()
{
    const QString set = Paths::defaultSetFile();
    SetFiles::write(set, SetFiles::fullSet(58));
    m_form1->setText2(QStringLiteral("58"));
    QVERIFY(open());
    QCOMPARE(field("Text2")->text(), QStringLiteral("Remote 2"));
    setNames(QString(), QString(), QString());
    click("Command1");
    for (int r = 2; r <= 4; ++r)
        QVERIFY(SetFiles::record(set, r).startsWith(hex("08 00 00 00")));
    QCOMPARE(m_form1->remoteCaptions(), QStringList({ "", "", "" }));
}

void TestRemoteConfig::saveLeavesOtherRecordsAlone()
{
    const QString set = Paths::defaultSetFile();
    SetFiles::write(set, SetFiles::fullSet(0));
    const QByteArray before = SetFiles::bytes(set);
    m_form1->setText2(QStringLiteral("0"));
    QVERIFY(open());
    setNames(QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("z"));
    click("Command1");
    const QByteArray after = SetFiles::bytes(set);
    QCOMPARE(after.size(), before.size());
    QCOMPARE(after.mid(5 * 128), before.mid(5 * 128));
    QCOMPARE(SetFiles::captionOf(set, 5), QStringLiteral("58"));
}

void TestRemoteConfig::drawnNumber_data()
{
    QTest::addColumn<QString>("text2");          // the main window's number before Save
    QTest::addColumn<QList<double>>("draws");
    QTest::addColumn<QStringList>("existing");   // set folders already there
    QTest::addColumn<QString>("expected");       // the main window's number after Save
    QTest::addColumn<int>("drawCount");

    QTest::newRow("drawn 0") << "0" << QList<double>{ 0.0 } << QStringList() << "0" << 1;
    QTest::newRow("drawn 0, folder 0 there") << "0" << QList<double>{ 0.0 } << QStringList{ "0" } << "0" << 1;
    QTest::newRow("largest") << "0" << QList<double>{ 0.9999999999 } << QStringList() << "67655" << 1;
    QTest::newRow("folder taken") << "0" << QList<double>{ uFor(58), uFor(58), uFor(7) }
                                  << QStringList{ "58" } << "7" << 3;
    QTest::newRow("empty number") << "" << QList<double>{ uFor(12) } << QStringList() << "12" << 1;
    QTest::newRow("not a number") << "abc" << QList<double>{ uFor(12) } << QStringList() << "12" << 1;
    QTest::newRow("out of range") << "70000" << QList<double>{ uFor(12) } << QStringList() << "12" << 1;
    QTest::newRow("has a number") << "4" << QList<double>{ uFor(12) } << QStringList() << "4" << 0;
}

void TestRemoteConfig::drawnNumber()
{
    QFETCH(QString, text2);
    QFETCH(QList<double>, draws);
    QFETCH(QStringList, existing);
    QFETCH(QString, expected);
    QFETCH(int, drawCount);

    for (const QString &e : existing)
        QVERIFY(QDir().mkdir(Paths::setFolder(e)));
    m_form1->setText2(text2);
    QVERIFY(open());
    script(draws);
    click("Command1");

    QVERIFY2(m_messages->shown.isEmpty(), qPrintable(m_messages->texts().join('\n')));
    QCOMPARE(m_drawCount, drawCount);
    QCOMPARE(m_form1->text2(), expected);
    const QString set = Paths::defaultSetFile();
    if (drawCount > 0) {
        QCOMPARE(SetFiles::bytes(set).size(), 5 * 128);
        QCOMPARE(SetFiles::record(set, 5).left(2), hex("05 00"));
        QCOMPARE(SetFiles::captionOf(set, 5), expected);
        QVERIFY(QFileInfo(Paths::setFolder(expected)).isDir());
    } else {
        QCOMPARE(SetFiles::bytes(set).size(), 4 * 128);
    }
    // A drawn 0 leaves the set without a number: the next Save draws again.
    if (expected == QLatin1String("0")) {
        script({ uFor(33) });
        click("Command1");
        QCOMPARE(m_drawCount, 1);
        QCOMPARE(m_form1->text2(), QStringLiteral("33"));
        QCOMPARE(SetFiles::captionOf(set, 5), QStringLiteral("33"));
    }
}

void TestRemoteConfig::defaultGeneratorDrawsInRange()
{
    RemoteConfigDialog::setRandomSource({});
    QVERIFY(open());
    QSet<QString> seen;
    for (int i = 0; i < 5; ++i) {
        m_form1->setText2(QStringLiteral("0"));
        click("Command1");
        int n = -1;
        QVERIFY(Paths::parseSetNumber(m_form1->text2(), &n));
        QVERIFY(QFileInfo(Paths::setFolder(m_form1->text2())).isDir());
        seen.insert(m_form1->text2());
    }
    // Five draws in quick succession still differ (the seed is not the
    // clock's seconds alone).
    QVERIFY(seen.size() >= 4);
    QCOMPARE(RemoteConfigDialog::setNumberFrom(0.0), 0);
    QCOMPARE(RemoteConfigDialog::setNumberFrom(std::nextafter(1.0, 0.0)), 67655);
    QCOMPARE(RemoteConfigDialog::setNumberFrom(1.0), 67655);
}

void TestRemoteConfig::unwritablePathChangesNothing_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("why");
    QTest::newRow("missing folder") << "nowhere/set.lmr" << "does not exist";
    QTest::newRow("a folder") << "data" << "folder";
    QTest::newRow("empty") << "" << "no file name";
}

void TestRemoteConfig::unwritablePathChangesNothing()
{
    QFETCH(QString, path);
    QFETCH(QString, why);
    const QString full = path.isEmpty() ? path : m_work->file(path);

    QVERIFY(open());
    field("Text4")->setText(full);
    setNames(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"));
    click("Command1");

    QCOMPARE(m_messages->shown.size(), 1);
    const Messages::Request box = m_messages->shown.first();
    QVERIFY2(box.text.contains(why), qPrintable(box.text));
    if (!full.isEmpty())
        QVERIFY2(box.text.contains(QDir::toNativeSeparators(full)), qPrintable(box.text));
    QCOMPARE(box.icon, Icon::Error);
    QCOMPARE(m_form1->remoteCaptions(), QStringList({ "remote1", "remote2", "remote3" }));
    QCOMPARE(m_form1->text2(), QStringLiteral("0"));
    QCOMPARE(m_drawCount, 0);
    QCOMPARE(QDir(Paths::dataFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    QVERIFY(!QFileInfo::exists(m_work->file(QStringLiteral("nowhere"))));
    QVERIFY(QFileInfo(Paths::dataFolder()).isDir());
}

void TestRemoteConfig::nameLength_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<QChar>("character");
    QTest::addColumn<bool>("saved");
    QTest::newRow("124 bytes") << 124 << QChar('x') << true;
    QTest::newRow("125 bytes") << 125 << QChar('x') << false;
    // An accented letter takes one byte in the 8-bit code page.
    QTest::newRow("124 accented") << 124 << QChar(0xE9) << true;
    QTest::newRow("125 accented") << 125 << QChar(0xE9) << false;
}

void TestRemoteConfig::nameLength()
{
    QFETCH(int, length);
    QFETCH(QChar, character);
    QFETCH(bool, saved);
    const QString name(length, character);

    const QString set = Paths::defaultSetFile();
    SetFiles::write(set, SetFiles::fullSet(58));
    QVERIFY(m_form1->readSet(true));
    const QByteArray before = SetFiles::bytes(set);
    QVERIFY(open());
    setNames(QStringLiteral("A"), name, QStringLiteral("C"));
    click("Command1");

    if (saved) {
        QVERIFY(m_messages->shown.isEmpty());
        const QByteArray r3 = SetFiles::record(set, 3);
        QCOMPARE(r3.left(4), hex("08 00 7C 00"));
        QCOMPARE(r3.mid(4), QByteArray(124, char(character.unicode())));
        QCOMPARE(m_form1->remoteCaptions().at(1), name);
    } else {
        QCOMPARE(m_messages->shown.size(), 1);
        QVERIFY2(m_messages->shown.first().text.contains(QLatin1String("remote 2")),
                 qPrintable(m_messages->shown.first().text));
        QCOMPARE(SetFiles::bytes(set), before);
        QCOMPARE(m_form1->remoteCaptions(), QStringList({ "Remote 1", "Remote 2", "Remote 3" }));
        QCOMPARE(m_form1->text2(), QStringLiteral("58"));
    }
}

void TestRemoteConfig::setFolderCannotBeCreated()
{
    // A file where the data folder should be: no set folder can be made.
    QVERIFY(QDir(Paths::dataFolder()).removeRecursively());
    {
        QFile f(Paths::dataFolder());
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QVERIFY(open());
    setNames(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"));
    click("Command1");

    QCOMPARE(m_messages->shown.size(), 1);
    QVERIFY2(m_messages->shown.first().text.contains(QDir::toNativeSeparators(Paths::setFolder("58"))),
             qPrintable(m_messages->shown.first().text));
    // The names are saved; the set still has no number.
    const QString set = Paths::defaultSetFile();
    QCOMPARE(SetFiles::bytes(set).size(), 4 * 128);
    QCOMPARE(m_form1->text2(), QStringLiteral("0"));
    QCOMPARE(m_form1->remoteCaptions(), QStringList({ "A", "B", "C" }));
}

void TestRemoteConfig::openingShowsMainWindowPathAndNames()
{
    QVERIFY(open());
    QCOMPARE(field("Text4")->text(), Paths::defaultSetFile());
    QCOMPARE(field("Text1")->text(), QString());
    QVERIFY(!QFile::exists(Paths::defaultSetFile()));
    m_dialog->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    QMap<int, RecordValue> set = SetFiles::fullSet(58);
    set.insert(5, RecordValue::fromNumber(1234));
    SetFiles::write(Paths::defaultSetFile(), set);
    QVERIFY(open());
    QCOMPARE(field("Text1")->text(), QStringLiteral("Remote 1"));
    QCOMPARE(field("Text2")->text(), QStringLiteral("Remote 2"));
    QCOMPARE(field("Text3")->text(), QStringLiteral("Remote 3"));
    // Opening does not read the set number.
    QCOMPARE(m_form1->text2(), QStringLiteral("0"));
    QVERIFY(m_messages->shown.isEmpty());
}

void TestRemoteConfig::loadDiscardsEdits()
{
    SetFiles::write(Paths::defaultSetFile(), SetFiles::fullSet(77));
    QVERIFY(open());
    setNames(QStringLiteral("edited"), QStringLiteral("edited"), QStringLiteral("edited"));
    click("Command2");
    QCOMPARE(field("Text1")->text(), QStringLiteral("Remote 1"));
    QCOMPARE(field("Text3")->text(), QStringLiteral("Remote 3"));
    QCOMPARE(m_form1->text2(), QStringLiteral("77"));
    QCOMPARE(m_form1->remoteCaptions(), QStringList({ "Remote 1", "Remote 2", "Remote 3" }));

    // Loading another file takes its names and number but not its path.
    QMap<int, RecordValue> other = SetFiles::fullSet(9);
    other.insert(2, RecordValue::fromText(QStringLiteral("Other")));
    const QString otherPath = m_work->file(QStringLiteral("other.lmr"));
    SetFiles::write(otherPath, other);
    m_form1->setText4(QStringLiteral("2"));
    const QStringList buttons = m_form1->buttonCaptions();
    field("Text4")->setText(otherPath);
    click("Command2");
    QCOMPARE(m_form1->text2(), QStringLiteral("9"));
    QCOMPARE(m_form1->remoteItem(1)->text(), QStringLiteral("Other"));
    QCOMPARE(m_form1->text1(), Paths::defaultSetFile());
    QCOMPARE(m_form1->text4(), QStringLiteral("2"));
    QCOMPARE(m_form1->buttonCaptions(), buttons);
    QVERIFY(m_messages->shown.isEmpty());
}

void TestRemoteConfig::loadWithoutRecord5GivesEmptyNumber()
{
    const QString set = Paths::defaultSetFile();
    SetFiles::write(set, { { 1, RecordValue::fromText("3") }, { 2, RecordValue::fromText("a") },
                           { 3, RecordValue::fromText("b") }, { 4, RecordValue::fromText("c") } });
    m_form1->setText2(QStringLiteral("58"));
    QVERIFY(open());
    click("Command2");
    QCOMPARE(m_form1->text2(), QString());
    QCOMPARE(field("Text2")->text(), QStringLiteral("b"));
    // Such a set counts as having no number: the next Save gives it one.
    click("Command1");
    QCOMPARE(m_drawCount, 1);
    QCOMPARE(m_form1->text2(), QStringLiteral("58"));
    QCOMPARE(SetFiles::captionOf(set, 5), QStringLiteral("58"));
}

void TestRemoteConfig::loadOfMissingFile()
{
    QVERIFY(open());
    setNames(QStringLiteral("keep"), QString(), QString());
    click("Command2");
    QCOMPARE(m_messages->shown.size(), 1);
    const Messages::Request box = m_messages->shown.first();
    QCOMPARE(box.text, QStringLiteral("File specified does not exist"));
    QCOMPARE(box.title, QStringLiteral("Lumo Control Software"));
    QCOMPARE(box.icon, Icon::None);
    QCOMPARE(box.buttons, Messages::Buttons::Ok);
    QCOMPARE(field("Text1")->text(), QStringLiteral("keep"));
    QCOMPARE(m_form1->text2(), QStringLiteral("0"));
    QCOMPARE(m_form1->remoteCaptions(), QStringList({ "remote1", "remote2", "remote3" }));
    QVERIFY(!QFile::exists(Paths::defaultSetFile()));
}

void TestRemoteConfig::doneAndCloseBoxEnableMainWindow_data()
{
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("Done") << false;
    QTest::newRow("close box") << true;
}

void TestRemoteConfig::doneAndCloseBoxEnableMainWindow()
{
    QFETCH(bool, closeBox);
    SetFiles::write(Paths::defaultSetFile(), SetFiles::fullSet(58));
    QVERIFY(m_form1->isEnabled());
    QVERIFY(open());
    QVERIFY(!m_form1->isEnabled());
    QVERIFY(m_dialog->isVisible());
    QVERIFY(m_dialog->isEnabled());
    field("Text1")->setText(QStringLiteral("unsaved"));
    field("Text4")->setText(QStringLiteral("elsewhere.lmr"));

    if (closeBox)
        m_dialog->close();
    else
        click("Command3");
    QVERIFY(m_form1->isEnabled());
    QTRY_VERIFY(RemoteConfigDialog::instance().isNull());
    QVERIFY(m_dialog.isNull());
    // Nothing was saved on closing.
    QCOMPARE(SetFiles::captionOf(Paths::defaultSetFile(), 2), QStringLiteral("Remote 1"));

    // Reopened: built afresh from the design and the main window's file.
    QVERIFY(open());
    QCOMPARE(field("Text1")->text(), QStringLiteral("Remote 1"));
    QCOMPARE(field("Text4")->text(), Paths::defaultSetFile());
    QVERIFY(!m_form1->isEnabled());
}

void TestRemoteConfig::onlyOneInstance()
{
    RemoteConfigDialog *first = open();
    QVERIFY(first);
    m_form1->editRemotes();
    QCOMPARE(RemoteConfigDialog::instance().data(), first);
    int count = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        count += w->objectName() == QLatin1String("Form2");
    QCOMPARE(count, 1);
}

void TestRemoteConfig::designValues()
{
    QVERIFY(open());
    QCOMPARE(m_dialog->objectName(), QStringLiteral("Form2"));
    QCOMPARE(m_dialog->windowTitle(), QStringLiteral("Remote Configuration"));
    QCOMPARE(m_dialog->size(), QSize(278, 213));
    QVERIFY(!m_dialog->windowIcon().isNull());
    QVERIFY(!m_dialog->parentWidget());

    QCOMPARE(field("Text1")->geometry(), QRect(128, 48, 129, 19));
    QCOMPARE(field("Text4")->geometry(), QRect(96, 16, 161, 19));
    auto *save = m_dialog->findChild<QPushButton *>(QStringLiteral("Command1"));
    auto *done = m_dialog->findChild<QPushButton *>(QStringLiteral("Command3"));
    auto *load = m_dialog->findChild<QPushButton *>(QStringLiteral("Command2"));
    QVERIFY(save && done && load);
    QCOMPARE(save->text(), QStringLiteral("Save"));
    QCOMPARE(done->text(), QStringLiteral("Done"));
    QCOMPARE(load->text(), QStringLiteral("Load"));
    QCOMPARE(done->geometry(), QRect(112, 152, 49, 25));
    QVERIFY(!save->font().bold());

    auto *label1 = m_dialog->findChild<QLabel *>(QStringLiteral("Label1"));
    auto *label4 = m_dialog->findChild<QLabel *>(QStringLiteral("Label4"));
    QVERIFY(label1 && label4);
    QCOMPARE(label1->text(), QStringLiteral("Remote 1 Caption:"));
    QCOMPARE(label4->text(), QStringLiteral("Filename:"));
    QVERIFY(label1->font().bold());
    QCOMPARE(label4->geometry(), QRect(16, 16, 55, 13));

    // Tab order: Text1, Text2, Text3, Save, Done, Load, Filename.
    const QList<QWidget *> order = { field("Text1"), field("Text2"), field("Text3"), save, done, load,
                                     field("Text4") };
    for (int i = 1; i < order.size(); ++i) {
        QWidget *next = order.at(i - 1)->nextInFocusChain();
        while (next->focusPolicy() == Qt::NoFocus)
            next = next->nextInFocusChain();
        QCOMPARE(next, order.at(i));
    }
}

QTEST_MAIN(TestRemoteConfig)
#include "tst_remoteconfig.moc"
