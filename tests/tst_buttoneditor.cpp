// Remotes > Edit Buttons: the button caption editor (Form4).

#include "buttoneditor.h"
#include "mainwindow.h"
#include "paths.h"
#include "testsupport.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <memory>

namespace {

QStringList defaults()
{
    QStringList c;
    for (int n = 1; n <= 12; ++n)
        c.append(QStringLiteral("Button %1").arg(n));
    return c;
}

QStringList remoteOf(int r)
{
    QStringList c;
    for (int b = 1; b <= 12; ++b)
        c.append(QStringLiteral("%1.%2").arg(r).arg(b));
    return c;
}

const char *fieldName(int n)
{
    static const QByteArray names[12] = { "B1", "b2", "b3", "b4", "b5", "b6", "b7", "b8", "b9", "b10", "b11", "b12" };
    return names[n - 1].constData();
}

// Every record of the file except those listed, as 128-byte blocks.
QList<QByteArray> recordsExcept(const QByteArray &file, const QList<int> &skip)
{
    QList<QByteArray> out;
    for (int n = 1; (n - 1) * 128 < file.size(); ++n)
        out.append(skip.contains(n) ? QByteArray() : file.mid((n - 1) * 128, 128));
    return out;
}

} // namespace

class TestButtonEditor : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstOpeningWithoutFile();
    void saveWritesSelectedRemoteOnly_data();
    void saveWritesSelectedRemoteOnly();
    void saveRemote3SwitchesMainWindow();
    void choosingRemoteReplacesEdits();
    void choosingRemoteWithoutFileKeepsFields();
    void loadWhileRemote2Selected();
    void editedFilenameIsUsed();
    void unwritablePathChangesNothing_data();
    void unwritablePathChangesNothing();
    void captionLength_data();
    void captionLength();
    void doneAndCloseBoxEnableMainWindow_data();
    void doneAndCloseBoxEnableMainWindow();
    void designValues();

private:
    ButtonEditor *open();
    QLineEdit *field(int n) const { return m_editor->findChild<QLineEdit *>(QLatin1String(fieldName(n))); }
    QLineEdit *text10() const { return m_editor->findChild<QLineEdit *>(QStringLiteral("Text10")); }
    QRadioButton *option(int r) const
    {
        return m_editor->findChild<QRadioButton *>(QStringLiteral("Option%1").arg(r));
    }
    QStringList fields() const
    {
        QStringList c;
        for (int n = 1; n <= 12; ++n)
            c.append(field(n)->text());
        return c;
    }
    void setFields(const QStringList &c)
    {
        for (int n = 1; n <= 12; ++n)
            field(n)->setText(c.at(n - 1));
    }
    void click(QWidget *w)
    {
        QVERIFY(w);
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(5, w->height() / 2));
    }
    void click(const char *name) { click(m_editor->findChild<QPushButton *>(QLatin1String(name))); }

    std::unique_ptr<WorkDir> m_work;
    std::unique_ptr<MessageScript> m_messages;
    std::unique_ptr<MainWindow> m_form1;
    QPointer<ButtonEditor> m_editor;
};

void TestButtonEditor::init()
{
    m_work = std::make_unique<WorkDir>();
    m_messages = std::make_unique<MessageScript>();
    m_form1 = std::make_unique<MainWindow>();
    m_form1->show();
}

void TestButtonEditor::cleanup()
{
    if (m_editor)
        m_editor->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_form1.reset();
    m_messages.reset();
    m_work.reset();
}

ButtonEditor *TestButtonEditor::open()
{
    m_form1->editButtons();
    m_editor = ButtonEditor::instance();
    return m_editor;
}

void TestButtonEditor::firstOpeningWithoutFile()
{
    const QString set = Paths::defaultSetFile();
    QVERIFY(open());
    QCOMPARE(text10()->text(), set);
    QCOMPARE(fields(), defaults());
    QVERIFY(option(1)->isChecked());
    QCOMPARE(m_editor->selectedRemote(), 1);
    QVERIFY(!QFile::exists(set));

    field(5)->setText(QStringLiteral("Five"));
    click("Command1");
    QVERIFY(m_messages->shown.isEmpty());
    // Records 10-19, 40 and 41; everything before reads as empty.
    const QByteArray file = SetFiles::bytes(set);
    QCOMPARE(file.size(), 41 * 128);
    QCOMPARE(file.left(9 * 128), QByteArray(9 * 128, '\0'));
    QCOMPARE(file.mid(19 * 128, 20 * 128), QByteArray(20 * 128, '\0'));
    QStringList expected = defaults();
    expected[4] = QStringLiteral("Five");
    for (int b = 1; b <= 12; ++b)
        QCOMPARE(SetFiles::captionOf(set, RemoteSetFile::recordNumber(1, b)), expected.at(b - 1));
    QCOMPARE(m_form1->text4(), QStringLiteral("1"));
    QCOMPARE(m_form1->buttonCaptions(), expected);
    // The editor stays open; the main window's path and number are untouched.
    QVERIFY(m_editor && m_editor->isVisible());
    QCOMPARE(m_form1->text1(), set);
    QCOMPARE(m_form1->text2(), QStringLiteral("0"));
}

