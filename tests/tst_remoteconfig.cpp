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

static double uFor(int n)
{
    return (n + 0.5) / 67656.0;
} // the draw giving set number n

class TstRemoteConfig : public QObject
{
    Q_OBJECT
    struct Env
    {
        WorkDir work;
        MessageScript msgs;
        MainWindow form1;
    };
    std::unique_ptr<Env> m_env;
    MainWindow *m_form1 = nullptr;
    QPointer<RemoteConfigDialog> m_dialog;
    Draws m_draws;
    int m_drawCount = 0;

    static QString set() { return Paths::defaultSetFile(); }
    static QString cap(int record, const QString &file = set()) { return SetFiles::captionOf(file, record); }
    QLineEdit *field(const char *name) const { return m_dialog->findChild<QLineEdit *>(name); }
    void click(const char *name)
    {
        QTest::mouseClick(m_dialog->findChild<QPushButton *>(name), Qt::LeftButton);
    }
    bool open()
    {
        m_form1->editRemotes();
        return (m_dialog = RemoteConfigDialog::instance());
    }
    // The dialog on a full set numbered n that the main window has read.
    bool openOnSet(double n)
    {
        SetFiles::write(set(), SetFiles::fullSet(n));
        return m_form1->readSet(true) && open();
    }
    void save(const QStringList &names)
    {
        for (const char *f : { "Text1", "Text2", "Text3" })
            field(f)->setText(names.at(f[4] - '1'));
        click("Command1");
    }

    void script(const Draws &us) { m_draws = us, m_drawCount = 0; } // the last draw repeats

private slots:
    void init()
    {
        m_env = std::make_unique<Env>();
        m_form1 = &m_env->form1;
        script({ uFor(58) });
        RemoteConfigDialog::setRandomSource(
            [this] { return m_draws.at(qMin<qsizetype>(m_drawCount++, m_draws.size() - 1)); });
    }

    void cleanup()
    {
        delete m_dialog;
        m_env.reset();
        RemoteConfigDialog::setRandomSource({});
    }

    // New set: Save 1 writes records 1-5, numbers the set; later ones write 1-4, draw nothing.
    void firstSecondAndNewNameSave()
    {
        QVERIFY(!QFile::exists(set()) && open());
        save({ "TV", "Radio", "DVD" });
        QVERIFY(m_env->msgs.shown.isEmpty() && m_dialog->isVisible());
        QCOMPARE(m_drawCount, 1);
        const QByteArray file = SetFiles::bytes(set());
        QCOMPARE(file.size(), 5 * 128);
        QCOMPARE(file.left(5), QByteArray::fromHex("08 00 01 00 33"));
        QCOMPARE(file.mid(4 * 128, 10), QByteArray::fromHex("05 00 00 00 00 00 00 00 4D 40"));
        QVERIFY(QFileInfo(Paths::setFolder(u"58"_s)).isDir());
        QCOMPARE(m_form1->setNumberText(), u"58"_s);
        QCOMPARE(m_form1->remoteCaptions(), QStringList({ "TV", "Radio", "DVD" }));
        script({ uFor(999) });
        save({ "TV2", "Radio", "DVD" });
        QCOMPARE(cap(2), u"TV2"_s);
        const QByteArray second = SetFiles::bytes(set());
        QCOMPARE(second.mid(2 * 128), file.mid(2 * 128));
        const QString other = m_env->work.file(u"other.lmr"_s);
        field("Text4")->setText(other);
        save({ "A", "B", "C" });
        QCOMPARE(SetFiles::bytes(other).size(), 4 * 128);
        QCOMPARE(m_form1->remoteCaptions(), QStringList({ "A", "B", "C" }));
        QCOMPARE(m_form1->setFilePath() + m_form1->setNumberText(), set() + u"58"_s);
        QCOMPARE(SetFiles::bytes(set()), second);
        QCOMPARE(m_drawCount, 0);
    }

