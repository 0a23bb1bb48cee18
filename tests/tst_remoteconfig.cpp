// Remotes > Edit Remotes: the remote configuration dialog (Form2).

#include "mainwindow.h"
#include "paths.h"
#include "remoteconfigdialog.h"
#include "testsupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <memory>

using namespace Qt::StringLiterals;
using Draws = QList<double>;

// The draw that gives set number n.
static double uFor(int n)
{
    return (n + 0.5) / 67656.0;
}

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
    Draws m_draws; // the last one repeats
    int m_drawCount = 0;

    static QString set() { return Paths::defaultSetFile(); }
    static QString cap(int record, const QString &file = set()) { return SetFiles::captionOf(file, record); }
    QLineEdit *field(const char *name) const { return m_dialog->findChild<QLineEdit *>(name); }
    QPushButton *button(const char *name) const { return m_dialog->findChild<QPushButton *>(name); }
    QStringList names() const
    {
        return { field("Text1")->text(), field("Text2")->text(), field("Text3")->text() };
    }
    bool open()
    {
        m_form1->editRemotes();
        m_dialog = RemoteConfigDialog::instance();
        return m_dialog;
    }
    // The dialog on a full set numbered n that the main window has read.
    bool openOnSet(double n)
    {
        SetFiles::write(set(), SetFiles::fullSet(n));
        return m_form1->readSet(true) && open();
    }

