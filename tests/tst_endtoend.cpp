// A whole session as a user has it, with the real IR tools in simulator
// mode: name the remotes (the set gets its number and folder), record a
// button, then play it from the main window.
#include "mainwindow.h"
#include "recordsignaldialog.h"
#include "recordwaitdialog.h"
#include "remoteconfigdialog.h"
#include "testsupport.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class TstEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void nameRecordPlay();
};

// The only test here: the environment it sets is left as it is.
void TstEndToEnd::nameRecordPlay()
{
    WorkDir work;
    QTemporaryDir sim;
    qputenv("PATH", QByteArray(LUMO_BIN_DIR) + ':' + qgetenv("PATH"));
    qputenv("LUMO_IR_DEVICE", "sim:" + sim.path().toLocal8Bit());
    qputenv("LUMO_IR_SIM_DELAY_MS", "0");
    MessageScript messages;

    // 0.25 draws set number 16914.
    auto oldSource = RemoteConfigDialog::setRandomSource([] { return 0.25; });
    MainWindow form1;
    form1.show();

    // Name the remotes: the first Save gives the set its number and folder.
    form1.editRemotes();
    QPointer<RemoteConfigDialog> form2 = RemoteConfigDialog::instance();
    form2->findChild<QLineEdit *>("Text1")->setText("TV");
    QTest::mouseClick(form2->findChild<QPushButton *>("Command1"), Qt::LeftButton);
    RemoteConfigDialog::setRandomSource(std::move(oldSource));
    const QString setNumber = form1.setNumberText();
    QCOMPARE(setNumber, QStringLiteral("16914"));
    QVERIFY(QFileInfo(work.file("data/" + setNumber)).isDir());
    QCOMPARE(form1.remoteItem(1)->text(), QStringLiteral("TV"));
    QTest::mouseClick(form2->findChild<QPushButton *>("Command3"), Qt::LeftButton);
    QTRY_VERIFY(!form2);
    QVERIFY(form1.isEnabled());

    // Record button 5 of remote 1 with the real recorder.
    form1.selectRemote(1);
    form1.record();
    RecordSignalDialog *form5 = RecordSignalDialog::instance();
    QTest::mouseClick(form5->button(5), Qt::LeftButton);
    QVERIFY(RecordWaitDialog::instance());
    QTRY_VERIFY_WITH_TIMEOUT(!RecordWaitDialog::instance(), 10000);
    QVERIFY(SetFiles::bytes(work.file("data/" + setNumber + "/R1B5.lmc")).contains("pulse"));
    QVERIFY(form5->isEnabled());
    QTest::mouseClick(form5->doneButton(), Qt::LeftButton);
    QVERIFY(form1.isEnabled());

    // Play it from the main window: the simulator logs what it sends.
    QTest::mouseClick(form1.button(5), Qt::LeftButton);
    const QByteArray sent = SetFiles::bytes(sim.path() + "/sent.log");
    QVERIFY2(sent.contains("R1B5.lmc"), sent.constData());
    QVERIFY2(messages.shown.isEmpty(), qPrintable(messages.texts().join(" | ")));
}

QTEST_MAIN(TstEndToEnd)
#include "tst_endtoend.moc"
