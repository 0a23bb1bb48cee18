// Remotes > Record and the record signal dialog (Form5): opening, the
// remote choice and its captions, which file a button records into, Done,
// and a recorded button played from the main window.
#include "mainwindow.h"
#include "module1.h"
#include "paths.h"
#include "recordsignaldialog.h"
#include "recordwaitdialog.h"
#include "testsupport.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

bool waitForRecording(int timeoutMs = 15000);

// The records that caption buttons 1..12 of each remote, written out
// rather than computed.
const QList<int> kRemoteRecords[3] = {
    { 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 40, 41 },
    { 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 42, 43 },
    { 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 44, 45 },
};

QString recordCaption(int n)
{
    return QStringLiteral("rec %1").arg(n);
}

QStringList captionsOf(const QList<int> &records)
{
    QStringList c;
    for (int n : records)
        c << recordCaption(n);
    return c;
}

QStringList mainCaptions()
{
    QStringList c;
    for (int n = 1; n <= 12; ++n)
        c << QStringLiteral("main %1").arg(n);
    return c;
}

// A folder with remotes.lmr (set number 58, every button record n holding
// "rec n"), the set folder data/58, fake IR tools and the main window
// started on it.
struct Fixture
{
    WorkDir work;
    MessageScript messages;
    FakeTools tools;
    std::unique_ptr<MainWindow> form1;

    Fixture()
    {
        QMap<int, RecordValue> set;
        set.insert(1, RecordValue::fromText(QStringLiteral("3")));
        for (int r = 1; r <= 3; ++r)
            set.insert(r + 1, RecordValue::fromText(QStringLiteral("Remote %1").arg(r)));
        set.insert(5, RecordValue::fromNumber(58));
        for (int n = 10; n <= 45; ++n)
            set.insert(n, RecordValue::fromText(recordCaption(n)));
        SetFiles::write(setFile(), set);
        QDir().mkpath(work.file(QStringLiteral("data/58")));
        form1 = std::make_unique<MainWindow>();
        form1->show();
    }

    QString setFile() const { return work.file(QStringLiteral("remotes.lmr")); }
    QString irFile(const QString &name) const { return work.file(QStringLiteral("data/58/") + name); }

    // A recording still under way ends with the fake tools and the
    // scripted boxes still in place.
    ~Fixture() { waitForRecording(); }

    // Remotes > Record with the main window's current remote 'text4'.
    RecordSignalDialog *openRecord(const QString &text4)
    {
        form1->setText4(text4);
        form1->record();
        return RecordSignalDialog::instance();
    }
};

// Waits until the record wait dialog has come and gone.
bool waitForRecording(int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (RecordWaitDialog::instance() && t.elapsed() < timeoutMs)
        QTest::qWait(20);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return !RecordWaitDialog::instance();
}

int checkedOptions(RecordSignalDialog *form5)
{
    int count = 0;
    for (int r = 1; r <= 3; ++r)
        count += form5->option(r)->isChecked() ? 1 : 0;
    return count;
}

} // namespace

class TstRecordSignal : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void recordRefusedWithoutSetFolder_data();
    void recordRefusedWithoutSetFolder();
    void recordOpensDialogModeless();
    void layout();

    void openerChoosesCurrentRemote_data();
    void openerChoosesCurrentRemote();
    void focusAndArrowKeysDoNotChoose();
    void clickingARemoteRecaptions();
    void setFileGoneKeepsCaptions();
    void unreadableSetFileIsReported();

    void recordsIntoChosenRemote();
    void buttonRecordAndFile_data();
    void buttonRecordAndFile();
    void noChoiceRecordsNothing();

    void doneAndCloseBox_data();
    void doneAndCloseBox();
    void closeRefusedWhileRecording();

    void recordedButtonPlays();
};

void TstRecordSignal::cleanup()
{
    QVERIFY(waitForRecording());
    delete RecordSignalDialog::instance();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!RecordSignalDialog::instance());
}

void TstRecordSignal::recordRefusedWithoutSetFolder_data()
{
    QTest::addColumn<QString>("text2");
    QTest::newRow("fresh start, 0") << QStringLiteral("0");
    QTest::newRow("no record 5, empty") << QString();
    QTest::newRow("not a number") << QStringLiteral("5x");
}