void TestButtonEditor::saveWritesSelectedRemoteOnly_data()
{
    QTest::addColumn<int>("remote");
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("record");
    QTest::newRow("r1 b1") << 1 << 1 << 10;
    QTest::newRow("r1 b10") << 1 << 10 << 19;
    QTest::newRow("r1 b11") << 1 << 11 << 40;
    QTest::newRow("r1 b12") << 1 << 12 << 41;
    QTest::newRow("r2 b1") << 2 << 1 << 20;
    QTest::newRow("r2 b10") << 2 << 10 << 29;
    QTest::newRow("r2 b11") << 2 << 11 << 42;
    QTest::newRow("r2 b12") << 2 << 12 << 43;
    QTest::newRow("r3 b1") << 3 << 1 << 30;
    QTest::newRow("r3 b10") << 3 << 10 << 39;
    QTest::newRow("r3 b11") << 3 << 11 << 44;
    QTest::newRow("r3 b12") << 3 << 12 << 45;
}

void TestButtonEditor::saveWritesSelectedRemoteOnly()
{
    QFETCH(int, remote);
    QFETCH(int, button);
    QFETCH(int, record);

    const QString set = Paths::defaultSetFile();
    SetFiles::write(set, SetFiles::fullSet(58));
    const QByteArray before = SetFiles::bytes(set);
    QVERIFY(open());
    click(option(remote));
    QCOMPARE(m_editor->selectedRemote(), remote);
    QCOMPARE(fields(), remoteOf(remote));
    field(button)->setText(QStringLiteral("New"));
    click("Command1");

    QVERIFY(m_messages->shown.isEmpty());
    QVERIFY(SetFiles::record(set, record).startsWith(QByteArray::fromHex("08000300") + "New"));
    const QByteArray after = SetFiles::bytes(set);
    QCOMPARE(after.size(), before.size());
    // Every record but the one edited is byte for byte what it was.
    QCOMPARE(recordsExcept(after, { record }), recordsExcept(before, { record }));
}

void TestButtonEditor::saveRemote3SwitchesMainWindow()
{
    const QString set = Paths::defaultSetFile();
    SetFiles::write(set, SetFiles::fullSet(58));
    m_form1->readSet(true);
    QCOMPARE(m_form1->text4(), QStringLiteral("1"));
    QCOMPARE(m_form1->buttonCaptions(), remoteOf(1));
    const QStringList remotes = m_form1->remoteCaptions();

    QVERIFY(open());
    click(option(3));
    QStringList edited = remoteOf(3);
    edited[11] = QStringLiteral("Last");
    setFields(edited);
    click("Command1");
    QCOMPARE(m_form1->text4(), QStringLiteral("3"));
    QCOMPARE(m_form1->buttonCaptions(), edited);
    QCOMPARE(SetFiles::captionOf(set, 45), QStringLiteral("Last"));
    QCOMPARE(m_form1->text2(), QStringLiteral("58"));
    QCOMPARE(m_form1->remoteCaptions(), remotes);
    QCOMPARE(m_form1->text1(), set);
}

void TestButtonEditor::choosingRemoteReplacesEdits()
{
    QMap<int, RecordValue> set = SetFiles::fullSet(58);
    for (int b = 1; b <= 12; ++b)
        set.remove(RemoteSetFile::recordNumber(3, b));
    SetFiles::write(Paths::defaultSetFile(), set);
    QVERIFY(open());
    QCOMPARE(fields(), remoteOf(1));
    field(1)->setText(QStringLiteral("unsaved"));
    click(option(2));
    QCOMPARE(fields(), remoteOf(2));
    // A remote never written gives twelve empty fields.
    click(option(3));
    QCOMPARE(fields(), QStringList(12, QString()));
    // Selecting from code reads nothing; choosing does.
    option(1)->setChecked(true);
    QCOMPARE(fields(), QStringList(12, QString()));
    m_editor->chooseRemote(2);
    QVERIFY(option(2)->isChecked());
    QCOMPARE(fields(), remoteOf(2));
}

