// RecordCommand and the record wait dialog (Form3): the overwrite
// question, the dialog opened once with its path, the recorder started
// from the dialog's timer after RecordCommand has returned, and the
// record signal dialog enabled again whatever the recorder did.
#include "mainwindow.h"
#include "module1.h"
#include "recordcommand.h"
#include "recordsignaldialog.h"
#include "recordwaitdialog.h"
#include "testsupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

bool waitForRecording(int timeoutMs = 15000);

// A folder with an empty set folder data/58, fake IR tools, the main window
// and the record signal dialog open on it.
struct Fixture
{
    WorkDir work;
    MessageScript messages;
    FakeTools tools;
    std::unique_ptr<MainWindow> form1;
    QPointer<RecordSignalDialog> form5;

    Fixture()
    {
        QDir().mkpath(work.file(QStringLiteral("data/58")));
        form1 = std::make_unique<MainWindow>();
        form1->setText2(QStringLiteral("58"));
        form1->show();
        form5 = RecordSignalDialog::load(form1.get());
        form5->showDialog();
    }

    QString irFile(const QString &name) const { return work.file(QStringLiteral("data/58/") + name); }

    // A recording still under way ends with the fake tools and the
    // scripted boxes still in place.
    ~Fixture() { waitForRecording(); }
};

bool waitForRecording(int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (RecordWaitDialog::instance() && t.elapsed() < timeoutMs)
        QTest::qWait(10);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return !RecordWaitDialog::instance();
}

// Every Form3 window there is (loaded or not yet deleted).
int waitDialogCount()
{
    int n = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        n += w->objectName() == QLatin1String("Form3") ? 1 : 0;
    return n;
}

// Calls 'step' every 10 ms while the recorder runs (inside the dialog's
// wait), as long as the object lives.
class RunProbe
{
public:
    explicit RunProbe(std::function<void()> step)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this, step] {
            if (ToolRunner::activeWaits() > 0) {
                ++ticks;
                step();
            }
        });
        m_timer.start(10);
    }
    int ticks = 0;

private:
    QTimer m_timer;
};

} // namespace

class TstRecordWait : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void layout();
    void missingFileNoQuestion();
    void existingFileQuestion_data();
    void existingFileQuestion();
    void recorderStartsAfterReturnWithTimerOff();
    void recorderOutcomes_data();
    void recorderOutcomes();
    void closeRefused();
    void secondRecordingGetsFreshDialog();
    void recordDialogGoneDuringRecording();
    void quitDuringRecording();
};

void TstRecordWait::cleanup()
{
    QVERIFY(waitForRecording());
    delete RecordSignalDialog::instance();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(waitDialogCount(), 0);
}

void TstRecordWait::layout()
{
    Fixture f;
    RecordCommand(f.irFile(QStringLiteral("R1B1.lmc")));
    RecordWaitDialog *form3 = RecordWaitDialog::instance();
    QVERIFY(form3);
    QVERIFY(QTest::qWaitForWindowExposed(form3));
    QCOMPARE(form3->objectName(), QStringLiteral("Form3"));
    QCOMPARE(form3->windowTitle(), QStringLiteral("Waiting for User Input"));
    QCOMPARE(form3->size(), QSize(312, 178));
    const Qt::WindowFlags flags = form3->windowFlags();
    QVERIFY(flags & Qt::CustomizeWindowHint);
    QVERIFY(flags & Qt::WindowTitleHint);
    for (Qt::WindowType hint : { Qt::WindowSystemMenuHint, Qt::WindowCloseButtonHint,
                                 Qt::WindowMinimizeButtonHint, Qt::WindowMaximizeButtonHint })
        QVERIFY(!(flags & hint));

    auto *label1 = form3->findChild<QLabel *>("Label1");
    QVERIFY(label1);
    QCOMPARE(label1->text(), QStringLiteral("Waiting for a button to be pressed."));
    QCOMPARE(label1->font().pointSizeF(), 13.5);
    QVERIFY(!label1->font().bold());
    QVERIFY(!label1->wordWrap());
    QCOMPARE(label1->geometry(), QRect(8, 24, 285, 24));
    auto *label2 = form3->findChild<QLabel *>("Label2");
    QVERIFY(label2);
    QCOMPARE(label2->text(),
             QStringLiteral("Point your remote at the Lumo and press the button you want to assing to:"));
    QCOMPARE(label2->font().pointSizeF(), 12.0);
    QVERIFY(!label2->font().bold());
    QVERIFY(label2->wordWrap());
    QCOMPARE(label2->geometry(), QRect(40, 80, 233, 65));
    auto *text1 = form3->findChild<QLineEdit *>("Text1");
    QVERIFY(text1);
    QVERIFY(!text1->isVisible());
    QCOMPARE(text1->geometry(), QRect(40, 192, 193, 19));
    QCOMPARE(form3->focusWidget(), nullptr);
}