void TstRecordSignal::recordRefusedWithoutSetFolder()
{
    QFETCH(QString, text2);
    Fixture f;
    f.form1->setText2(text2);
    QVERIFY(!f.openRecord(QStringLiteral("1")));
    QCOMPARE(f.messages.texts(), QStringList { "Please create a remote before recording a signal" });
    const Messages::Request &box = f.messages.shown.first();
    QCOMPARE(box.title, QStringLiteral("Lumo Control Software"));
    QCOMPARE(box.buttons, Messages::Buttons::Ok);
    QCOMPARE(box.icon, Messages::Icon::None);
    QVERIFY(f.form1->isEnabled());
}

void TstRecordSignal::recordOpensDialogModeless()
{
    Fixture f;
    QCOMPARE(f.form1->text2(), QStringLiteral("58"));
    RecordSignalDialog *form5 = f.openRecord(QStringLiteral("1"));
    QVERIFY(form5);
    QVERIFY(f.messages.shown.isEmpty());
    QVERIFY(form5->isVisible());
    QCOMPARE(form5->windowModality(), Qt::NonModal);
    QVERIFY(form5->isEnabled());
    QVERIFY(!f.form1->isEnabled());
    // The command returned with the dialog open, and no tool ran.
    QVERIFY(f.tools.log().isEmpty());
}

void TstRecordSignal::layout()
{
    Fixture f;
    RecordSignalDialog *form5 = f.openRecord(QStringLiteral("1"));
    QVERIFY(QTest::qWaitForWindowExposed(form5));
    QCOMPARE(form5->objectName(), QStringLiteral("Form5"));
    QCOMPARE(form5->windowTitle(), QStringLiteral("Record Signal"));
    QVERIFY(!form5->windowIcon().isNull());
    QCOMPARE(form5->size(), QSize(281, 276));
    QVERIFY(form5->windowFlags() & Qt::WindowCloseButtonHint);

    auto *label1 = form5->findChild<QLabel *>("Label1");
    QVERIFY(label1);
    QCOMPARE(label1->text(), QStringLiteral("Click on the button to assing to an IR signal"));
    QCOMPARE(label1->font().pointSizeF(), 12.0);
    QVERIFY(label1->font().bold());
    QVERIFY(label1->wordWrap());
    auto *label2 = form5->findChild<QLabel *>("Label2");
    QVERIFY(label2);
    QCOMPARE(label2->text(), QStringLiteral("Remote:"));
    QVERIFY(label2->font().bold());
    QCOMPARE(label2->geometry(), QRect(16, 64, 48, 13));

    auto *picture1 = form5->findChild<QFrame *>("Picture1");
    QVERIFY(picture1);
    QCOMPARE(picture1->geometry(), QRect(88, 64, 169, 17));
    const int optionLefts[3] = { 8, 48, 88 };
    for (int r = 1; r <= 3; ++r) {
        QRadioButton *o = form5->option(r);
        QCOMPARE(o->objectName(), QStringLiteral("Option%1").arg(r));
        QCOMPARE(o->parentWidget(), picture1);
        QCOMPARE(o->text(), QString::number(r));
        QCOMPARE(o->geometry(), QRect(optionLefts[r - 1], 0, 33, 17));
    }
    const int lefts[3] = { 32, 112, 192 };
    const int tops[4] = { 96, 128, 160, 192 };
    for (int n = 1; n <= 12; ++n) {
        QPushButton *b = form5->button(n);
        QCOMPARE(b->objectName(), n == 1 ? QStringLiteral("B1") : QStringLiteral("b%1").arg(n));
        QCOMPARE(b->geometry(), QRect(lefts[(n - 1) % 3], tops[(n - 1) / 3], 57, 25));
    }
    QPushButton *done = form5->findChild<QPushButton *>("Command1");
    QCOMPARE(done, form5->doneButton());
    QCOMPARE(done->text(), QStringLiteral("Done"));
    QCOMPARE(done->geometry(), QRect(104, 232, 73, 25));
    QVERIFY(!done->isDefault());

    // Tab order: the three choices, the grid row by row, then Done.
    QList<QWidget *> expected = { form5->option(1), form5->option(2), form5->option(3) };
    for (int n = 1; n <= 12; ++n)
        expected << form5->button(n);
    expected << done;
    for (int i = 1; i < expected.size(); ++i)
        QCOMPARE(expected.at(i - 1)->nextInFocusChain(), expected.at(i));
}

