// Remotes > Edit Buttons: the button caption editor (Form4).

#include "buttoneditor.h"
#include "mainwindow.h"
#include "paths.h"
#include "testsupport.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <memory>

using namespace Qt::StringLiterals;

// Remote r's captions in SetFiles::fullSet ("r.1" ... "r.12"); for 0 the design's.
static QStringList captions(int r)
{
    QStringList c;
    for (int b = 1; b <= 12; ++b)
        c.append(r ? u"%1.%2"_s.arg(r).arg(b) : u"Button %1"_s.arg(b));
    return c;
}

class TestButtonEditor : public QObject
{
    Q_OBJECT
    std::unique_ptr<WorkDir> m_work;
    std::unique_ptr<MessageScript> m_msgs;
    std::unique_ptr<MainWindow> m_form1;
    QPointer<ButtonEditor> m_editor;

    static QString set() { return Paths::defaultSetFile(); }
    bool open() { m_form1->editButtons(); return (m_editor = ButtonEditor::instance()); }
    QLineEdit *field(int n) const { return m_editor->findChild<QLineEdit *>(n == 1 ? u"B1"_s : u"b%1"_s.arg(n)); }
    QLineEdit *text10() const { return m_editor->findChild<QLineEdit *>(u"Text10"_s); }
    QRadioButton *option(int r) const { return m_editor->findChild<QRadioButton *>(u"Option%1"_s.arg(r)); }
    QStringList fields() const
    {
        QStringList c;
        for (int n = 1; n <= 12; ++n)
            c.append(field(n)->text());
        return c;
    }
    void click(QWidget *w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(5, w->height() / 2)); }
    void click(const char *name) { click(m_editor->findChild<QPushButton *>(name)); }
    // A full set (captions "r.b", set number 58) that the main window has read.
    void writeSet() { SetFiles::write(set(), SetFiles::fullSet(58)); QVERIFY(m_form1->readSet(true)); }

