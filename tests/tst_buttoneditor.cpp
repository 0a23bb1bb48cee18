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

template <class F>
static QStringList twelve(F f) // f(1) ... f(12)
{
    QStringList c;
    for (int b = 1; b <= 12; ++b)
        c.append(f(b));
    return c;
}
// Remote r's captions in SetFiles::fullSet ("r.1" ... "r.12"); for 0 the initial ones.
static QStringList captions(int r)
{
    return twelve([r](int b) { return r ? u"%1.%2"_s.arg(r).arg(b) : u"Button %1"_s.arg(b); });
}

class TstButtonEditor : public QObject
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
    QPointer<ButtonEditor> m_editor;

    static QString set() { return Paths::defaultSetFile(); }
    bool open()
    {
        m_form1->editButtons();
        return (m_editor = ButtonEditor::instance());
    }
    QLineEdit *field(int n) const
    {
        return m_editor->findChild<QLineEdit *>(n == 1 ? u"B1"_s : u"b%1"_s.arg(n));
    }
    QLineEdit *text10() const { return m_editor->findChild<QLineEdit *>(u"Text10"_s); }
    QRadioButton *option(int r) const { return m_editor->findChild<QRadioButton *>(u"Option%1"_s.arg(r)); }
    QStringList fields() const
    {
        return twelve([this](int n) { return field(n)->text(); });
    }
    static QStringList saved(int r) // remote r's captions as the file holds them
    {
        return twelve([r](int b) { return SetFiles::captionOf(set(), RemoteSetFile::recordNumber(r, b)); });
    }

    void click(QWidget *w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(5, w->height() / 2)); }
    void click(const char *name) { click(m_editor->findChild<QPushButton *>(name)); }
    // A full set (captions "r.b", number 58) that the main window has read.
    bool writeSet()
    {
        SetFiles::write(set(), SetFiles::fullSet(58));
        return m_form1->readSet(true);
    }