void TstRecordSignal::openerChoosesCurrentRemote_data()
{
    QTest::addColumn<QString>("text4");
    QTest::addColumn<int>("remote");
    QTest::newRow("none current (0)") << QStringLiteral("0") << 0;
    QTest::newRow("remote 1") << QStringLiteral("1") << 1;
    QTest::newRow("remote 2") << QStringLiteral("2") << 2;
    QTest::newRow("remote 3") << QStringLiteral("3") << 3;
    QTest::newRow("unknown value") << QStringLiteral("4") << 0;
}

void TstRecordSignal::openerChoosesCurrentRemote()
{
    QFETCH(QString, text4);
    QFETCH(int, remote);
    Fixture f;
    f.form1->setButtonCaptions(mainCaptions());
    RecordSignalDialog *form5 = f.openRecord(text4);
    QVERIFY(form5);
    for (int r = 1; r <= 3; ++r)
        QCOMPARE(form5->option(r)->isChecked(), r == remote);
    QCOMPARE(form5->chosenRemote(), remote);
    // A chosen remote's captions replace those copied from the main window.
    QCOMPARE(form5->buttonCaptions(), remote ? captionsOf(kRemoteRecords[remote - 1]) : mainCaptions());
    // The main window's state is untouched.
    QCOMPARE(f.form1->text4(), text4);
    QCOMPARE(f.form1->buttonCaptions(), mainCaptions());
    QVERIFY(f.messages.shown.isEmpty());
}

void TstRecordSignal::focusAndArrowKeysDoNotChoose()
{
    Fixture f;
    f.form1->setButtonCaptions(mainCaptions());
    RecordSignalDialog *form5 = f.openRecord(QStringLiteral("0"));
    QVERIFY(QTest::qWaitForWindowActive(form5));
    form5->option(1)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(form5->option(1), Qt::Key_Right);
    QTest::keyClick(form5->option(2), Qt::Key_Down);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(checkedOptions(form5), 0);
    QCOMPARE(form5->buttonCaptions(), mainCaptions());
}

void TstRecordSignal::clickingARemoteRecaptions()
{
    Fixture f;
    RecordSignalDialog *form5 = f.openRecord(QStringLiteral("1"));
    QVERIFY(QTest::qWaitForWindowExposed(form5));
    QTest::mouseClick(form5->option(2), Qt::LeftButton);
    QCOMPARE(form5->chosenRemote(), 2);
    QCOMPARE(checkedOptions(form5), 1);
    QCOMPARE(form5->buttonCaptions(), captionsOf(kRemoteRecords[1]));
    QTest::mouseClick(form5->option(3), Qt::LeftButton);
    QCOMPARE(form5->chosenRemote(), 3);
    QCOMPARE(form5->buttonCaptions(), captionsOf(kRemoteRecords[2]));
    QCOMPARE(f.form1->text4(), QStringLiteral("1"));
    QCOMPARE(f.form1->buttonCaptions(), captionsOf(kRemoteRecords[0]));
}

void TstRecordSignal::setFileGoneKeepsCaptions()
{
    Fixture f;
    f.form1->setButtonCaptions(mainCaptions());
    QVERIFY(QFile::remove(f.setFile()));
    // The opener still chooses the current remote; the captions stay.
    RecordSignalDialog *form5 = f.openRecord(QStringLiteral("2"));
    QCOMPARE(form5->chosenRemote(), 2);
    QCOMPARE(form5->buttonCaptions(), mainCaptions());
    QVERIFY(QTest::qWaitForWindowExposed(form5));
    QTest::mouseClick(form5->option(3), Qt::LeftButton);
    QCOMPARE(form5->chosenRemote(), 3);
    QCOMPARE(form5->buttonCaptions(), mainCaptions());
    QVERIFY(f.messages.shown.isEmpty());
    // Reading never creates the file.
    QVERIFY(!QFile::exists(f.setFile()));
}