private slots:
    void init()
    {
        m_work = std::make_unique<WorkDir>();
        m_msgs = std::make_unique<MessageScript>();
        m_form1 = std::make_unique<MainWindow>();
        m_form1->show();
    }
    void cleanup()
    {
        if (m_editor)
            m_editor->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_form1.reset();
        m_msgs.reset();
        m_work.reset();
    }

    // No file yet: the design's captions, remote 1; Save writes records
    // 10-19, 40 and 41 only and puts the captions on the main window.
    void firstOpeningWithoutFile()
    {
        QVERIFY(open());
        QCOMPARE(m_editor->objectName() + '|' + m_editor->windowTitle(), u"Form4|Edit Buttons"_s);
        QCOMPARE(text10()->text(), set());
        QCOMPARE(fields(), captions(0));
        QVERIFY(option(1)->isChecked());
        field(5)->setText(u"Five"_s);
        click("Command1");
        QVERIFY(m_msgs->shown.isEmpty() && m_editor->isVisible());
        const QByteArray file = SetFiles::bytes(set());
        QCOMPARE(file.size(), 41 * 128);
        QCOMPARE(file.left(9 * 128) + file.mid(19 * 128, 20 * 128), QByteArray(29 * 128, '\0'));
        QStringList expected = captions(0);
        expected[4] = u"Five"_s;
        for (int b = 1; b <= 12; ++b)
            QCOMPARE(SetFiles::captionOf(set(), RemoteSetFile::recordNumber(1, b)), expected.at(b - 1));
        QCOMPARE(m_form1->buttonCaptions(), expected);
        QCOMPARE(m_form1->text1() + m_form1->text2() + m_form1->text4(), set() + u"01"_s);
    }

    void save_data()
    {
        QTest::addColumn<int>("remote");
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("record");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("path");  // in the work folder; "" for the main window's file
        QTest::addColumn<QString>("error"); // a part of the message; "" when saved
        QTest::newRow("r1 b1") << 1 << 1 << 10 << "New" << "" << "";
        QTest::newRow("r1 b10") << 1 << 10 << 19 << "New" << "" << "";
        QTest::newRow("r1 b12") << 1 << 12 << 41 << "New" << "" << "";
        QTest::newRow("r2 b1") << 2 << 1 << 20 << "New" << "" << "";
        QTest::newRow("r2 b11") << 2 << 11 << 42 << "New" << "" << "";
        QTest::newRow("r2 b12") << 2 << 12 << 43 << "New" << "" << "";
        QTest::newRow("r3 b10") << 3 << 10 << 39 << "New" << "" << "";
        QTest::newRow("r3 b12") << 3 << 12 << 45 << "New" << "" << "";
        QTest::newRow("124 bytes") << 2 << 11 << 42 << QString(124, 'w') << "" << "";
        QTest::newRow("125 bytes") << 2 << 11 << 42 << QString(125, 'w') << "" << "button 11";
        QTest::newRow("missing folder") << 3 << 1 << 30 << "New" << "nowhere/set.lmr" << "does not exist";
        QTest::newRow("a folder") << 3 << 1 << 30 << "New" << "data" << "folder";
    }
    // Save writes the selected remote's captions, every other record staying
    // as it was, and makes that remote the main window's; a refused save
    // is reported and changes nothing.
    void save()
    {
        QFETCH(int, remote);
        QFETCH(int, button);
        QFETCH(int, record);
        QFETCH(QString, caption);
        QFETCH(QString, path);
        QFETCH(QString, error);
        writeSet();
        const QByteArray before = SetFiles::bytes(set());
        QVERIFY(open());
        click(option(remote));
        QCOMPARE(fields(), captions(remote));
        QStringList edited = captions(remote);
        field(button)->setText(edited[button - 1] = caption);
        if (!path.isEmpty())
            text10()->setText(m_work->file(path));
        click("Command1");
        const QByteArray after = SetFiles::bytes(set());
        const int at = (record - 1) * 128;
        if (error.isEmpty()) {
            QVERIFY(m_msgs->shown.isEmpty());
            QCOMPARE(SetFiles::captionOf(set(), record), caption);
            QCOMPARE(after.left(at) + after.mid(at + 128), before.left(at) + before.mid(at + 128));
            QCOMPARE(m_form1->text4(), QString::number(remote));
            QCOMPARE(m_form1->buttonCaptions(), edited);
        } else {
            QCOMPARE(m_msgs->shown.size(), 1);
            QVERIFY2(m_msgs->texts().first().contains(error), qPrintable(m_msgs->texts().first()));
            QCOMPARE(after, before);
            QCOMPARE(m_form1->text4(), u"1"_s);
            QCOMPARE(m_form1->buttonCaptions(), captions(1));
            QVERIFY(!QFileInfo::exists(m_work->file(u"nowhere"_s)));
        }
        QCOMPARE(m_form1->remoteCaptions(), QStringList({ "Remote 1", "Remote 2", "Remote 3" }));
        QCOMPARE(m_form1->text1() + m_form1->text2(), set() + u"58"_s);
    }

    // Text10 names the file read and written. Load goes back to the main
    // window's file and shows remote 1's captions but leaves remote 2
    // selected, so the next Save writes them into remote 2's records.
    void loadWhileRemote2Selected()
    {
        writeSet();
        const QByteArray mainFile = SetFiles::bytes(set());
        const QString other = m_work->file(u"other.lmr"_s);
        SetFiles::write(other, { { RemoteSetFile::recordNumber(2, 4), RecordValue::fromText(u"other"_s) } });
        QVERIFY(open());
        text10()->setText(other);
        click(option(2));
        QCOMPARE(field(4)->text() + '|' + field(1)->text(), u"other|"_s);
        click("Command1");
        QCOMPARE(SetFiles::bytes(other).size(), 43 * 128);
        QCOMPARE(SetFiles::bytes(set()), mainFile);
        QCOMPARE(m_form1->button(4)->text(), u"other"_s);

        field(1)->setText(u"unsaved"_s);
        click("Command3");
        QCOMPARE(text10()->text(), set());
        QCOMPARE(fields(), captions(1));
        QVERIFY(option(2)->isChecked());
        click("Command1");
        for (int b = 1; b <= 12; ++b)
            QCOMPARE(SetFiles::captionOf(set(), RemoteSetFile::recordNumber(2, b)), captions(1).at(b - 1));
        QCOMPARE(m_form1->text4(), u"2"_s);
    }

    void doneAndCloseBox_data()
    {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("Done") << false;
        QTest::newRow("close box") << true;
    }
    // One editor at a time; leaving it saves nothing and enables the main
    // window; reopened, it starts from the design values.
    void doneAndCloseBox()
    {
        QFETCH(bool, closeBox);
        writeSet();
        const QByteArray before = SetFiles::bytes(set());
        QVERIFY(open());
        QVERIFY(!m_form1->isEnabled());
        m_form1->editButtons();
        QCOMPARE(ButtonEditor::instance().data(), m_editor.data());
        click(option(3));
        field(2)->setText(u"unsaved"_s);
        closeBox ? void(m_editor->close()) : click("Command2");
        QVERIFY(m_form1->isEnabled());
        QTRY_VERIFY(m_editor.isNull());
        QCOMPARE(SetFiles::bytes(set()), before);
        m_form1->setText1(m_work->file(u"missing.lmr"_s));
        QVERIFY(open());
        QVERIFY(option(1)->isChecked());
        QCOMPARE(fields(), captions(0));
        QVERIFY(!m_form1->isEnabled());
    }
};

QTEST_MAIN(TestButtonEditor)
#include "tst_buttoneditor.moc"
