// Remotes > Edit Remotes: the remote configuration dialog (Form2).

#include "mainwindow.h"
#include "paths.h"
#include "remoteconfigdialog.h"
#include "testsupport.h"

#include <QLineEdit>
#include <QPushButton>
#include <memory>

using namespace Qt::StringLiterals;
using Draws = QList<double>;

static double uFor(int n) { return (n + 0.5) / 67656.0; } // the draw giving set number n

class TestRemoteConfig : public QObject
{
    Q_OBJECT
    std::unique_ptr<WorkDir> m_work;
    std::unique_ptr<MessageScript> m_msgs;
    std::unique_ptr<MainWindow> m_form1;
    QPointer<RemoteConfigDialog> m_dialog;
    Draws m_draws;
    int m_drawCount = 0;

    static QString set() { return Paths::defaultSetFile(); }
    static QString cap(int record, const QString &file = set()) { return SetFiles::captionOf(file, record); }
    QLineEdit *field(const char *name) const { return m_dialog->findChild<QLineEdit *>(name); }
    void click(const char *name) { QTest::mouseClick(m_dialog->findChild<QPushButton *>(name), Qt::LeftButton); }
    bool open() { m_form1->editRemotes(); return (m_dialog = RemoteConfigDialog::instance()); }
    // The dialog on a full set numbered n that the main window has read.
    bool openOnSet(double n) { SetFiles::write(set(), SetFiles::fullSet(n)); return m_form1->readSet(true) && open(); }
    void save(const QStringList &names)
    {
        for (const char *f : { "Text1", "Text2", "Text3" })
            field(f)->setText(names.at(f[4] - '1'));
        click("Command1");
    }
    void script(const Draws &us) // the last draw repeats
    {
        m_draws = us;
        m_drawCount = 0;
        RemoteConfigDialog::setRandomSource([this] { return m_draws.at(qMin<qsizetype>(m_drawCount++, m_draws.size() - 1)); });
    }

private slots:
    void init()
    {
        m_work = std::make_unique<WorkDir>();
        m_msgs = std::make_unique<MessageScript>();
        m_form1 = std::make_unique<MainWindow>();
        m_form1->show();
        script({ uFor(58) });
    }
    void cleanup()
    {
        if (m_dialog)
            m_dialog->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_form1.reset();
        m_msgs.reset();
        m_work.reset();
        RemoteConfigDialog::setRandomSource({});
    }

    // A new set: the first Save writes records 1-5, makes the set folder and
    // shows the number; later ones write records 1-4 only and draw nothing,
    // also under a new name, where the main window keeps its own file.
    void firstSecondAndNewNameSave()
    {
        QVERIFY(!QFile::exists(set()) && open());
        save({ "TV", "Radio", "DVD" });
        QVERIFY(m_msgs->shown.isEmpty() && m_dialog->isVisible());
        QCOMPARE(m_drawCount, 1);
        const QByteArray file = SetFiles::bytes(set());
        QCOMPARE(file.size(), 5 * 128);
        QCOMPARE(file.left(5), QByteArray::fromHex("08 00 01 00 33"));
        QCOMPARE(file.mid(128, 6), QByteArray::fromHex("08 00 02 00") + "TV");
        QCOMPARE(cap(4), u"DVD"_s);
        QCOMPARE(file.mid(4 * 128, 10), QByteArray::fromHex("05 00 00 00 00 00 00 00 4D 40"));
        QVERIFY(QFileInfo(Paths::setFolder(u"58"_s)).isDir());
        QCOMPARE(m_form1->text2(), u"58"_s);
        QCOMPARE(m_form1->remoteCaptions(), QStringList({ "TV", "Radio", "DVD" }));

        script({ uFor(999) });
        save({ "TV2", "Radio", "DVD" });
        QCOMPARE(cap(2), u"TV2"_s);
        QCOMPARE(SetFiles::bytes(set()).mid(2 * 128), file.mid(2 * 128));
        const QString other = m_work->file(u"other.lmr"_s);
        field("Text4")->setText(other);
        save({ "A", "B", "C" });
        QCOMPARE(SetFiles::bytes(other).size(), 4 * 128);
        QCOMPARE(m_form1->remoteCaptions(), QStringList({ "A", "B", "C" }));
        QCOMPARE(m_form1->text1(), set());
        QCOMPARE(cap(2), u"TV2"_s);
        QCOMPARE(m_form1->text2(), u"58"_s);
        QCOMPARE(m_drawCount, 0);
        QVERIFY(!QFileInfo::exists(Paths::setFolder(u"999"_s)));
    }