void TstRecordSignal::unreadableSetFileIsReported()
{
    Fixture f;
    f.form1->setButtonCaptions(mainCaptions());
    QFile::setPermissions(f.setFile(), QFileDevice::Permissions());
    {
        QFile probe(f.setFile());
        if (probe.open(QIODevice::ReadOnly))
            QSKIP("this user can read any file");
    }
    RecordSignalDialog *form5 = f.openRecord(QStringLiteral("2"));
    QVERIFY(form5);
    QCOMPARE(f.messages.shown.size(), 1);
    QCOMPARE(f.messages.shown.first().icon, Messages::Icon::Error);
    QVERIFY(f.messages.shown.first().text.contains(QStringLiteral("remotes.lmr")));
    QCOMPARE(form5->buttonCaptions(), mainCaptions());
    QVERIFY(form5->isVisible());
}

void TstRecordSignal::recordsIntoChosenRemote()
{
    Fixture f;
    f.form1->selectRemote(3);
    RecordSignalDialog *form5 = f.openRecord(QStringLiteral("3"));
    QVERIFY(QTest::qWaitForWindowExposed(form5));
    QTest::mouseClick(form5->option(1), Qt::LeftButton);
    QTest::mouseClick(form5->button(5), Qt::LeftButton);
    QVERIFY(RecordWaitDialog::instance());
    QVERIFY(waitForRecording());
    QCOMPARE(f.tools.arguments(QStringLiteral("irrecord.exe")), QStringList { f.irFile("R1B5.lmc") });
    QCOMPARE(f.form1->text4(), QStringLiteral("3"));
    QCOMPARE(f.form1->buttonCaptions(), captionsOf(kRemoteRecords[2]));
    QVERIFY(form5->isEnabled());
    QVERIFY(!f.form1->isEnabled());
}

void TstRecordSignal::buttonRecordAndFile_data()
{
    QTest::addColumn<int>("remote");
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("record");
    QTest::addColumn<QString>("file");
    QTest::newRow("remote 1 button 11") << 1 << 11 << 40 << "R1B11.lmc";
    QTest::newRow("remote 3 button 12") << 3 << 12 << 45 << "R3B12.lmc";
    QTest::newRow("remote 1 button 1") << 1 << 1 << 10 << "R1B1.lmc";
    QTest::newRow("remote 1 button 12") << 1 << 12 << 41 << "R1B12.lmc";
    QTest::newRow("remote 2 button 10") << 2 << 10 << 29 << "R2B10.lmc";
    QTest::newRow("remote 2 button 11") << 2 << 11 << 42 << "R2B11.lmc";
    QTest::newRow("remote 3 button 1") << 3 << 1 << 30 << "R3B1.lmc";
    QTest::newRow("remote 3 button 11") << 3 << 11 << 44 << "R3B11.lmc";
}

void TstRecordSignal::buttonRecordAndFile()
{
    QFETCH(int, remote);
    QFETCH(int, button);
    QFETCH(int, record);
    QFETCH(QString, file);
    Fixture f;
    RecordSignalDialog *form5 = f.openRecord(QString::number(remote));
    QCOMPARE(form5->button(button)->text(), recordCaption(record));
    QVERIFY(QTest::qWaitForWindowExposed(form5));
    QTest::mouseClick(form5->button(button), Qt::LeftButton);
    QVERIFY(waitForRecording());
    QCOMPARE(f.tools.arguments(QStringLiteral("irrecord.exe")), QStringList { f.irFile(file) });
}

void TstRecordSignal::noChoiceRecordsNothing()
{
    Fixture f;
    RecordSignalDialog *form5 = f.openRecord(QStringLiteral("0"));
    QVERIFY(QTest::qWaitForWindowExposed(form5));
    for (int n = 1; n <= 12; ++n)
        QTest::mouseClick(form5->button(n), Qt::LeftButton);
    QVERIFY(!RecordWaitDialog::instance());
    QTest::qWait(700); // longer than the wait dialog's timer
    QVERIFY(f.tools.log().isEmpty());
    QVERIFY(f.messages.shown.isEmpty());
    QVERIFY(form5->isEnabled());
}

