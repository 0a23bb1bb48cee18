// Remotes > Record, the record signal dialog (Form5), RecordCommand and the
// record wait dialog (Form3), with the fake IR tools run for real.
#include "mainwindow.h"
#include "recordcommand.h"
#include "recordsignaldialog.h"
#include "recordwaitdialog.h"
#include "testsupport.h"
#include "toolrunner.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

const QStringList kMain = QStringLiteral("m1 m2 m3 m4 m5 m6 m7 m8 m9 m10 m11 m12").split(' ');
const QString kNoSignal = QStringLiteral("irrecord.exe: no IR signal received within 15.0 s");

// Waits until the wait dialog has come and gone.
bool waitForRecording()
{
    const bool done = QTest::qWaitFor([] { return !RecordWaitDialog::instance(); }, 15000);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return done;
}

// Every Form3 window there is, loaded or not yet deleted.
int waitDialogs()
{
    const QWidgetList all = QApplication::topLevelWidgets();
    return std::count_if(all.begin(), all.end(), [](QWidget *w) { return w->objectName() == "Form3"; });
}

// Runs 'step' every 10 ms while a tool runs, counting the runs.
struct RunProbe : QTimer
{
    int ticks = 0;
    explicit RunProbe(const std::function<void()> &step)
    {
        callOnTimeout([this, step] {
            if (ToolRunner::activeWaits() == 0)
                return;
            ++ticks;
            step();
        });
        start(10);
    }
};

// remotes.lmr with set number 58 and record n captioned "rec n", the empty
// set folder data/58, fake tools and the main window started on them.
struct Fixture : Sandbox
{
    std::unique_ptr<MainWindow> form1;

    Fixture()
    {
        QMap<int, RecordValue> set{ { 1, RecordValue::fromText("3") }, { 5, RecordValue::fromNumber(58) } };
        for (int n = 10; n <= 45; ++n)
            set.insert(n, RecordValue::fromText(QStringLiteral("rec %1").arg(n)));
        SetFiles::write(work.file("remotes.lmr"), set);
        QDir().mkpath(work.file("data/58"));
        form1 = std::make_unique<MainWindow>();
        form1->show();
    }
    ~Fixture() { waitForRecording(); } // with the fakes and scripted boxes still in place

    QString irFile(const QString &name) const { return work.file("data/58/" + name); }
    RecordSignalDialog *openRecord(const QString &text4)
    {
        form1->findChild<QLineEdit *>("Text4")->setText(text4);
        form1->record();
        return RecordSignalDialog::instance();
    }
};

} // namespace