void TestButtonEditor::choosingRemoteWithoutFileKeepsFields()
{
    QVERIFY(open());
    field(3)->setText(QStringLiteral("kept"));
    click(option(2));
    QVERIFY(option(2)->isChecked());
    QCOMPARE(field(3)->text(), QStringLiteral("kept"));
    QVERIFY(m_messages->shown.isEmpty());
    QVERIFY(!QFile::exists(Paths::defaultSetFile()));
}

void TestButtonEditor::loadWhileRemote2Selected()
{
    const QString set = Paths::defaultSetFile();
    SetFiles::write(set, SetFiles::fullSet(58));
    QVERIFY(open());
    click(option(2));
    text10()->setText(m_work->file(QStringLiteral("elsewhere.lmr")));
    field(1)->setText(QStringLiteral("unsaved"));
    click("Command3");
    QCOMPARE(text10()->text(), set);
    QCOMPARE(fields(), remoteOf(1));
    QVERIFY(option(2)->isChecked());

    // Saving now writes remote 1's captions into remote 2's records.
    click("Command1");
    for (int b = 1; b <= 12; ++b)
        QCOMPARE(SetFiles::captionOf(set, RemoteSetFile::recordNumber(2, b)), remoteOf(1).at(b - 1));
    QCOMPARE(m_form1->text4(), QStringLiteral("2"));
}

void TestButtonEditor::editedFilenameIsUsed()
{
    SetFiles::write(Paths::defaultSetFile(), SetFiles::fullSet(58));
    const QString other = m_work->file(QStringLiteral("other.lmr"));
    QMap<int, RecordValue> o;
    o.insert(RemoteSetFile::recordNumber(2, 4), RecordValue::fromText(QStringLiteral("other")));
    SetFiles::write(other, o);
    const QByteArray mainFile = SetFiles::bytes(Paths::defaultSetFile());

    QVERIFY(open());
    text10()->setText(other);
    click(option(2));
    QCOMPARE(field(4)->text(), QStringLiteral("other"));
    QCOMPARE(field(1)->text(), QString());
    click("Command1");
    QCOMPARE(SetFiles::bytes(other).size(), 43 * 128);
    QCOMPARE(SetFiles::bytes(Paths::defaultSetFile()), mainFile);
    QCOMPARE(m_form1->text1(), Paths::defaultSetFile());
    QCOMPARE(m_form1->button(4)->text(), QStringLiteral("other"));
}

void TestButtonEditor::unwritablePathChangesNothing_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("why");
    QTest::newRow("missing folder") << "nowhere/set.lmr" << "does not exist";
    QTest::newRow("a folder") << "data" << "folder";
    QTest::newRow("empty") << "" << "no file name";
}

void TestButtonEditor::unwritablePathChangesNothing()
{
    QFETCH(QString, path);
    QFETCH(QString, why);
    const QString full = path.isEmpty() ? path : m_work->file(path);

    QVERIFY(open());
    click(option(2));
    text10()->setText(full);
    field(1)->setText(QStringLiteral("edited"));
    click("Command1");

    QCOMPARE(m_messages->shown.size(), 1);
    const Messages::Request box = m_messages->shown.first();
    QVERIFY2(box.text.contains(why), qPrintable(box.text));
    if (!full.isEmpty())
        QVERIFY2(box.text.contains(QDir::toNativeSeparators(full)), qPrintable(box.text));
    QCOMPARE(box.icon, Messages::Icon::Error);
    QCOMPARE(m_form1->text4(), QStringLiteral("0"));
    QCOMPARE(m_form1->buttonCaptions(), defaults());
    QVERIFY(!QFileInfo::exists(m_work->file(QStringLiteral("nowhere"))));
    QCOMPARE(field(1)->text(), QStringLiteral("edited"));
}

void TestButtonEditor::captionLength_data()
{
    QTest::addColumn<int>("bytes");
    QTest::addColumn<bool>("saved");
    QTest::newRow("124 bytes") << 124 << true;
    QTest::newRow("125 bytes") << 125 << false;
}

void TestButtonEditor::captionLength()
{
    QFETCH(int, bytes);
    QFETCH(bool, saved);
    const QString set = Paths::defaultSetFile();
    SetFiles::write(set, SetFiles::fullSet(58));
    m_form1->readSet(true);
    const QByteArray before = SetFiles::bytes(set);

    QVERIFY(open());
    click(option(2));
    const QString caption(bytes, QLatin1Char('w'));
    field(11)->setText(caption);
    click("Command1");

    if (saved) {
        QVERIFY(m_messages->shown.isEmpty());
        QCOMPARE(SetFiles::record(set, 42), QByteArray::fromHex("08007C00") + QByteArray(124, 'w'));
        QCOMPARE(m_form1->button(11)->text(), caption);
        QCOMPARE(m_form1->text4(), QStringLiteral("2"));
    } else {
        QCOMPARE(m_messages->shown.size(), 1);
        QVERIFY2(m_messages->shown.first().text.contains(QLatin1String("button 11")),
                 qPrintable(m_messages->shown.first().text));
        QCOMPARE(SetFiles::bytes(set), before);
        QCOMPARE(m_form1->text4(), QStringLiteral("1"));
        QCOMPARE(m_form1->buttonCaptions(), remoteOf(1));
    }
}