void TstRecordWait::missingFileNoQuestion()
{
    Fixture f;
    const QString path = f.irFile(QStringLiteral("R2B11.lmc"));
    RecordCommand(path);
    // Returned with the dialog loaded, the path in place and nothing run.
    QVERIFY(f.messages.shown.isEmpty());
    RecordWaitDialog *form3 = RecordWaitDialog::instance();
    QVERIFY(form3);
    QCOMPARE(waitDialogCount(), 1);
    QVERIFY(form3->isVisible());
    QCOMPARE(form3->windowModality(), Qt::NonModal);
    QCOMPARE(form3->text1(), path);
    QCOMPARE(form3->timer1()->objectName(), QStringLiteral("Timer1"));
    QVERIFY(form3->timer1()->isActive());
    QCOMPARE(form3->timer1()->interval(), 500);
    QVERIFY(!f.form5->isEnabled());
    QVERIFY(!f.form1->isEnabled());
    QVERIFY(f.tools.log().isEmpty());

    QVERIFY(waitForRecording());
    QCOMPARE(f.tools.arguments(QStringLiteral("irrecord.exe")), QStringList { path });
    QVERIFY(f.form5->isEnabled());
    QVERIFY(!f.form1->isEnabled());
}

void TstRecordWait::existingFileQuestion_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("Yes") << true;
    QTest::newRow("No") << false;
}

void TstRecordWait::existingFileQuestion()
{
    QFETCH(bool, yes);
    Fixture f;
    const QString path = f.irFile(QStringLiteral("R3B4.lmc"));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old signal");
    }
    bool dialogWhileAsking = true;
    f.messages.onShow = [&](const Messages::Request &) { dialogWhileAsking = RecordWaitDialog::instance(); };
    f.messages.answer(yes ? Messages::Answer::Yes : Messages::Answer::No);
    RecordCommand(path);

    QCOMPARE(f.messages.shown.size(), 1);
    const Messages::Request &q = f.messages.shown.first();
    QCOMPARE(q.text, QStringLiteral("Do you want to overwrite the command ?"));
    QCOMPARE(q.title, QStringLiteral("Lumo Control Software"));
    QCOMPARE(q.icon, Messages::Icon::None);
    QCOMPARE(q.buttons, Messages::Buttons::YesNo);
    QCOMPARE(q.defaultButton, Messages::Answer::Yes);
    QVERIFY(!dialogWhileAsking);

    QCOMPARE(waitDialogCount(), yes ? 1 : 0);
    QCOMPARE(f.form5->isEnabled(), !yes);
    QVERIFY(f.tools.log().isEmpty());
    QVERIFY(waitForRecording());
    if (!yes)
        QTest::qWait(700);
    QCOMPARE(f.tools.arguments(QStringLiteral("irrecord.exe")), yes ? QStringList { path } : QStringList());
    // The old file is left to the recorder.
    QCOMPARE(SetFiles::bytes(path), QByteArray("old signal"));
    QVERIFY(f.form5->isEnabled());
    QCOMPARE(f.messages.shown.size(), 1);
}

void TstRecordWait::recorderStartsAfterReturnWithTimerOff()
{
    Fixture f;
    f.tools.setSleepMs(300);
    QElapsedTimer clock;
    clock.start();
    RecordCommand(f.irFile(QStringLiteral("R1B2.lmc")));
    QVERIFY(f.tools.log().isEmpty());
    QPointer<RecordWaitDialog> form3 = RecordWaitDialog::instance();
    QVERIFY(form3);

    qint64 startedAfter = -1;
    bool timerSeenActive = false;
    bool form5SeenEnabled = false;
    RunProbe probe([&] {
        if (startedAfter < 0)
            startedAfter = clock.elapsed();
        if (form3 && form3->timer1()->isActive())
            timerSeenActive = true;
        if (f.form5->isEnabled())
            form5SeenEnabled = true;
    });
    QVERIFY(waitForRecording());
    QVERIFY(probe.ticks > 0);
    QVERIFY(!timerSeenActive);
    QVERIFY(!form5SeenEnabled);
    QVERIFY2(startedAfter >= 450, qPrintable(QString::number(startedAfter)));
    QCOMPARE(f.tools.arguments(QStringLiteral("irrecord.exe")).size(), 1);
    QVERIFY(f.form5->isEnabled());
}

void TstRecordWait::recorderOutcomes_data()
{
    QTest::addColumn<QString>("outcome");
    QTest::newRow("exits at once, writes the file") << "at once";
    QTest::newRow("fails with exit code 3") << "fails";
    QTest::newRow("writes nothing") << "nothing";
    QTest::newRow("recorder tool missing") << "missing";
}

