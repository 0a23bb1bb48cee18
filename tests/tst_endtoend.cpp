// Sessions as a user has them, with the real IR tools in simulator mode:
// record a button, then play it from the main window; on a device that
// cannot receive, fill buttons from shared code files instead.
#include "filechooser.h"
#include "mainwindow.h"
#include "recordsignaldialog.h"
#include "recordwaitdialog.h"
#include "remoteimportdialog.h"
#include "testsupport.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <memory>

class TstEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        qputenv("PATH", QByteArray(LUMO_BIN_DIR) + ':' + qgetenv("PATH"));
        qputenv("LUMO_IR_DEVICE", "sim:" + sim.path().toLocal8Bit());
        qputenv("LUMO_IR_SIM_DELAY_MS", "0");
        QFile::remove(sim.path() + "/sent.log");
    }
    void recordThenPlay();
    void sendOnlyDevice();

private:
    QTemporaryDir sim;
};

void TstEndToEnd::recordThenPlay()
{
    WorkDir work;
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

// No receiver: remote 2 filled from a Flipper file (one code moved, one
// button left out and filled from a Pronto code instead), through the
// windows alone; each press sends what the shared file's code sends.
void TstEndToEnd::sendOnlyDevice()
{
    WorkDir work;
    qputenv("LUMO_IR_SIM_FAIL", "norecv");
    MessageScript messages;
    SetFiles::write(work.file("remotes.lmr"), SetFiles::fullSet(16914));
    QVERIFY(QDir().mkpath(work.file("data/16914")));
    MainWindow form1;
    form1.show();
    form1.record();
    RecordSignalDialog *form5 = RecordSignalDialog::instance();
    QTest::mouseClick(form5->option(2), Qt::LeftButton);
    QTest::mouseClick(form5->button(4), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!RecordWaitDialog::instance(), 10000);
    QVERIFY(messages.texts().value(0).contains("Import Code\u2026"));
    const QString pronto = QStringLiteral(LUMO_TEST_DATA "/import/power.txt");
    const QString flipper = QStringLiteral(LUMO_TEST_DATA "/import/tv.ir");
    FileChooser::setChooser([pronto](const FileChooser::Request &) { return pronto; });
    std::unique_ptr<QMenu>(form5->buttonMenu(4))->findChild<QAction *>("importCode")->trigger();
    QTest::mouseClick(form5->doneButton(), Qt::LeftButton);
    FileChooser::setChooser([flipper](const FileChooser::Request &) { return flipper; });
    form1.findChild<QAction *>("importRemote")->trigger();
    RemoteImportDialog *dialog = RemoteImportDialog::instance();
    QTest::mouseClick(dialog->findChild<QWidget *>("remote2"), Qt::LeftButton);
    QTest::mouseClick(dialog->findChild<QPushButton *>("chooseFile"), Qt::LeftButton);
    FileChooser::setChooser({});
    dialog->assign(4, -1);
    dialog->setCurrentButton(12);
    QTest::mouseClick(dialog->findChild<QPushButton *>("moveUp"), Qt::LeftButton);
    dialog->setCaption(1, "On/Off");
    QTest::mouseClick(dialog->importButton(), Qt::LeftButton);
    QTest::mouseClick(dialog->findChild<QPushButton *>("done"), Qt::LeftButton);
    const QStringList captions{ "On/Off", "Mute", "Vol_up", "2.4",   "Ch_next", "Ch_prev",
                                "1",      "2",    "3",      "Input", "Back",    "Menu" };
    QCOMPARE(form1.buttonCaptions(), captions);
    for (int b : { 1, 4, 11 })
        QTest::mouseClick(form1.button(b), Qt::LeftButton);
    for (const QStringList &arguments : { QStringList{ "--code", "Power", flipper }, QStringList{ pronto },
                                          QStringList{ "--code", "Back", flipper } })
        QCOMPARE(QProcess::execute(LUMO_BIN_DIR "/irplay.exe", arguments), 0);
    QList<QByteArray> sent = SetFiles::bytes(sim.path() + "/sent.log").split('\n');
    QCOMPARE(sent.size(), 7);
    for (QByteArray &line : sent)
        line = line.left(line.indexOf(" # "));
    QCOMPARE(sent.mid(0, 3), sent.mid(3, 3));
    QCOMPARE(messages.shown.size(), 1);
    qunsetenv("LUMO_IR_SIM_FAIL");
}

QTEST_MAIN(TstEndToEnd)
#include "tst_endtoend.moc"