void TstRecordSignal::doneAndCloseBox_data()
{
    QTest::addColumn<bool>("useDone");
    QTest::newRow("Done") << true;
    QTest::newRow("close box") << false;
}

void TstRecordSignal::doneAndCloseBox()
{
    QFETCH(bool, useDone);
    Fixture f;
    f.form1->setButtonCaptions(mainCaptions());
    QPointer<RecordSignalDialog> form5 = f.openRecord(QStringLiteral("0"));
    QVERIFY(QTest::qWaitForWindowExposed(form5));
    QTest::mouseClick(form5->option(2), Qt::LeftButton);
    QCOMPARE(form5->buttonCaptions(), captionsOf(kRemoteRecords[1]));

    if (useDone)
        QTest::mouseClick(form5->doneButton(), Qt::LeftButton);
    else
        QVERIFY(form5->close());
    QVERIFY(!RecordSignalDialog::instance());
    QTRY_VERIFY(!form5);
    QVERIFY(f.form1->isEnabled());
    QVERIFY(f.messages.shown.isEmpty());

    // The next opening starts from the design values.
    RecordSignalDialog *again = f.openRecord(QStringLiteral("0"));
    QVERIFY(again);
    QCOMPARE(checkedOptions(again), 0);
    QCOMPARE(again->buttonCaptions(), mainCaptions());
    QVERIFY(!f.form1->isEnabled());
}

void TstRecordSignal::closeRefusedWhileRecording()
{
    Fixture f;
    f.tools.setSleepMs(800);
    RecordSignalDialog *form5 = f.openRecord(QStringLiteral("1"));
    QVERIFY(QTest::qWaitForWindowExposed(form5));
    QTest::mouseClick(form5->button(1), Qt::LeftButton);
    QVERIFY(!form5->isEnabled());
    QVERIFY(!form5->close());

    // And while the recorder runs.
    bool triedDuringRun = false;
    bool closedDuringRun = false;
    QTimer probe;
    probe.setInterval(20);
    connect(&probe, &QTimer::timeout, this, [&] {
        if (ToolRunner::activeWaits() > 0 && !triedDuringRun) {
            triedDuringRun = true;
            if (auto *dialog = RecordSignalDialog::instance())
                closedDuringRun = dialog->close();
        }
    });
    probe.start();
    QVERIFY(waitForRecording());
    probe.stop();
    QVERIFY(triedDuringRun);
    QVERIFY(!closedDuringRun);
    QCOMPARE(RecordSignalDialog::instance(), form5);
    QVERIFY(form5->isEnabled());
    QVERIFY(!f.form1->isEnabled());
    // Once the recording is over it closes as usual.
    QVERIFY(form5->close());
    QVERIFY(f.form1->isEnabled());
}

void TstRecordSignal::recordedButtonPlays()
{
    Fixture f;
    f.tools.setWrite("IR signal");
    f.form1->selectRemote(2);
    QTest::mouseClick(f.form1->button(7), Qt::LeftButton);
    QCOMPARE(f.messages.texts(), QStringList { "Command does not exist" });
    QVERIFY(f.tools.log().isEmpty());

    RecordSignalDialog *form5 = f.openRecord(QStringLiteral("2"));
    QVERIFY(QTest::qWaitForWindowExposed(form5));
    QTest::mouseClick(form5->button(7), Qt::LeftButton);
    QVERIFY(waitForRecording());
    const QString file = f.irFile(QStringLiteral("R2B7.lmc"));
    QCOMPARE(SetFiles::bytes(file), QByteArray("IR signal"));
    QTest::mouseClick(form5->doneButton(), Qt::LeftButton);
    QVERIFY(f.form1->isEnabled());

    QTest::mouseClick(f.form1->button(7), Qt::LeftButton);
    QCOMPARE(f.messages.shown.size(), 1);
    QCOMPARE(f.tools.arguments(QStringLiteral("irplay.exe")), QStringList { file });
}

QTEST_MAIN(TstRecordSignal)
#include "tst_recordsignal.moc"