void TstRecordWait::recorderOutcomes()
{
    QFETCH(QString, outcome);
    Fixture f;
    const QString path = f.irFile(QStringLiteral("R1B12.lmc"));
    if (outcome == QLatin1String("at once")) {
        f.tools.setWrite("signal");
    } else if (outcome == QLatin1String("fails")) {
        f.tools.setExitCode(3);
    } else if (outcome == QLatin1String("nothing")) {
        f.tools.setSleepMs(200);
    } else {
        f.tools.remove(QStringLiteral("irrecord.exe"));
    }
    QElapsedTimer clock;
    clock.start();
    RecordCommand(path);
    QVERIFY(RecordWaitDialog::instance());
    QVERIFY(waitForRecording());
    // Even a recorder that ends at once leaves the dialog up for the timer.
    QVERIFY(clock.elapsed() >= 450);
    QCOMPARE(waitDialogCount(), 0);
    QVERIFY(f.form5->isEnabled());
    QVERIFY(f.form5->isVisible());
    QVERIFY(!f.form1->isEnabled());

    if (outcome == QLatin1String("missing")) {
        QCOMPARE(f.messages.shown.size(), 1);
        QCOMPARE(f.messages.shown.first().icon, Messages::Icon::Error);
        QVERIFY(f.messages.shown.first().text.contains(QStringLiteral("irrecord.exe")));
        QVERIFY(f.tools.log().isEmpty());
    } else {
        QVERIFY(f.messages.shown.isEmpty());
        QCOMPARE(f.tools.arguments(QStringLiteral("irrecord.exe")), QStringList { path });
    }
    QCOMPARE(QFile::exists(path), outcome == QLatin1String("at once"));
}

void TstRecordWait::closeRefused()
{
    Fixture f;
    f.tools.setSleepMs(400);
    RecordCommand(f.irFile(QStringLiteral("R2B2.lmc")));
    QPointer<RecordWaitDialog> form3 = RecordWaitDialog::instance();
    QVERIFY(QTest::qWaitForWindowExposed(form3));
    // Before the first tick.
    QVERIFY(!form3->close());
    QVERIFY(form3->isVisible());
    QVERIFY(form3->timer1()->isActive());
    QVERIFY(!f.form5->isEnabled());

    // While the recorder runs.
    int refused = 0;
    RunProbe probe([&] {
        if (form3 && !form3->close())
            ++refused;
    });
    QVERIFY(waitForRecording());
    QVERIFY(refused > 0);
    // The recording went ahead, once.
    QCOMPARE(f.tools.arguments(QStringLiteral("irrecord.exe")).size(), 1);
    QVERIFY(f.form5->isEnabled());
    QTRY_VERIFY(!form3);
}

void TstRecordWait::secondRecordingGetsFreshDialog()
{
    Fixture f;
    const QString first = f.irFile(QStringLiteral("R1B1.lmc"));
    const QString second = f.irFile(QStringLiteral("R3B10.lmc"));
    RecordCommand(first);
    QPointer<RecordWaitDialog> firstDialog = RecordWaitDialog::instance();
    QVERIFY(waitForRecording());
    QVERIFY(!firstDialog);

    RecordCommand(second);
    RecordWaitDialog *form3 = RecordWaitDialog::instance();
    QVERIFY(form3);
    QCOMPARE(waitDialogCount(), 1);
    QCOMPARE(form3->text1(), second);
    QVERIFY(form3->timer1()->isActive());
    QVERIFY(!f.form5->isEnabled());
    QVERIFY(waitForRecording());
    QCOMPARE(f.tools.arguments(QStringLiteral("irrecord.exe")), (QStringList { first, second }));
    QVERIFY(f.form5->isEnabled());
}

void TstRecordWait::recordDialogGoneDuringRecording()
{
    Fixture f;
    f.tools.setSleepMs(300);
    RecordCommand(f.irFile(QStringLiteral("R1B3.lmc")));
    RunProbe probe([&] { delete f.form5.data(); });
    QVERIFY(waitForRecording());
    QVERIFY(probe.ticks > 0);
    QVERIFY(!f.form5);
    QCOMPARE(waitDialogCount(), 0);
    QVERIFY(f.form1->isEnabled());
}

// Last: quitting leaves the application's "quit now" state behind.
void TstRecordWait::quitDuringRecording()
{
    Fixture f;
    f.tools.setSleepMs(3000);
    connect(f.form1.get(), &MainWindow::closed, qApp, [] { QCoreApplication::exit(0); });
    RecordCommand(f.irFile(QStringLiteral("R2B5.lmc")));
    QElapsedTimer clock;
    clock.start();
    RunProbe probe([&] {
        if (f.form1->isVisible())
            f.form1->close();
    });
    QVERIFY(waitForRecording());
    QVERIFY(probe.ticks > 0);
    // The wait ended with the quit, not with the recorder.
    QVERIFY2(clock.elapsed() < 2500, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!f.tools.log().contains(QStringLiteral("irrecord.exe done")));
    QCOMPARE(waitDialogCount(), 0);
    QVERIFY(f.form5->isEnabled());
    // What main() does after its event loop: the main window goes.
    f.form1.reset();
    delete f.form5.data();

    // Clear the quit for whatever runs after this test.
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

QTEST_MAIN(TstRecordWait)
#include "tst_recordwait.moc"