    void drawnNumber_data()
    {
        QTest::addColumn<QString>("text2");    // the main window's number before Save
        QTest::addColumn<Draws>("draws");
        QTest::addColumn<QString>("existing"); // a set folder already there
        QTest::addColumn<QString>("expected"); // the number after Save
        QTest::addColumn<int>("drawCount");
        QTest::newRow("drawn 0") << "0" << Draws{ 0.0 } << "" << "0" << 1;
        QTest::newRow("drawn 0, folder 0 there") << "0" << Draws{ 0.0 } << "0" << "0" << 1;
        QTest::newRow("largest") << "0" << Draws{ 0.9999999999 } << "" << "67655" << 1;
        QTest::newRow("folder taken") << "0" << Draws{ uFor(58), uFor(58), uFor(7) } << "58" << "7" << 3;
        QTest::newRow("empty") << "" << Draws{ uFor(12) } << "" << "12" << 1;
        QTest::newRow("not a number") << "abc" << Draws{ uFor(12) } << "" << "12" << 1;
        QTest::newRow("out of range") << "70000" << Draws{ uFor(12) } << "" << "12" << 1;
        QTest::newRow("has a number") << "4" << Draws{ uFor(12) } << "" << "4" << 0;
    }
    void drawnNumber()
    {
        QFETCH(QString, text2);
        QFETCH(Draws, draws);
        QFETCH(QString, existing);
        QFETCH(QString, expected);
        QFETCH(int, drawCount);
        QVERIFY(existing.isEmpty() || QDir().mkdir(Paths::setFolder(existing)));
        m_form1->setText2(text2);
        script(draws);
        QVERIFY(open());
        click("Command1");
        QVERIFY(m_msgs->shown.isEmpty());
        QCOMPARE(m_drawCount, drawCount);
        QCOMPARE(m_form1->text2(), expected);
        QCOMPARE(SetFiles::bytes(set()).size(), (drawCount ? 5 : 4) * 128);
        QVERIFY(!drawCount || (cap(5) == expected && QFileInfo(Paths::setFolder(expected)).isDir()));
        if (expected == "0"_L1) { // a drawn 0 is still no number: the next Save draws again
            script({ uFor(33) });
            click("Command1");
            QCOMPARE(m_form1->text2(), u"33"_s);
            QCOMPARE(cap(5), u"33"_s);
        }
    }

    // The default generator, seeded from the clock: quick draws still differ.
    void defaultGenerator()
    {
        RemoteConfigDialog::setRandomSource({});
        QVERIFY(open());
        QSet<QString> seen;
        for (int i = 0; i < 5; ++i) {
            m_form1->setText2(u"0"_s);
            click("Command1");
            seen.insert(m_form1->text2());
        }
        QVERIFY(seen.size() >= 4);
    }