    void drawnNumber_data()
    {
        QTest::addColumn<QString>("text2"); // the main window's number before Save
        QTest::addColumn<Draws>("draws");
        QTest::addColumn<QString>("existing"); // a set folder already there
        QTest::addColumn<QString>("expected"); // the number after Save
        QTest::addColumn<int>("drawCount");
        QTest::newRow("drawn 0, folder 0 there") << "0" << Draws{ 0.0 } << "0"
                                                 << "0" << 1;
        QTest::newRow("largest") << "0" << Draws{ 0.9999999999 } << ""
                                 << "67655" << 1;
        QTest::newRow("folder taken") << "0" << Draws{ uFor(58), uFor(58), uFor(7) } << "58"
                                      << "7" << 3;
        QTest::newRow("not a number") << "abc" << Draws{ uFor(12) } << ""
                                      << "12" << 1;
        QTest::newRow("has a number") << "4" << Draws{ uFor(12) } << ""
                                      << "4" << 0;
    }

    void drawnNumber()
    {
        QFETCH(QString, text2);
        QFETCH(Draws, draws);
        QFETCH(QString, existing);
        QFETCH(QString, expected);
        QFETCH(int, drawCount);
        QVERIFY(existing.isEmpty() || QDir().mkdir(Paths::setFolder(existing)));
        m_form1->setSetNumberText(text2);
        script(draws);
        QVERIFY(open());
        click("Command1");
        QVERIFY(m_env->msgs.shown.isEmpty());
        QCOMPARE(m_drawCount, drawCount);
        QCOMPARE(m_form1->setNumberText(), expected);
        QCOMPARE(SetFiles::bytes(set()).size(), (drawCount ? 5 : 4) * 128);
        QVERIFY(!drawCount || (cap(5) == expected && QFileInfo(Paths::setFolder(expected)).isDir()));
    }

    // The default generator, seeded from the clock: quick draws still differ.
    void defaultGenerator()
    {
        RemoteConfigDialog::setRandomSource({});
        QVERIFY(open());
        QSet<QString> seen;
        for (int i = 0; i < 5; ++i) {
            m_form1->setSetNumberText(u"0"_s);
            click("Command1");
            seen.insert(m_form1->setNumberText());
        }
        QVERIFY(seen.size() >= 4);
    }

    void saveIntoNumberlessSet_data()
    {
        QTest::addColumn<QString>("path");  // in the work folder; "" for none
        QTest::addColumn<QString>("name");  // remote 2's
        QTest::addColumn<QString>("error"); // a part of the message; "" when saved
        QTest::newRow("empty name") << "remotes.lmr"
                                    << ""
                                    << "";
        QTest::newRow("125 bytes") << "remotes.lmr" << QString(125, 'x') << "remote 2";
        // An accented letter takes one byte in the 8-bit code page.
        QTest::newRow("124 accented") << "remotes.lmr" << QString(124, QChar(0xE9)) << "";
        QTest::newRow("125 accented") << "remotes.lmr" << QString(125, QChar(0xE9)) << "remote 2";
        QTest::newRow("missing folder") << "nowhere/set.lmr"
                                        << "B"
                                        << "does not exist";
        QTest::newRow("no file name") << ""
                                      << "B"
                                      << "no file name";
    }