private slots:
    void init()
    {
        m_env = std::make_unique<Env>();
        m_form1 = &m_env->form1;
        m_draws = { uFor(58) };
        m_drawCount = 0;
        RemoteConfigDialog::setRandomSource(
            [this] { return m_draws.at(qMin<qsizetype>(m_drawCount++, m_draws.size() - 1)); });
    }

    void cleanup()
    {
        delete m_dialog;
        m_env.reset();
        RemoteConfigDialog::setRandomSource({});
    }

    // clang-format off
    void save_data()
    {
        QTest::addColumn<QString>("text2"); // the main window's number before Save
        QTest::addColumn<Draws>("draws");
        QTest::addColumn<QString>("folder"); // a set folder already there; "*": the data folder is a file
        QTest::addColumn<QString>("file");   // Text4, in the work folder
        QTest::addColumn<QString>("name");   // remote 2's
        QTest::addColumn<int>("drawCount");
        QTest::addColumn<QString>("number"); // the main window's number after Save
        QTest::addColumn<QString>("error");  // a part of the message; "" for none
        const QString set = u"remotes.lmr"_s;
        const QString none;
        const Draws d58{ uFor(58) };
        const QChar e(0xE9);
        QTest::newRow("new file") << "0" << d58 << none << "new.lmr" << "B" << 1 << "58" << none;
        QTest::newRow("drawn 0, folder 0 kept") << "0" << Draws{ 0.0 } << "0" << set << "B" << 1 << "0" << none;
        QTest::newRow("largest") << "0" << Draws{ 0.9999999999 } << none << set << "B" << 1 << "67655" << none;
        QTest::newRow("folder taken")
            << "0" << Draws{ uFor(58), uFor(58), uFor(7) } << "58" << set << "B" << 3 << "7" << none;
        QTest::newRow("every number drawn taken") << "0" << d58 << "58" << set << "B" << int(RemoteConfigDialog::MaxDraws)
                                                  << "0" << "No free set number was found";
        QTest::newRow("not a number") << "abc" << Draws{ uFor(12) } << none << set << "B" << 1 << "12" << none;
        QTest::newRow("has a number") << "4" << d58 << none << set << "B" << 0 << "4" << none;
        // An accented letter takes one byte in the 8-bit code page.
        QTest::newRow("124 accented") << "0" << d58 << none << set << QString(124, e) << 1 << "58" << none;
        QTest::newRow("125 accented") << "0" << d58 << none << set << QString(125, e) << 0 << "0" << "remote 2";
        QTest::newRow("no folder") << "0" << d58 << none << "no/set.lmr" << "B" << 0 << "0" << "does not exist";
        // The names are saved, the set keeps no number.
        QTest::newRow("no set folder") << "0" << d58 << "*" << set << "B" << 1 << "0" << "could not be created";
    }
    // clang-format on

    // Records 1-4 written, and record 5 when a number is drawn, nothing else; refused: nothing changes.
    void save()
    {
        QFETCH(QString, text2);
        QFETCH(Draws, draws);
        QFETCH(QString, folder);
        QFETCH(QString, file);
        QFETCH(QString, name);
        QFETCH(int, drawCount);
        QFETCH(QString, number);
        QFETCH(QString, error);
        QVERIFY(openOnSet(0));
        if (folder == "*"_L1)
            QVERIFY(QDir(Paths::dataFolder()).removeRecursively()
                    && QFile(Paths::dataFolder()).open(QFile::WriteOnly));
        else if (!folder.isEmpty())
            QVERIFY(QDir().mkdir(Paths::setFolder(folder)));
        m_form1->setSetNumberText(text2);
        m_draws = draws;
        const QString target = m_env->work.file(file);
        const QByteArray before = SetFiles::bytes(target);
        const RecordValue record5 = RemoteSetFile::readRecords(target, { 5 }).value(0);
        field("Text2")->setText(name);
        field("Text4")->setText(target);
        QTest::mouseClick(button("Command1"), Qt::LeftButton);
        QCOMPARE(m_env->msgs.shown.size(), error.isEmpty() ? 0 : 1);
        QVERIFY2(m_env->msgs.texts().join('\n').contains(error), qPrintable(m_env->msgs.texts().join('\n')));
        QCOMPARE(m_drawCount, drawCount);
        QCOMPARE(m_form1->setNumberText(), number);
        QCOMPARE(m_form1->setFilePath(), set());
        const bool numbered = drawCount > 0 && error.isEmpty();
        QCOMPARE(QFileInfo(Paths::setFolder(number)).isDir(), numbered);
        const bool namesSaved = error.isEmpty() || drawCount > 0;
        QCOMPARE(m_form1->remoteCaptions().at(1), namesSaved ? name : u"Remote 2"_s);
        const QByteArray after = SetFiles::bytes(target);
        if (!namesSaved) {
            QCOMPARE(after, before);
            return;
        }
        QCOMPARE(after.mid(5 * 128), before.mid(5 * 128));
        QCOMPARE(after.size(), qMax(before.size(), 5 * 128));
        QCOMPARE(cap(1, target) + '|' + cap(3, target), "3|" + name);
        const RecordValue drawn = RecordValue::fromNumber(number.toDouble());
        QCOMPARE(RemoteSetFile::readRecords(target, { 5 }).value(0), numbered ? drawn : record5);
    }

    // No room for record 5: the number is not kept, and a set folder made for
    // it goes again, one that was there stays.
    void numberNotWritten_data()
    {
        QTest::addColumn<double>("draw");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("before"); // the folder was there
        QTest::newRow("folder made for it") << uFor(58) << "58" << false;
        QTest::newRow("folder 0 already there") << 0.0 << "0" << true;
    }

    void numberNotWritten()
    {
        QFETCH(double, draw);
        QFETCH(QString, folder);
        QFETCH(bool, before);
        QVERIFY(openOnSet(0));
        if (before)
            QVERIFY(QDir().mkdir(Paths::setFolder(folder)));
        m_draws = { draw };
        field("Text4")->setText(m_env->work.file(u"new.lmr"_s));
        {
            FileSizeLimit room(4 * 128 + 100); // the names, not record 5
            QTest::mouseClick(button("Command1"), Qt::LeftButton);
        }
        QVERIFY2(m_env->msgs.texts().join('\n').contains("The set number was not saved"),
                 qPrintable(m_env->msgs.texts().join('\n')));
        QCOMPARE(m_form1->setNumberText(), u"0"_s);
        QCOMPARE(QFileInfo(Paths::setFolder(folder)).isDir(), before);
    }

    // Load takes names and number over the edits, not the main window's file; no record 5: no number.
    void load()
    {
        QVERIFY(open());
        field("Text1")->setText(u"edited"_s);
        button("Command2")->click();
        QCOMPARE(m_env->msgs.texts(), QStringList{ "File specified does not exist" });
        SetFiles::write(set(), SetFiles::fullSet(77));
        button("Command2")->click();
        QCOMPARE(names(), QStringList({ "Remote 1", "Remote 2", "Remote 3" }));
        QCOMPARE(m_form1->setNumberText(), u"77"_s);
        const QString other = m_env->work.file(u"other.lmr"_s);
        SetFiles::write(other,
                        { { 2, RecordValue::fromText(u"a"_s) }, { 4, RecordValue::fromText(u"c"_s) } });
        field("Text4")->setText(other);
        button("Command2")->click();
        QCOMPARE(m_form1->setNumberText(), QString());
        QCOMPARE(m_form1->remoteCaptions(), QStringList({ "a", "", "c" }));
        QCOMPARE(m_form1->setFilePath(), set());
    }

    // One dialog; Done (clicked or by Enter) and the close box save nothing and enable Form1; reopened,
    // it starts from its initial values.
    void leaving_data()
    {
        QTest::addColumn<QString>("how");
        for (const char *how : { "Done", "Enter on Done", "close box" })
            QTest::newRow(how) << how;
    }

    void leaving()
    {
        QFETCH(QString, how);
        QVERIFY(openOnSet(58));
        QCOMPARE(m_dialog->objectName() + '|' + m_dialog->windowTitle(), u"Form2|Remote Configuration"_s);
        QVERIFY(!m_dialog->windowIcon().isNull());
        QStringList labels;
        for (const QLabel *label : m_dialog->findChildren<QLabel *>())
            labels << label->objectName() + '=' + label->text();
        QCOMPARE(labels,
                 QStringList({ "Label1=Remote 1 Caption:", "Label2=Remote 2 Caption:",
                               "Label3=Remote 3 Caption:", "Label4=Filename:" }));
        m_form1->editRemotes();
        QCOMPARE(RemoteConfigDialog::instance().data(), m_dialog.data());
        QVERIFY(!m_form1->isEnabled());
        field("Text1")->setText(u"unsaved"_s);
        field("Text4")->setText(u"elsewhere.lmr"_s);
        if (how == "Done"_L1)
            QTest::mouseClick(button("Command3"), Qt::LeftButton);
        else if (how == "close box"_L1)
            m_dialog->close();
        else
            QTest::keyClick(button("Command3"), Qt::Key_Return);
        QVERIFY(m_form1->isEnabled());
        QTRY_VERIFY(m_dialog.isNull());
        QCOMPARE(cap(2), u"Remote 1"_s);
        QVERIFY(open());
        QCOMPARE(names(), QStringList({ "Remote 1", "Remote 2", "Remote 3" }));
        QCOMPARE(field("Text4")->text(), set());
    }
};

QTEST_MAIN(TstRemoteConfig)
#include "tst_remoteconfig.moc"
