// Remotes > Record, the record signal dialog (Form5), RecordCommand and the
// record wait dialog (Form3), with the fake IR tools run for real.
#include "mainwindow.h"
#include "recordcommand.h"
#include "recordsignaldialog.h"
#include "recordwaitdialog.h"
#include "testsupport.h"
#include "toolrunner.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include <csignal>
#include <memory>

namespace {

// The records that caption buttons 1..12 of each remote, written out.
const QList<int> kRemote[3] = { { 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 40, 41 },
                                { 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 42, 43 },
                                { 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 44, 45 } };
const QStringList kMain = QStringLiteral("m1 m2 m3 m4 m5 m6 m7 m8 m9 m10 m11 m12").split(' ');

QStringList captions(const QList<int> &records)
{
    QStringList c;
    for (int n : records)
        c << QStringLiteral("rec %1").arg(n);
    return c;
}

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
        callOnTimeout([this, step] { ToolRunner::activeWaits() > 0 && ++ticks ? step() : void(); });
        start(10);
    }
};

// remotes.lmr with set number 58 and record n captioned "rec n", the empty
// set folder data/58, fake tools and the main window started on them.
struct Fixture
{
    WorkDir work;
    MessageScript messages;
    FakeTools tools;
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

    void layout()
    {
        Fixture f;
        RecordSignalDialog *form5 = f.openRecord("1");
        QVERIFY(QTest::qWaitForWindowExposed(form5));
        QCOMPARE(form5->windowTitle(), "Record Signal");
        QCOMPARE(form5->size(), QSize(281, 276));
        // Tab order: the three choices, the grid row by row, then Done.
        QStringList chain;
        for (QWidget *w = form5->option(1); chain.size() < 16; w = w->nextInFocusChain())
            chain << w->objectName();
        QCOMPARE(chain.join(' '), "Option1 Option2 Option3 B1 b2 b3 b4 b5 b6 b7 b8 b9 b10 b11 b12 Command1");
        QTest::mouseClick(form5->button(1), Qt::LeftButton);
        RecordWaitDialog *form3 = RecordWaitDialog::instance();
        QVERIFY(QTest::qWaitForWindowExposed(form3));
        QCOMPARE(form3->windowTitle(), "Waiting for User Input");
        QCOMPARE(form3->size(), QSize(312, 178));
        QVERIFY(!(form3->windowFlags()
                  & (Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint)));
        QVERIFY(form3->findChild<QWidget *>("Text1")->isHidden());
        const std::tuple<QWidget *, const char *, QRect, QString> controls[] = {
            { form5, "Label1", { 48, 8, 201, 41 }, "Click on the button to assing to an IR signal" },
            { form5, "Label2", { 16, 64, 48, 13 }, "Remote:" },
            { form5, "Option3", { 88, 0, 33, 17 }, "3" }, // inside Picture1
            { form5, "B1", { 32, 96, 57, 25 }, "rec 10" },
            { form5, "b12", { 192, 192, 57, 25 }, "rec 41" },
            { form5, "Command1", { 104, 232, 73, 25 }, "Done" },
            { form3, "Label1", { 8, 24, 285, 24 }, "Waiting for a button to be pressed." },
            { form3,
              "Label2",
              { 40, 80, 233, 65 },
              "Point your remote at the Lumo and press the button you want to assing to:" },
        };
        for (const auto &[form, name, geometry, text] : controls) {
            const QWidget *w = form->findChild<QWidget *>(name);
            QVERIFY2(w, name);
            QCOMPARE(w->geometry(), geometry);
            QCOMPARE(w->property("text").toString(), text);
        }
    }

    void openerChoosesCurrentRemote_data()
    {
        QTest::addColumn<QString>("text2");
        QTest::addColumn<QString>("text4");
        QTest::addColumn<bool>("setFileGone");
        QTest::addColumn<int>("remote");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("set number 0") << "0"
                                      << "1" << false << 0 << QStringList();
        QTest::newRow("no set number") << ""
                                       << "1" << false << 0 << QStringList();
        QTest::newRow("set number 5x") << "5x"
                                       << "1" << false << 0 << QStringList();
        QTest::newRow("0: none") << "58"
                                 << "0" << false << 0 << kMain;
        QTest::newRow("4: none") << "58"
                                 << "4" << false << 0 << kMain;
        for (int r = 1; r <= 3; ++r)
            QTest::addRow("remote %d", r)
                << "58" << QString::number(r) << false << r << captions(kRemote[r - 1]);
        QTest::newRow("remote 2, set file gone") << "58"
                                                 << "2" << true << 2 << kMain;
    }