void TestButtonEditor::doneAndCloseBoxEnableMainWindow_data()
{
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("Done") << false;
    QTest::newRow("close box") << true;
}

void TestButtonEditor::doneAndCloseBoxEnableMainWindow()
{
    QFETCH(bool, closeBox);
    const QString set = Paths::defaultSetFile();
    SetFiles::write(set, SetFiles::fullSet(58));
    const QByteArray before = SetFiles::bytes(set);
    QVERIFY(m_form1->isEnabled());
    QVERIFY(open());
    QVERIFY(!m_form1->isEnabled());
    QVERIFY(m_editor->isVisible());
    click(option(3));
    field(2)->setText(QStringLiteral("unsaved"));

    if (closeBox)
        m_editor->close();
    else
        click("Command2");
    QVERIFY(m_form1->isEnabled());
    QTRY_VERIFY(ButtonEditor::instance().isNull());
    QCOMPARE(SetFiles::bytes(set), before);

    // Reopened: remote 1 selected again, its captions shown.
    m_form1->setText1(m_work->file(QStringLiteral("missing.lmr")));
    QVERIFY(open());
    QVERIFY(option(1)->isChecked());
    QCOMPARE(fields(), defaults());
    QCOMPARE(text10()->text(), m_work->file(QStringLiteral("missing.lmr")));
    QVERIFY(!m_form1->isEnabled());
    m_form1->editButtons();
    QCOMPARE(ButtonEditor::instance().data(), m_editor.data());
}

void TestButtonEditor::designValues()
{
    QVERIFY(open());
    QCOMPARE(m_editor->objectName(), QStringLiteral("Form4"));
    QCOMPARE(m_editor->windowTitle(), QStringLiteral("Edit Buttons"));
    QCOMPARE(m_editor->size(), QSize(305, 291));
    QVERIFY(!m_editor->windowIcon().isNull());

    auto *strip = m_editor->findChild<QFrame *>(QStringLiteral("Picture1"));
    QVERIFY(strip);
    QCOMPARE(strip->geometry(), QRect(96, 48, 169, 17));
    QCOMPARE(option(2)->parentWidget(), strip);
    QCOMPARE(option(2)->geometry(), QRect(48, 0, 33, 17));
    QCOMPARE(option(3)->text(), QStringLiteral("3"));
    QCOMPARE(field(1)->geometry(), QRect(8, 80, 73, 25));
    QCOMPARE(field(12)->geometry(), QRect(216, 200, 73, 25));
    QCOMPARE(text10()->geometry(), QRect(104, 16, 161, 19));

    auto *label1 = m_editor->findChild<QLabel *>(QStringLiteral("Label1"));
    auto *label4 = m_editor->findChild<QLabel *>(QStringLiteral("Label4"));
    QVERIFY(label1 && label4);
    QCOMPARE(label1->text(), QStringLiteral("Remote:"));
    QCOMPARE(label4->text(), QStringLiteral("Filename:"));
    QVERIFY(label1->font().bold());
    QVERIFY(!field(1)->font().bold());

    auto *save = m_editor->findChild<QPushButton *>(QStringLiteral("Command1"));
    auto *done = m_editor->findChild<QPushButton *>(QStringLiteral("Command2"));
    auto *load = m_editor->findChild<QPushButton *>(QStringLiteral("Command3"));
    QVERIFY(save && done && load);
    QCOMPARE(done->text(), QStringLiteral("Done"));
    QCOMPARE(load->text(), QStringLiteral("Load"));
    QCOMPARE(load->geometry(), QRect(224, 248, 57, 25));

    // Tab order: options, B1..b12, Save, Done, Load, Filename.
    QList<QWidget *> order = { option(1), option(2), option(3) };
    for (int n = 1; n <= 12; ++n)
        order.append(field(n));
    order << save << done << load << text10();
    for (int i = 1; i < order.size(); ++i) {
        QWidget *next = order.at(i - 1)->nextInFocusChain();
        while (next->focusPolicy() == Qt::NoFocus)
            next = next->nextInFocusChain();
        QCOMPARE(next, order.at(i));
    }
}

QTEST_MAIN(TestButtonEditor)
#include "tst_buttoneditor.moc"