class TstRecordSignal : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        QVERIFY(waitForRecording());
        delete RecordSignalDialog::instance();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(waitDialogs(), 0);
    }

    void openAndRecord_data()
    {
        QTest::addColumn<QString>("text2");
        QTest::addColumn<QString>("text4"); // the main window's remote
        QTest::addColumn<bool>("setFileGone");
        QTest::addColumn<int>("click");        // the remote then clicked in Form5; 0: none
        QTest::addColumn<int>("chosen");       // the remote Form5 shows then
        QTest::addColumn<int>("button");       // pressed in Form5
        QTest::addColumn<QString>("recorded"); // "none": no set folder to record into, no Form5
        // clang-format off
        QTest::newRow("set number 0") << "0" << "1" << false << 0 << 0 << 1 << "none";
        QTest::newRow("no set number") << "" << "1" << false << 0 << 0 << 1 << "none";
        QTest::newRow("set number 5x") << "5x" << "1" << false << 0 << 0 << 1 << "none";
        QTest::newRow("0: none chosen") << "58" << "0" << false << 0 << 0 << 1 << "";
        QTest::newRow("4: none chosen") << "58" << "4" << false << 0 << 0 << 12 << "";
        QTest::newRow("remote 1 button 11") << "58" << "1" << false << 0 << 1 << 11 << "R1B11.lmc";
        QTest::newRow("remote 2 button 1") << "58" << "2" << false << 0 << 2 << 1 << "R2B1.lmc";
        QTest::newRow("remote 3 button 12") << "58" << "3" << false << 0 << 3 << 12 << "R3B12.lmc";
        QTest::newRow("remote 1 chosen over 3") << "58" << "3" << false << 1 << 1 << 5 << "R1B5.lmc";
        QTest::newRow("remote 2, set file gone") << "58" << "2" << true << 0 << 2 << 7 << "R2B7.lmc";
        // clang-format on
    }

    void openAndRecord()
    {
        QFETCH(QString, text2);
        QFETCH(QString, text4);
        QFETCH(bool, setFileGone);
        QFETCH(int, click);
        QFETCH(int, chosen);
        QFETCH(int, button);
        QFETCH(QString, recorded);
        Fixture f;
        f.tools.setWrite("IR signal");
        f.form1->setButtonCaptions(kMain);
        f.form1->setSetNumberText(text2);
        if (setFileGone)
            QVERIFY(QFile::remove(f.work.file("remotes.lmr")));
        QPointer<RecordSignalDialog> form5 = f.openRecord(text4);
        if (recorded == "none") {
            QVERIFY(!form5 && f.form1->isEnabled());
            QCOMPARE(f.messages.texts(), QStringList{ "Please create a remote before recording a signal" });
            return;
        }
        QVERIFY(QTest::qWaitForWindowExposed(form5));
        if (click)
            QTest::mouseClick(form5->option(click), Qt::LeftButton);
        QCOMPARE(form5->chosenRemote(), chosen);
        QStringList captions;
        for (int n : SetFiles::remoteRecords(chosen ? chosen : 1))
            captions << QStringLiteral("rec %1").arg(n);
        QCOMPARE(form5->buttonCaptions(), chosen && !setFileGone ? captions : kMain);
        QTest::mouseClick(form5->button(button), Qt::LeftButton);
        QCOMPARE(form5->close(), recorded.isEmpty()); // the close box, refused while recording
        QVERIFY(waitForRecording());
        const QStringList files = recorded.isEmpty() ? QStringList() : QStringList{ f.irFile(recorded) };
        QCOMPARE(f.tools.arguments("irrecord.exe"), files);
        // The main window keeps its remote and captions; its own recording
        // shows in its button's tip as soon as the recording ends, and plays.
        QCOMPARE(f.form1->findChild<QLineEdit *>("Text4")->text(), text4);
        QCOMPARE(f.form1->buttonCaptions(), kMain);
        const bool mine = !recorded.isEmpty() && recorded.startsWith("R" + text4);
        QCOMPARE(f.form1->button(button)->toolTip(), mine ? QStringLiteral("recorded signal") : QString());
        if (form5)
            QTest::mouseClick(form5->doneButton(), Qt::LeftButton);
        QVERIFY(f.form1->isEnabled());
        QTest::mouseClick(f.form1->button(button), Qt::LeftButton);
        QCOMPARE(f.tools.arguments("irplay.exe"), mine ? files : QStringList());
        const bool missing = f.form1->currentRemote() && !mine;
        QCOMPARE(f.messages.texts(), missing ? QStringList{ "Command does not exist" } : QStringList());
        // The next opening starts afresh.
        form5 = f.openRecord("0");
        QCOMPARE(form5->chosenRemote(), 0);
        QCOMPARE(form5->buttonCaptions(), kMain);
    }

    void recordCommand_data()
    {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("fails");       // the recorder exits 3 after kNoSignal
        QTest::addColumn<QByteArray>("after"); // the file's bytes; "new" when the recorder writes
        QTest::newRow("missing file, recorder writes") << false << true << false << QByteArray("new");
        QTest::newRow("missing file, recorder writes nothing") << false << true << false << QByteArray();
        QTest::newRow("existing file, No") << true << false << false << QByteArray("old");
        QTest::newRow("existing file, Yes, recorder fails") << true << true << true << QByteArray("old");
    }

    void recordCommand()
    {
        QFETCH(bool, exists);
        QFETCH(bool, yes);
        QFETCH(bool, fails);
        QFETCH(QByteArray, after);
        Fixture f;
        QPointer<RecordSignalDialog> form5 = f.openRecord("1");
        const QString path = f.irFile("R3B4.lmc");
        if (exists)
            touch(path, "old");
        if (!after.isEmpty() && !fails) // "new" unless the file must stay as it is
            f.tools.setWrite("new");
        if (fails) {
            f.tools.setExitCode(3);
            f.tools.setStderr(kNoSignal.toUtf8() + '\n');
        }
        f.tools.setSleepMs(200);
        // Each box, with what was up meanwhile.
        QStringList boxes;
        f.messages.onShow = [&](const Messages::Request &r) {
            boxes << r.text + (RecordWaitDialog::instance() ? " | waiting" : "")
                    + (form5 && !form5->isEnabled() ? " | Form5 off" : "");
        };
        f.messages.answer(yes ? Messages::Answer::Yes : Messages::Answer::No);
        QElapsedTimer clock;
        clock.start();
        RecordCommand(path);
        QVERIFY(!exists || f.messages.shown.first().buttons == Messages::Buttons::YesNo);
        // Returned with one wait dialog up (or none) and nothing run yet.
        QCOMPARE(waitDialogs(), yes ? 1 : 0);
        QPointer<RecordWaitDialog> form3 = RecordWaitDialog::instance();
        QVERIFY(!yes || (form3->isVisible() && form3->recordPath() == path && form3->timer1()->isActive()));
        QVERIFY(!form3 || form3->findChild<QWidget *>("Text1")->isHidden());
        // Its label fits its box in the face the desktop has, narrowed where need be.
        const QLabel *label = form3 ? form3->findChild<QLabel *>("Label1") : nullptr;
        QVERIFY(!label || QFontMetrics(label->font()).horizontalAdvance(label->text()) <= label->width());
        QCOMPARE(form5->isEnabled(), !yes);
        QVERIFY(f.tools.log().isEmpty());
        QVERIFY(!form3 || !form3->close()); // before the first tick
        // While the recorder runs: the timer is off and neither dialog closes.
        qint64 startedAfter = -1;
        bool held = true;
        RunProbe probe([&] {
            if (startedAfter < 0)
                startedAfter = clock.elapsed();
            held &= form3 && !form3->timer1()->isActive() && form5 && !form5->isEnabled() && !form3->close()
                && !form5->close();
        });
        QVERIFY(waitForRecording());
        QCOMPARE(probe.ticks > 0, yes);
        QVERIFY(held);
        QVERIFY2(!yes || startedAfter >= 450, qPrintable(QString::number(startedAfter)));
        QCOMPARE(waitDialogs(), 0);
        // The failure is told while the wait dialog is still up; the record
        // dialog comes back only once the box is answered.
        QVERIFY(form5->isEnabled() && form5->isVisible());
        QVERIFY(!f.form1->isEnabled());
        QStringList expected;
        if (exists)
            expected << "Do you want to overwrite the command ?";
        if (fails)
            expected << kNoSignal + " | waiting | Form5 off";
        QCOMPARE(boxes, expected);
        QCOMPARE(f.tools.arguments("irrecord.exe"), yes ? QStringList{ path } : QStringList());
        QCOMPARE(SetFiles::bytes(path), after);
    }
};

QTEST_MAIN(TstRecordSignal)
#include "tst_recordsignal.moc"