    void openerChoosesCurrentRemote()
    {
        QFETCH(QString, text2);
        QFETCH(QString, text4);
        QFETCH(bool, setFileGone);
        QFETCH(int, remote);
        QFETCH(QStringList, expected);
        Fixture f;
        f.form1->setButtonCaptions(kMain);
        f.form1->setSetNumberText(text2);
        if (setFileGone)
            QVERIFY(QFile::remove(f.work.file("remotes.lmr")));
        RecordSignalDialog *form5 = f.openRecord(text4);
        if (expected.isEmpty()) { // no set folder to record into
            QVERIFY(!form5 && f.form1->isEnabled());
            QCOMPARE(f.messages.texts(), QStringList{ "Please create a remote before recording a signal" });
            return;
        }
        QVERIFY(QTest::qWaitForWindowExposed(form5));
        for (int r = 1; r <= 3; ++r)
            QCOMPARE(form5->option(r)->isChecked(), r == remote);
        QCOMPARE(form5->buttonCaptions(), expected);
        if (!remote) { // no remote, no recording
            for (int n = 1; n <= 12; ++n)
                QTest::mouseClick(form5->button(n), Qt::LeftButton);
            QCOMPARE(waitDialogs(), 0);
        }
        QCOMPARE(f.form1->findChild<QLineEdit *>("Text4")->text(), text4);
        QCOMPARE(f.form1->buttonCaptions(), kMain);
        QVERIFY(f.messages.shown.isEmpty());
        // The close box unloads it (Done: recordAndPlayButton); the next opening starts afresh.
        QVERIFY(form5->close());
        QVERIFY(f.form1->isEnabled());
        form5 = f.openRecord("0");
        QCOMPARE(form5->chosenRemote(), 0);
        QCOMPARE(form5->buttonCaptions(), kMain);
    }

    void recordAndPlayButton_data()
    {
        QTest::addColumn<int>("shown");  // the main window's remote
        QTest::addColumn<int>("chosen"); // clicked in Form5; 0: the opener's choice
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("record");
        QTest::addColumn<QString>("file");
        QTest::newRow("remote 1 chosen over 3") << 3 << 1 << 5 << 14 << "R1B5.lmc";
        QTest::newRow("remote 1 button 11") << 1 << 0 << 11 << 40 << "R1B11.lmc";
        QTest::newRow("remote 3 button 12") << 3 << 0 << 12 << 45 << "R3B12.lmc";
    }

    void recordAndPlayButton()
    {
        QFETCH(int, shown);
        QFETCH(int, chosen);
        QFETCH(int, button);
        QFETCH(int, record);
        QFETCH(QString, file);
        Fixture f;
        f.tools.setWrite("IR signal");
        f.form1->selectRemote(shown);
        RecordSignalDialog *form5 = f.openRecord(QString::number(shown));
        QVERIFY(QTest::qWaitForWindowExposed(form5));
        if (chosen)
            QTest::mouseClick(form5->option(chosen), Qt::LeftButton);
        QCOMPARE(form5->button(button)->text(), captions({ record }).first());
        QTest::mouseClick(form5->button(button), Qt::LeftButton);
        QVERIFY(!form5->close()); // not while recording
        QVERIFY(waitForRecording());
        QCOMPARE(f.tools.arguments("irrecord.exe"), QStringList{ f.irFile(file) });
        QCOMPARE(f.form1->currentRemote(), shown);
        // Its button tells what it learned as soon as the recording ends.
        QCOMPARE(f.form1->button(button)->toolTip(), chosen ? QString() : QStringLiteral("recorded signal"));
        QCOMPARE(f.form1->buttonCaptions(), captions(kRemote[shown - 1]));
        // Done; the main window's button plays its own remote's recording.
        QTest::mouseClick(form5->doneButton(), Qt::LeftButton);
        QVERIFY(f.form1->isEnabled());
        QTest::mouseClick(f.form1->button(button), Qt::LeftButton);
        QCOMPARE(f.tools.arguments("irplay.exe"), chosen ? QStringList() : QStringList{ f.irFile(file) });
        QCOMPARE(f.messages.texts(), chosen ? QStringList{ "Command does not exist" } : QStringList());
    }

    void recordCommand_data()
    {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("after"); // the file's bytes; "new" when the recorder writes
        QTest::addColumn<QString>("failure");  // the box after a failed recording
        const QByteArray noSignal = "irrecord.exe: no IR signal received within 15.0 s\n";
        QTest::newRow("missing file, recorder writes at once")
            << false << true << 0 << QByteArray("new") << QString();
        QTest::newRow("missing file, recorder writes nothing")
            << false << true << 0 << QByteArray() << QString();
        QTest::newRow("existing file, No") << true << false << 0 << QByteArray("old") << QString();
        QTest::newRow("existing file, Yes, recorder fails")
            << true << true << 3 << QByteArray("old") << QString::fromUtf8(noSignal.trimmed());
        QTest::newRow("missing file, recorder killed")
            << false << true << -int(SIGTERM) << QByteArray()
            << "The IR tool \"irrecord.exe\" was ended by signal 15 (Terminated).";
    }