    // Saved: records 2-4 and a drawn record 5, the others unchanged; refused: nothing changes.
    void saveIntoNumberlessSet()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QFETCH(QString, error);
        QVERIFY(openOnSet(0));
        const QByteArray before = SetFiles::bytes(set());
        field("Text4")->setText(path.isEmpty() ? path : m_env->work.file(path));
        save({ "A", name, "C" });
        const QByteArray after = SetFiles::bytes(set());
        const bool saved = error.isEmpty();
        QCOMPARE(m_env->msgs.shown.size(), saved ? 0 : 1);
        QVERIFY2(saved || m_env->msgs.texts().first().contains(error),
                 qPrintable(m_env->msgs.texts().join('\n')));
        QVERIFY(saved || after == before);
        QCOMPARE(after.left(128) + after.mid(5 * 128), before.left(128) + before.mid(5 * 128));
        QCOMPARE(cap(3), saved ? name : u"Remote 2"_s);
        QCOMPARE(m_form1->remoteCaptions().at(1), saved ? name : u"Remote 2"_s);
        QCOMPARE(m_form1->setNumberText(), saved ? u"58"_s : u"0"_s);
        QCOMPARE(QFileInfo::exists(Paths::setFolder(u"58"_s)), saved);
    }

    // No set folder can be made: the names are saved, the set keeps no number.
    void setFolderCannotBeMade()
    {
        QFile blocker(Paths::dataFolder()); // a file where the data folder goes
        QVERIFY(QDir(Paths::dataFolder()).removeRecursively() && blocker.open(QIODevice::WriteOnly)
                && open());
        click("Command1");
        QCOMPARE(m_env->msgs.shown.size(), 1);
        QVERIFY(m_env->msgs.texts().first().contains(QDir::toNativeSeparators(Paths::setFolder(u"58"_s))));
        QCOMPARE(SetFiles::bytes(set()).size(), 4 * 128);
        QCOMPARE(m_form1->setNumberText(), u"0"_s);
    }

    // Load takes names and number over the edits; no record 5: empty number, Save draws one.
    void load()
    {
        QVERIFY(open());
        field("Text1")->setText(u"edited"_s);
        click("Command2");
        QCOMPARE(m_env->msgs.texts(), QStringList{ "File specified does not exist" });
        SetFiles::write(set(), SetFiles::fullSet(77));
        click("Command2");
        QCOMPARE(field("Text1")->text(), u"Remote 1"_s);
        QCOMPARE(m_form1->setNumberText(), u"77"_s);
        const QString other = m_env->work.file(u"other.lmr"_s);
        SetFiles::write(other,
                        { { 1, RecordValue::fromText(u"3"_s) },
                          { 2, RecordValue::fromText(u"a"_s) },
                          { 3, RecordValue::fromText(u"b"_s) },
                          { 4, RecordValue::fromText(u"c"_s) } });
        m_form1->setCurrentRemote(2);
        field("Text4")->setText(other);
        click("Command2");
        QCOMPARE(m_form1->setNumberText(), QString());
        QCOMPARE(m_form1->remoteCaptions(), QStringList({ "a", "b", "c" }));
        QCOMPARE(m_form1->setFilePath(), set());
        QCOMPARE(m_form1->currentRemote(), 2);
        click("Command1");
        QCOMPARE(m_form1->setNumberText(), u"58"_s);
        QCOMPARE(cap(5, other), u"58"_s);
    }

    // One dialog; leaving saves nothing, enables Form1; reopened, it starts from its initial values.
    void doneAndCloseBox()
    {
        QVERIFY(openOnSet(58));
        QCOMPARE(m_dialog->objectName() + '|' + m_dialog->windowTitle(), u"Form2|Remote Configuration"_s);
        m_form1->editRemotes();
        QCOMPARE(RemoteConfigDialog::instance().data(), m_dialog.data());
        for (const bool closeBox : { false, true }) {
            QVERIFY(!m_form1->isEnabled());
            field("Text1")->setText(u"unsaved"_s);
            field("Text4")->setText(u"elsewhere.lmr"_s);
            closeBox ? void(m_dialog->close()) : click("Command3");
            QVERIFY2(m_form1->isEnabled(), closeBox ? "close box" : "Done");
            QTRY_VERIFY(m_dialog.isNull());
            QVERIFY(cap(2) == "Remote 1"_L1 && open());
            QCOMPARE(field("Text1")->text(), u"Remote 1"_s);
            QCOMPARE(field("Text4")->text(), set());
        }
    }
};

QTEST_MAIN(TstRemoteConfig)
#include "tst_remoteconfig.moc"