    void saveIntoNumberlessSet_data()
    {
        QTest::addColumn<QString>("path");  // in the work folder; "" for none
        QTest::addColumn<QString>("name");  // remote 2's
        QTest::addColumn<QString>("error"); // a part of the message; "" when saved
        QTest::newRow("empty name") << "remotes.lmr" << "" << "";
        QTest::newRow("124 bytes") << "remotes.lmr" << QString(124, 'x') << "";
        QTest::newRow("125 bytes") << "remotes.lmr" << QString(125, 'x') << "remote 2";
        // An accented letter takes one byte in the 8-bit code page.
        QTest::newRow("124 accented") << "remotes.lmr" << QString(124, QChar(0xE9)) << "";
        QTest::newRow("125 accented") << "remotes.lmr" << QString(125, QChar(0xE9)) << "remote 2";
        QTest::newRow("missing folder") << "nowhere/set.lmr" << "B" << "does not exist";
        QTest::newRow("a folder") << "data" << "B" << "folder";
        QTest::newRow("no file name") << "" << "B" << "no file name";
    }
    // A save writes records 2-4 and a drawn record 5, every other record
    // staying as it was; a refused one is reported and changes nothing.
    void saveIntoNumberlessSet()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QFETCH(QString, error);
        QVERIFY(openOnSet(0));
        const QByteArray before = SetFiles::bytes(set());
        field("Text4")->setText(path.isEmpty() ? path : m_work->file(path));
        save({ "A", name, "C" });
        const QByteArray after = SetFiles::bytes(set());
        if (error.isEmpty()) {
            QVERIFY(m_msgs->shown.isEmpty());
            QCOMPARE(cap(3), name);
            QCOMPARE(cap(5), u"58"_s);
            QCOMPARE(after.left(128) + after.mid(5 * 128), before.left(128) + before.mid(5 * 128));
            QCOMPARE(m_form1->remoteCaptions(), QStringList({ "A", name, "C" }));
            return;
        }
        QCOMPARE(m_msgs->shown.size(), 1);
        QVERIFY2(m_msgs->texts().first().contains(error), qPrintable(m_msgs->texts().first()));
        QCOMPARE(after, before);
        QCOMPARE(m_form1->remoteCaptions(), QStringList({ "Remote 1", "Remote 2", "Remote 3" }));
        QCOMPARE(m_form1->text2(), u"0"_s);
        QVERIFY(!QFileInfo::exists(m_work->file(u"nowhere"_s)) && !QFileInfo::exists(Paths::setFolder(u"58"_s)));
    }

    // A file where the data folder goes: the names are saved, the set stays
    // without a number and the user is told which folder failed.
    void setFolderCannotBeMade()
    {
        QFile blocker(Paths::dataFolder());
        QVERIFY(QDir(Paths::dataFolder()).removeRecursively() && blocker.open(QIODevice::WriteOnly) && open());
        click("Command1");
        QCOMPARE(m_msgs->shown.size(), 1);
        QVERIFY(m_msgs->texts().first().contains(QDir::toNativeSeparators(Paths::setFolder(u"58"_s))));
        QCOMPARE(SetFiles::bytes(set()).size(), 4 * 128);
        QCOMPARE(m_form1->text2(), u"0"_s);
    }

    // Load: a missing file is only reported; a file's names and number
    // replace the edits, but not the main window's file, remote or buttons;
    // without record 5 the number is empty and the next Save draws one.
    void load()
    {
        QVERIFY(open());
        field("Text1")->setText(u"edited"_s);
        click("Command2");
        QCOMPARE(m_msgs->texts(), QStringList{ "File specified does not exist" });
        QCOMPARE(field("Text1")->text(), u"edited"_s);
        SetFiles::write(set(), SetFiles::fullSet(77));
        click("Command2");
        QCOMPARE(field("Text1")->text(), u"Remote 1"_s);
        QCOMPARE(m_form1->text2(), u"77"_s);

        const QString other = m_work->file(u"other.lmr"_s);
        SetFiles::write(other, { { 1, RecordValue::fromText(u"3"_s) }, { 2, RecordValue::fromText(u"a"_s) },
                                 { 3, RecordValue::fromText(u"b"_s) }, { 4, RecordValue::fromText(u"c"_s) } });
        m_form1->setText4(u"2"_s);
        const QStringList buttons = m_form1->buttonCaptions();
        field("Text4")->setText(other);
        click("Command2");
        QCOMPARE(m_form1->text2(), QString());
        QCOMPARE(field("Text2")->text(), u"b"_s);
        QCOMPARE(m_form1->remoteCaptions(), QStringList({ "a", "b", "c" }));
        QCOMPARE(m_form1->text1() + m_form1->text4(), set() + u"2"_s);
        QCOMPARE(m_form1->buttonCaptions(), buttons);
        click("Command1");
        QCOMPARE(m_form1->text2(), u"58"_s);
        QCOMPARE(cap(5, other), u"58"_s);
        QCOMPARE(m_msgs->shown.size(), 1);
    }

    void doneAndCloseBox_data()
    {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("Done") << false;
        QTest::newRow("close box") << true;
    }
    // One dialog at a time; leaving it saves nothing and enables the main
    // window; reopened, it starts from the design and the main window's file.
    void doneAndCloseBox()
    {
        QFETCH(bool, closeBox);
        QVERIFY(openOnSet(58));
        QCOMPARE(m_dialog->objectName() + '|' + m_dialog->windowTitle(), u"Form2|Remote Configuration"_s);
        QVERIFY(!m_form1->isEnabled());
        m_form1->editRemotes();
        QCOMPARE(RemoteConfigDialog::instance().data(), m_dialog.data());
        field("Text1")->setText(u"unsaved"_s);
        field("Text4")->setText(u"elsewhere.lmr"_s);
        closeBox ? void(m_dialog->close()) : click("Command3");
        QVERIFY(m_form1->isEnabled());
        QTRY_VERIFY(m_dialog.isNull());
        QCOMPARE(cap(2), u"Remote 1"_s);
        QVERIFY(open());
        QCOMPARE(field("Text1")->text(), u"Remote 1"_s);
        QCOMPARE(field("Text4")->text(), set());
        QVERIFY(!m_form1->isEnabled());
    }
};

QTEST_MAIN(TestRemoteConfig)
#include "tst_remoteconfig.moc"
