// A session as a user has it, with the real IR tools in simulator mode:
// record a button, then play it from the main window.
#include "mainwindow.h"
#include "recordsignaldialog.h"
#include "recordwaitdialog.h"
#include "testsupport.h"

#include <QPushButton>
#include <QtTest>

class TstEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void recordThenPlay();
};

// The only test here: the environment it sets is left as it is.
void TstEndToEnd::recordThenPlay()
{
    WorkDir work;
    QTemporaryDir sim;
    qputenv("PATH", QByteArray(LUMO_BIN_DIR) + ':' + qgetenv("PATH"));
    qputenv("LUMO_IR_DEVICE", "sim:" + sim.path().toLocal8Bit());
    qputenv("LUMO_IR_SIM_DELAY_MS", "0");
    MessageScript messages;
    SetFiles::write(work.file("remotes.lmr"), SetFiles::fullSet(16914));
    QVERIFY(QDir().mkpath(work.file("data/16914")));
    MainWindow form1;
    form1.show();
    form1.record();
    QTest::mouseClick(RecordSignalDialog::instance()->button(5), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!RecordWaitDialog::instance(), 10000);
    QVERIFY(SetFiles::bytes(work.file("data/16914/R1B5.lmc")).contains("pulse"));
    QTest::mouseClick(RecordSignalDialog::instance()->doneButton(), Qt::LeftButton);
    QVERIFY(form1.isEnabled());
    QTest::mouseClick(form1.button(5), Qt::LeftButton);
    const QByteArray sent = SetFiles::bytes(sim.path() + "/sent.log");
    QVERIFY2(sent.contains("R1B5.lmc"), sent.constData());
    QVERIFY2(messages.shown.isEmpty(), qPrintable(messages.texts().join(" | ")));
}

QTEST_MAIN(TstEndToEnd)
#include "tst_endtoend.moc"