private slots:
    void init()
    {
        m_env = std::make_unique<Env>();
        m_form1 = &m_env->form1;
    }

    void cleanup()
    {
        delete m_editor;
        m_env.reset();
    }

    // No file yet: the initial captions, remote 1; Save writes records 10-19, 40, 41 only.
    void firstOpeningWithoutFile()
    {
        QVERIFY(open());
        QCOMPARE(m_editor->objectName() + '|' + m_editor->windowTitle(), u"Form4|Edit Buttons"_s);
        QCOMPARE(fields(), captions(0));
        QVERIFY(option(1)->isChecked());
        field(5)->setText(u"Five"_s);
        click("Command1");
        QVERIFY(m_env->msgs.shown.isEmpty() && m_editor->isVisible());
        const QByteArray file = SetFiles::bytes(set());
        QCOMPARE(file.size(), 41 * 128);
        QCOMPARE(file.left(9 * 128) + file.mid(19 * 128, 20 * 128), QByteArray(29 * 128, '\0'));
        QStringList expected = captions(0);
        expected[4] = u"Five"_s;
        QCOMPARE(saved(1), expected);
        QCOMPARE(m_form1->buttonCaptions(), expected);
        QCOMPARE(m_form1->currentRemote(), 1);
    }

    void save_data()
    {
        QTest::addColumn<int>("remote");
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("record");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("path");  // in the work folder; "" for the main window's file
        QTest::addColumn<QString>("error"); // a part of the message; "" when saved
        QTest::newRow("r1 b12") << 1 << 12 << 41 << "New"
                                << ""
                                << "";
        QTest::newRow("r2 b10") << 2 << 10 << 29 << "New"
                                << ""
                                << "";
        QTest::newRow("r2 b11") << 2 << 11 << 42 << "New"
                                << ""
                                << "";
        QTest::newRow("r2 b12") << 2 << 12 << 43 << "New"
                                << ""
                                << "";
        QTest::newRow("r3 b12") << 3 << 12 << 45 << "New"
                                << ""
                                << "";
        QTest::newRow("124 bytes") << 2 << 11 << 42 << QString(124, 'w') << ""
                                   << "";
        QTest::newRow("125 bytes") << 2 << 11 << 42 << QString(125, 'w') << ""
                                   << "button 11";
        QTest::newRow("missing folder") << 3 << 1 << 30 << "New"
                                        << "nowhere/set.lmr"
                                        << "does not exist";
    }

    // Saved: that remote's records only, and it becomes the main window's; refused: no change.
    void save()
    {
        QFETCH(int, remote);
        QFETCH(int, button);
        QFETCH(int, record);
        QFETCH(QString, caption);
        QFETCH(QString, path);
        QFETCH(QString, error);
        QVERIFY(writeSet());
        const QByteArray before = SetFiles::bytes(set());
        QVERIFY(open());
        click(option(remote));
        QCOMPARE(fields(), captions(remote));
        QStringList edited = captions(remote);
        field(button)->setText(edited[button - 1] = caption);
        if (!path.isEmpty())
            text10()->setText(m_env->work.file(path));
        click("Command1");
        const QByteArray after = SetFiles::bytes(set());
        const int at = (record - 1) * 128;
        const bool ok = error.isEmpty();
        QCOMPARE(m_env->msgs.shown.size(), ok ? 0 : 1);
        QVERIFY2(ok || m_env->msgs.texts().first().contains(error),
                 qPrintable(m_env->msgs.texts().join('\n')));
        QCOMPARE(after.left(at) + after.mid(at + 128), before.left(at) + before.mid(at + 128));
        QCOMPARE(saved(remote), ok ? edited : captions(remote));
        QCOMPARE(m_form1->currentRemote(), ok ? remote : 1);
        QCOMPARE(m_form1->buttonCaptions(), ok ? edited : captions(1));
    }

    // Load reads remote 1 of the main window's file but leaves remote 2 selected for Save.
    void loadWhileRemote2Selected()
    {
        QVERIFY(writeSet());
        const QString other = m_env->work.file(u"other.lmr"_s);
        SetFiles::write(other, { { RemoteSetFile::recordNumber(2, 4), RecordValue::fromText(u"other"_s) } });
        QVERIFY(open());
        text10()->setText(other);
        click(option(2));
        QCOMPARE(field(4)->text() + '|' + field(1)->text(), u"other|"_s);
        click("Command3");
        QCOMPARE(text10()->text(), set());
        QCOMPARE(fields(), captions(1));
        QVERIFY(option(2)->isChecked());
        click("Command1");
        QCOMPARE(saved(2), captions(1));
        QCOMPARE(m_form1->currentRemote(), 2);
    }

    // One editor; leaving saves nothing, enables Form1; reopened, it starts from its initial values.
    void doneAndCloseBox()
    {
        QVERIFY(writeSet());
        const QByteArray before = SetFiles::bytes(set());
        QVERIFY(open());
        m_form1->editButtons();
        QCOMPARE(ButtonEditor::instance().data(), m_editor.data());
        m_form1->setSetFilePath(m_env->work.file(u"missing.lmr"_s));
        for (const bool closeBox : { false, true }) {
            QVERIFY(!m_form1->isEnabled());
            click(option(3));
            field(2)->setText(u"unsaved"_s);
            closeBox ? void(m_editor->close()) : click("Command2");
            QVERIFY2(m_form1->isEnabled(), closeBox ? "close box" : "Done");
            QTRY_VERIFY(m_editor.isNull());
            QVERIFY(SetFiles::bytes(set()) == before && !QFile::exists(m_form1->setFilePath()) && open());
            QVERIFY(option(1)->isChecked());
            QCOMPARE(fields(), captions(0));
        }
    }
};

QTEST_MAIN(TstButtonEditor)
#include "tst_buttoneditor.moc"