    void recordCommand()
    {
        QFETCH(bool, exists);
        QFETCH(bool, yes);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, after);
        QFETCH(QString, failure);
        Fixture f;
        QPointer<RecordSignalDialog> form5 = f.openRecord("1");
        const QString path = f.irFile("R3B4.lmc");
        QFile old(path);
        QVERIFY(!exists || (old.open(QIODevice::WriteOnly) && old.write("old") == 3 && old.flush()));
        if (after == "new" || !yes)
            f.tools.setWrite("new");
        if (exitCode < 0)
            f.tools.setSignal(-exitCode);
        else
            f.tools.setExitCode(exitCode);
        if (exitCode > 0)
            f.tools.setStderr("irrecord.exe: no IR signal received within 15.0 s\n");
        f.tools.setSleepMs(200);
        bool dialogWhileAsking = false;
        bool waitDialogDuringFailure = false;
        bool form5OffDuringFailure = false;
        f.messages.onShow = [&](const Messages::Request &r) {
            if (r.icon != Messages::Icon::Error) {
                dialogWhileAsking = RecordWaitDialog::instance();
                return;
            }
            // The failure is told while the wait dialog is still up; the
            // record dialog comes back only once the box is answered.
            waitDialogDuringFailure = RecordWaitDialog::instance();
            form5OffDuringFailure = form5 && !form5->isEnabled();
        };
        f.messages.answer(yes ? Messages::Answer::Yes : Messages::Answer::No);
        QElapsedTimer clock;
        clock.start();
        RecordCommand(path);
        QCOMPARE(f.messages.texts(),
                 exists ? QStringList{ "Do you want to overwrite the command ?" } : QStringList());
        QVERIFY(!exists || f.messages.shown.first().buttons == Messages::Buttons::YesNo);
        QVERIFY(!dialogWhileAsking);
        // Returned with one wait dialog up (or none) and nothing run yet.
        QCOMPARE(waitDialogs(), yes ? 1 : 0);
        QVERIFY(!yes
                || (RecordWaitDialog::instance()->isVisible()
                    && RecordWaitDialog::instance()->recordPath() == path));
        QCOMPARE(form5->isEnabled(), !yes);
        QVERIFY(f.tools.log().isEmpty());
        QPointer<RecordWaitDialog> form3 = RecordWaitDialog::instance();
        QVERIFY(!form3 || !form3->close()); // before the first tick
        // While the recorder runs: the timer is off and neither dialog closes.
        qint64 startedAfter = -1;
        bool timerOn = false, form5On = false, closed = false;
        RunProbe probe([&] {
            startedAfter = startedAfter < 0 ? clock.elapsed() : startedAfter;
            timerOn |= form3 && form3->timer1()->isActive();
            form5On |= form5 && form5->isEnabled();
            closed |= !form3 || form3->close() || !form5 || form5->close();
        });
        QVERIFY(waitForRecording());
        QCOMPARE(probe.ticks > 0, yes);
        QVERIFY(!timerOn && !form5On && !closed);
        QVERIFY2(!yes || startedAfter >= 450, qPrintable(QString::number(startedAfter)));
        QCOMPARE(waitDialogs(), 0);
        QVERIFY(form5->isEnabled() && form5->isVisible());
        QVERIFY(!f.form1->isEnabled());
        QStringList boxes;
        if (exists)
            boxes << "Do you want to overwrite the command ?";
        if (!failure.isEmpty())
            boxes << failure;
        QCOMPARE(f.messages.texts(), boxes);
        QCOMPARE(waitDialogDuringFailure, !failure.isEmpty());
        QCOMPARE(form5OffDuringFailure, !failure.isEmpty());
        QCOMPARE(f.tools.arguments("irrecord.exe"), yes ? QStringList{ path } : QStringList());
        QCOMPARE(SetFiles::bytes(path), after);
    }

    void secondRecordingThenQuit() // last: it leaves the quit state behind
    {
        Fixture f;
        QPointer<RecordSignalDialog> form5 = f.openRecord("1");
        const QStringList paths{ f.irFile("R1B1.lmc"), f.irFile("R3B10.lmc") };
        RecordCommand(paths[0]);
        QPointer<RecordWaitDialog> first = RecordWaitDialog::instance();
        QVERIFY(waitForRecording());
        QVERIFY(!first && form5->isEnabled());
        // A fresh wait dialog, its timer on, the new path.
        f.tools.setSleepMs(3000);
        RecordCommand(paths[1]);
        QCOMPARE(waitDialogs(), 1);
        QCOMPARE(RecordWaitDialog::instance()->recordPath(), paths[1]);
        QVERIFY(RecordWaitDialog::instance()->timer1()->isActive() && !form5->isEnabled());
        // The program quits while it records: the record dialog goes, then the main window.
        connect(f.form1.get(), &MainWindow::closed, qApp, [] { QCoreApplication::exit(0); });
        QElapsedTimer clock;
        clock.start();
        RunProbe probe([&] {
            delete form5.data();
            if (f.form1->isVisible())
                f.form1->close();
        });
        QVERIFY(waitForRecording());
        QVERIFY(probe.ticks > 0);
        QVERIFY2(clock.elapsed() < 2500, "the wait should end with the quit");
        QTRY_COMPARE(f.tools.arguments("irrecord.exe"), paths); // its start is logged a moment later
        QCOMPARE(waitDialogs(), 0);
        f.form1.reset();
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); }); // clears the quit
        QCoreApplication::exec();
    }
};

QTEST_MAIN(TstRecordSignal)
#include "tst_recordsignal.moc"
