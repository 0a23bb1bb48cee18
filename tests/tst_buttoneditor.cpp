// Remotes > Edit Buttons: the button caption editor (Form4).

#include "buttoneditor.h"
#include "design.h"
#include "mainwindow.h"
#include "paths.h"
#include "testsupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <memory>

using namespace Qt::StringLiterals;

// Remote r's captions in SetFiles::fullSet ("r.1" ... "r.12"); for 0 the initial ones.
static QStringList captions(int r)
{
    QStringList c;
    for (int b = 1; b <= 12; ++b)
        c.append(r ? u"%1.%2"_s.arg(r).arg(b) : u"Button %1"_s.arg(b));
    return c;
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
        m_editor = ButtonEditor::instance();
        return m_editor;
    }
    QLineEdit *field(int n) const { return m_editor->findChild<QLineEdit *>(Design::gridName(n)); }
    QLineEdit *text10() const { return m_editor->findChild<QLineEdit *>(u"Text10"_s); }
    QRadioButton *option(int r) const { return m_editor->findChild<QRadioButton *>(u"Option%1"_s.arg(r)); }
    QPushButton *command(const char *name) const { return m_editor->findChild<QPushButton *>(name); }
    QStringList fields() const
    {
        QStringList texts;
        for (int n = 1; n <= 12; ++n)
            texts.append(field(n)->text());
        return texts;
    }
    void click(QWidget *w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(5, w->height() / 2)); }

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

    // clang-format off
    void save_data()
    {
        QTest::addColumn<int>("remote");
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("record");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("path");  // in the work folder; "" for the main window's file
        QTest::addColumn<QString>("error"); // a part of the message; "" when saved
        const QString none;
        QTest::newRow("r1 b12") << 1 << 12 << 41 << "New" << none << none;
        QTest::newRow("r2 b10") << 2 << 10 << 29 << "New" << none << none;
        QTest::newRow("r2 b11") << 2 << 11 << 42 << "New" << none << none;
        QTest::newRow("r3 b12") << 3 << 12 << 45 << "New" << none << none;
        QTest::newRow("124 bytes") << 2 << 11 << 42 << QString(124, 'w') << none << none;
        QTest::newRow("125 bytes") << 2 << 1 << 20 << QString(125, 'w') << none << "button 1 is too long";
        QTest::newRow("missing folder") << 3 << 1 << 30 << "New" << "nowhere/set.lmr" << "does not exist";
    }
    // clang-format on

    // Saved: that remote's records only, and it becomes the main window's; refused: no change.
    void save()
    {
        QFETCH(int, remote);
        QFETCH(int, button);
        QFETCH(int, record);
        QFETCH(QString, caption);
        QFETCH(QString, path);
        QFETCH(QString, error);
        SetFiles::write(set(), SetFiles::fullSet(58)); // captions "r.b"
        QVERIFY(m_form1->readSet(true));
        const QByteArray before = SetFiles::bytes(set());
        QVERIFY(open());
        QCOMPARE(fields(), captions(1));
        text10()->setText(m_env->work.file(u"missing.lmr"_s));
        click(option(remote));
        QCOMPARE(fields(), captions(1)); // a missing file leaves the fields as they are
        // Load: the main window's file and its remote 1, the option kept for Save.
        click(command("Command3"));
        QCOMPARE(text10()->text(), set());
        QVERIFY(option(remote)->isChecked());
        click(option(remote));
        QCOMPARE(fields(), captions(remote));
        QStringList edited = captions(remote);
        edited[button - 1] = caption;
        field(button)->setText(caption);
        if (!path.isEmpty())
            text10()->setText(m_env->work.file(path));
        click(command("Command1"));
        const QByteArray after = SetFiles::bytes(set());
        const int at = (record - 1) * 128;
        const bool ok = error.isEmpty();
        QCOMPARE(m_env->msgs.shown.size(), ok ? 0 : 1);
        QVERIFY2(m_env->msgs.texts().join('\n').contains(error), qPrintable(m_env->msgs.texts().join('\n')));
        QCOMPARE(after.left(at) + after.mid(at + 128), before.left(at) + before.mid(at + 128));
        QCOMPARE(SetFiles::captionOf(set(), record), ok ? caption : captions(remote).at(button - 1));
        QCOMPARE(m_form1->currentRemote(), ok ? remote : 1);
        QCOMPARE(m_form1->buttonCaptions(), ok ? edited : captions(1));
    }

    // One editor, first opened without a file; Done (clicked or by Enter) and the close box save nothing
    // and enable Form1; reopened, it starts from its initial values.
    void leaving_data()
    {
        QTest::addColumn<QString>("how");
        for (const char *how : { "Done", "Enter on Done", "close box" })
            QTest::newRow(how) << how;
    }

    void leaving()
    {
        QFETCH(QString, how);
        QVERIFY(open()); // no file yet
        QCOMPARE(m_editor->objectName() + '|' + m_editor->windowTitle(), u"Form4|Edit Buttons"_s);
        QVERIFY(!m_editor->windowIcon().isNull());
        QStringList labels;
        for (const QLabel *label : m_editor->findChildren<QLabel *>())
            labels << label->objectName() + '=' + label->text();
        QCOMPARE(labels, QStringList({ "Label4=Filename:", "Label1=Remote:" }));
        m_form1->editButtons();
        QCOMPARE(ButtonEditor::instance().data(), m_editor.data());
        QVERIFY(!m_form1->isEnabled());
        click(option(3));
        field(2)->setText(u"unsaved"_s);
        if (how == "Done"_L1)
            click(command("Command2"));
        else if (how == "close box"_L1)
            m_editor->close();
        else
            QTest::keyClick(command("Command2"), Qt::Key_Return);
        QVERIFY(m_form1->isEnabled());
        QTRY_VERIFY(m_editor.isNull());
        QVERIFY(!QFile::exists(set()));
        QVERIFY(open());
        QVERIFY(option(1)->isChecked());
        QCOMPARE(fields(), captions(0));
    }
};

QTEST_MAIN(TstButtonEditor)
#include "tst_buttoneditor.moc"
