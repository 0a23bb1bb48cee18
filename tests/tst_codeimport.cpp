// Filling buttons without recording: a whole remote in one step, a code typed
// in, Form5's Import / Enter / Export Code, Remotes > Import Remote, and the
// recorder's advice on a device that cannot receive. The fake IR tools run
// for real.
#include "codedialogs.h"
#include "codeimport.h"
#include "filechooser.h"
#include "ircommandfile.h"
#include "mainwindow.h"
#include "recordsignaldialog.h"
#include "remoteimportdialog.h"
#include "testsupport.h"
#include "toolrunner.h"

#include <QAction>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QtTest>

#include <csignal>
#include <memory>
#include <sys/resource.h>

using Failure = CodeImport::ImportResult::Failure;

namespace {

const QString kFlipper = QStringLiteral(LUMO_TEST_DATA "/import/tv.ir"); // 13 codes, NEC 0x710.. and one raw
const QString kPronto = QStringLiteral(LUMO_TEST_DATA "/import/power.txt"); // nec:0x40bf
const QString kNec40bf = QStringLiteral("nec:0x40bf, 38 kHz");

// Every file and folder under root, hidden ones too: path -> bytes ("/" for a folder).
QMap<QString, QByteArray> snapshot(const QString &root)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(root).relativeFilePath(path), it.fileInfo().isDir() ? "/" : SetFiles::bytes(path));
    }
    return files;
}

CodeImport::Code nec(int scancode)
{
    QString error;
    return *CodeImport::codeFromCommand("nec", QString::number(scancode), &error);
}

// The set 58 (SetFiles::fullSet), old files on buttons 1 and 5 of remote 2,
// the main window started on it.
struct Fixture : Sandbox
{
    std::unique_ptr<MainWindow> form1;

    Fixture()
    {
        SetFiles::write(work.file("remotes.lmr"), SetFiles::fullSet(58));
        touch(irFile(2, 1), "old 1");
        touch(irFile(2, 5), "old 5");
        form1 = std::make_unique<MainWindow>();
        form1->show();
    }
    ~Fixture() { delete RecordSignalDialog::instance(); }

    QString irFile(int r, int b) const
    {
        return work.file(QStringLiteral("data/58/R%1B%2.lmc").arg(r).arg(b));
    }
    RecordSignalDialog *openRecord(int remote)
    {
        form1->setCurrentRemote(remote);
        form1->record();
        return RecordSignalDialog::instance();
    }
};

// Answers the file choosers with path (and, in a save dialog, filter) while it lives.
struct Choose
{
    FileChooser::Chooser previous;
    explicit Choose(const QString &path, const QString &filter = QString())
    {
        previous = FileChooser::setChooser([path, filter](const FileChooser::Request &r) {
            if (r.selectedFilter)
                *r.selectedFilter = filter;
            return path;
        });
    }
    ~Choose() { FileChooser::setChooser(previous); }
};

// Triggers item 'name' of the context menu of Form5's button n, when it is enabled.
bool trigger(RecordSignalDialog *form5, int n, const char *name)
{
    std::unique_ptr<QMenu> menu(form5->buttonMenu(n));
    QAction *item = menu->findChild<QAction *>(name);
    if (!item->isEnabled())
        return false;
    item->trigger();
    return true;
}

// Drops file onto target; whether the drag was taken.
bool drop(QWidget *target, const QString &file)
{
    QMimeData mime;
    mime.setUrls({ QUrl::fromLocalFile(file) });
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &dropped);
    return true;
}

} // namespace

class TstCodeImport : public QObject
{
    Q_OBJECT

private slots:
    void importRemote_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("folder"); // the set folder; 59 is made by the import
        QTest::addColumn<int>("failure");
        QTest::addColumn<QString>("told");
        QTest::newRow("into the set folder") << ""
                                             << "58" << int(Failure::None) << "";
        QTest::newRow("folder made") << ""
                                     << "59" << int(Failure::None) << "";
        QTest::newRow("button 7 a folder") << "folder"
                                           << "58" << int(Failure::Failed) << "R2B7.lmc";
        QTest::newRow("no room for the set file") << "full"
                                                  << "58" << int(Failure::Failed) << "remotes.lmr";
        QTest::newRow("no room, folder made") << "full"
                                              << "59" << int(Failure::Failed) << "remotes.lmr";
        QTest::newRow("caption of 125 bytes") << "caption"
                                              << "58" << int(Failure::TooLong) << "button 9";
        QTest::newRow("name of 125 bytes") << "name"
                                           << "58" << int(Failure::TooLong) << "remote 2";
    }

    // All or nothing, byte for byte, in the set file and the data folder.
    void importRemote()
    {
        QFETCH(QString, fault);
        QFETCH(QString, folder);
        QFETCH(int, failure);
        QFETCH(QString, told);
        Fixture f;
        if (fault == "folder")
            QVERIFY(QDir().mkpath(f.irFile(2, 7)));
        QList<CodeImport::ButtonCode> buttons;
        for (int b = 1; b <= 12; ++b) {
            const QString caption = fault == "caption" && b == 9 ? QString(125, 'x')
                                                                 : "c" + QString::number(b);
            buttons.append({ b, caption, nec(0x4000 + b), "test " + QString::number(b) });
        }
        const QString name = fault == "name" ? QString(125, 'n') : "Amp";
        const QString setFile = f.work.file("remotes.lmr");
        const QString setFolder = f.work.file("data/" + folder);
        const auto before = snapshot(f.work.path());
        // Room for an IR command file, not for the 5760 bytes of the set file.
        const auto handler = ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        const rlimit small{ fault == "full" ? 4096 : limit.rlim_cur, limit.rlim_max };
        ::setrlimit(RLIMIT_FSIZE, &small);
        const auto result = CodeImport::importRemote(setFile, setFolder, 2, name, buttons);
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::signal(SIGXFSZ, handler);
        QCOMPARE(int(result.failure), failure);
        QVERIFY2(result.text.contains(told), qPrintable(result.text));
        const auto after = snapshot(f.work.path());
        if (failure != int(Failure::None)) {
            QCOMPARE(after, before);
            return;
        }
        // Remote 2's name and captions replaced, every other record as it was.
        const QList<int> written = SetFiles::remoteRecords(2);
        for (int n = 1; n <= 45; ++n) {
            const int b = written.indexOf(n) + 1;
            if (n == 3 || b > 0)
                QCOMPARE(SetFiles::captionOf(setFile, n), n == 3 ? name : "c" + QString::number(b));
            else
                QCOMPARE(after["remotes.lmr"].mid((n - 1) * 128, 128),
                         before["remotes.lmr"].mid((n - 1) * 128, 128));
        }
        // Each button holds its own code, and nothing else came or went.
        QSet<QString> added;
        for (int b = 1; b <= 12; ++b) {
            const QString file = QStringLiteral("data/%1/R2B%2.lmc").arg(folder).arg(b);
            QVERIFY(after[file].startsWith("# Lumo Control IR signal, test " + QByteArray::number(b) + '\n'));
            QCOMPARE(describeIrCommandFile(f.work.file(file)),
                     QStringLiteral("nec:0x40%1, 38 kHz").arg(b, 2, 16, QChar('0')));
            added << file;
        }
        if (folder == "59")
            added << "data/59";
        QCOMPARE(QSet<QString>(after.keyBegin(), after.keyEnd()),
                 QSet<QString>(before.keyBegin(), before.keyEnd()) | added);
    }

    void enterCode_data()
    {
        QTest::addColumn<QString>("protocol");
        QTest::addColumn<QString>("scancode");
        QTest::addColumn<QString>("shown"); // how the result line starts
        QTest::newRow("hex") << "nec"
                             << "0x40bf"
                             << "Sends " + kNec40bf;
        QTest::newRow("decimal") << "nec"
                                 << "16575"
                                 << "Sends " + kNec40bf;
        QTest::newRow("hex without 0x") << "nec"
                                        << " 40BF "
                                        << "Sends " + kNec40bf;
        QTest::newRow("36 kHz") << "rc5"
                                << "0X1E0C"
                                << "Sends rc5:0x1e0c, 36 kHz";
        QTest::newRow("36.7 kHz") << "panasonic"
                                  << "0x123456"
                                  << "Sends panasonic:0x123456, 36.7 kHz";
        QTest::newRow("too wide") << "nec"
                                  << "0x1ffff"
                                  << "0x1ffff is no nec scancode (the bits it may use: 0xffff).";
        QTest::newRow("no mce customer") << "rc6_mce"
                                         << "0x1234"
                                         << "0x1234 is no rc6_mce scancode";
        QTest::newRow("65 bits") << "nec"
                                 << "0x10000000000000000"
                                 << "\"0x10000000000000000\" is not a scancode";
        QTest::newRow("not hex") << "nec"
                                 << "0x4g"
                                 << "\"0x4g\" is not a scancode";
        QTest::newRow("nothing") << "nec"
                                 << ""
                                 << "";
    }

    void enterCode()
    {
        QFETCH(QString, protocol);
        QFETCH(QString, scancode);
        QFETCH(QString, shown);
        CodeEntryDialog entry(nullptr);
        entry.setCommand(protocol, scancode);
        QVERIFY2(entry.resultLabel()->text().startsWith(shown), qPrintable(entry.resultLabel()->text()));
        const bool ok = shown.startsWith("Sends");
        QCOMPARE(entry.code().has_value(), ok);
        QCOMPARE(entry.okButton()->isEnabled(), ok);
        QCOMPARE(entry.tryButton()->isEnabled(), ok);
    }

    // Through Form5 only: a typed code, a Pronto file chosen, a Flipper file dropped.
    void form5FillsButtons()
    {
        Fixture f;
        f.tools.keepSent();
        QPointer<RecordSignalDialog> form5 = f.openRecord(0);
        QVERIFY(!trigger(form5, 2, "importCode") && !trigger(form5, 2, "enterCode"));
        QVERIFY(!drop(form5->button(2), kPronto));
        QTest::mouseClick(form5->doneButton(), Qt::LeftButton);
        form5 = f.openRecord(2);
        QCOMPARE(form5->button(1)->toolTip(), QStringLiteral("recorded signal"));
        QCOMPARE(form5->button(2)->toolTip(), QString());
        QVERIFY(!trigger(form5, 2, "exportCode"));
        // Enter Code, heard before it is kept.
        QVERIFY(trigger(form5, 2, "enterCode"));
        auto *entry = form5->findChild<CodeEntryDialog *>();
        QVERIFY(entry && entry->isVisible());
        entry->setCommand("nec", "0x40bf");
        QTest::mouseClick(entry->tryButton(), Qt::LeftButton);
        QVERIFY(f.tools.sent().contains("# decoded nec:0x40bf\n"));
        QVERIFY(!QFile::exists(f.tools.arguments("irplay.exe").value(0)));
        QTest::mouseClick(entry->okButton(), Qt::LeftButton);
        QCOMPARE(form5->button(2)->toolTip(), kNec40bf);
        // Import Code over button 1's file: No leaves it, Yes replaces it.
        f.messages.answer(Messages::Answer::No);
        f.messages.answer(Messages::Answer::Yes);
        for (int i = 0; i < 2; ++i) {
            Choose choose(kPronto);
            QVERIFY(trigger(form5, 1, "importCode"));
            QCOMPARE(SetFiles::bytes(f.irFile(2, 1)) == "old 1", i == 0);
        }
        QCOMPARE(form5->button(1)->toolTip(), kNec40bf);
        // Of a file with several codes, the one picked.
        QVERIFY(drop(form5->button(3), kFlipper));
        auto *picker = form5->findChild<CodePickerDialog *>();
        QVERIFY(picker && picker->isVisible());
        picker->setCurrentIndex(2);
        QTest::mouseClick(picker->tryButton(), Qt::LeftButton);
        QVERIFY(f.tools.sent().contains("# decoded nec:0x712\n"));
        picker->accept();
        QCOMPARE(form5->button(3)->toolTip(), QStringLiteral("nec:0x712, 38 kHz"));
        QVERIFY(SetFiles::bytes(f.irFile(2, 3))
                    .contains("imported from " + kFlipper.toUtf8() + " (Flipper .ir), code \"Vol_up\"\n"));
        QCOMPARE(f.messages.texts(), QStringList(2, "Do you want to overwrite the command ?"));
        // The main window, on remote 2, tells and sends what the buttons now hold.
        QTest::mouseClick(form5->doneButton(), Qt::LeftButton);
        QCOMPARE(f.form1->button(3)->toolTip(), QStringLiteral("nec:0x712, 38 kHz"));
        for (int b = 1; b <= 3; ++b)
            QTest::mouseClick(f.form1->button(b), Qt::LeftButton);
        QCOMPARE(f.tools.arguments("irplay.exe").mid(2),
                 (QStringList{ f.irFile(2, 1), f.irFile(2, 2), f.irFile(2, 3) }));
    }

    void exportCode_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("saved");
        QTest::addColumn<QByteArray>("start");
        QTest::newRow("Flipper") << "Flipper IR file (*.ir)"
                                 << "tv"
                                 << "tv.ir" << QByteArray("Filetype: IR signals file");
        QTest::newRow("Pronto") << "Pronto hex (*.txt)"
                                << "power.txt"
                                << "power.txt" << QByteArray("0000 006D");
        QTest::newRow("mode2") << "IR command file, mode2 (*.lmc)"
                               << "copy"
                               << "copy.lmc" << QByteArray("# Lumo Control");
    }

    // Saved in the form the filter names, and read back the same code.
    void exportCode()
    {
        QFETCH(QString, filter);
        QFETCH(QString, typed);
        QFETCH(QString, saved);
        QFETCH(QByteArray, start);
        Fixture f;
        QCOMPARE(CodeImport::writeIrCommandFile(f.irFile(2, 4), nec(0x40bf), "entered"), QString());
        RecordSignalDialog *form5 = f.openRecord(2);
        Choose choose(f.work.file(typed), filter);
        QVERIFY(trigger(form5, 4, "exportCode"));
        const QString path = f.work.file(saved);
        QVERIFY2(SetFiles::bytes(path).startsWith(start), SetFiles::bytes(path).constData());
        const CodeImport::CodeFile back = CodeImport::readCodeFile(path);
        QCOMPARE(back.codes.size(), 1);
        QCOMPARE(back.codes.first().description(), kNec40bf);
        QVERIFY(saved != "tv.ir" || back.codes.first().name() == "2.4");
        QVERIFY(saved != "copy.lmc" || SetFiles::bytes(path) == SetFiles::bytes(f.irFile(2, 4)));
        QVERIFY(f.messages.shown.isEmpty());
    }

    void importRemoteWindow()
    {
        Fixture f;
        f.tools.keepSent();
        QAction *item = f.form1->findChild<QAction *>("importRemote");
        f.form1->setSetNumberText("0");
        item->trigger();
        QVERIFY(!visibleWindow("ImportRemote"));
        f.form1->setSetNumberText("58");
        item->trigger();
        QPointer<RemoteImportDialog> dialog = RemoteImportDialog::instance();
        QVERIFY(dialog && dialog->isVisible() && !f.form1->isEnabled());
        QCOMPARE(dialog->remote(), 1);
        QTest::mouseClick(dialog->findChild<QWidget *>("remote2"), Qt::LeftButton);
        QCOMPARE(dialog->remoteNameField()->text(), QStringLiteral("Remote 2"));
        {
            Choose choose(kFlipper);
            QTest::mouseClick(dialog->findChild<QPushButton *>("chooseFile"), Qt::LeftButton);
        }
        // The first twelve codes, in order, named as in the file.
        for (int b = 1; b <= 12; ++b)
            QCOMPARE(dialog->assignment(b), b - 1);
        QCOMPARE(dialog->caption(10), QStringLiteral("Input"));
        // Exit onto button 11, Menu down to 12; button 4 keeps what it has.
        dialog->assign(12, 12);
        dialog->setCurrentButton(12);
        QTest::mouseClick(dialog->findChild<QPushButton *>("moveUp"), Qt::LeftButton);
        dialog->assign(4, -1);
        dialog->setCaption(1, "On/Off");
        dialog->setCurrentButton(11);
        QTest::mouseClick(dialog->tryButton(), Qt::LeftButton);
        QVERIFY(f.tools.sent().contains("# decoded nec:0x71c\n"));
        // Buttons 1 and 5 have files: No imports nothing, Yes everything.
        f.messages.answer(Messages::Answer::No);
        QVERIFY(!dialog->import());
        QCOMPARE(SetFiles::bytes(f.irFile(2, 1)), QByteArray("old 1"));
        QVERIFY(dialog->import());
        const QStringList captions{ "On/Off", "Mute", "Vol_up", "2.4",   "Ch_next", "Ch_prev",
                                    "1",      "2",    "3",      "Input", "Exit",    "Menu" };
        QCOMPARE(RemoteSetFile::readRemoteCaptions(f.work.file("remotes.lmr"), 2), captions);
        QCOMPARE(f.form1->currentRemote(), 2);
        QCOMPARE(f.form1->buttonCaptions(), captions);
        QCOMPARE(f.form1->remoteCaptions().at(1), QStringLiteral("Remote 2"));
        QCOMPARE(f.form1->button(4)->toolTip(), QString());
        QCOMPARE(f.form1->button(10)->toolTip(), QStringLiteral("recorded signal"));
        QCOMPARE(f.form1->button(12)->toolTip(), QStringLiteral("nec:0x71a, 38 kHz"));
        QCOMPARE(f.messages.texts(),
                 (QStringList{
                     "Please create a remote before recording a signal",
                     "Buttons 1 and 5 of remote 2 already have a signal. Do you want to overwrite them?",
                     "Buttons 1 and 5 of remote 2 already have a signal. Do you want to overwrite them?" }));
        QTest::mouseClick(dialog->findChild<QPushButton *>("done"), Qt::LeftButton);
        QVERIFY(f.form1->isEnabled());
    }

    void cannotReceive_data()
    {
        QTest::addColumn<bool>("record");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("said");
        QTest::addColumn<bool>("advised");
        QTest::newRow("cannot receive")
            << true << 8 << "irrecord.exe: IR device '/dev/lirc0' cannot receive" << true;
        QTest::newRow("cannot learn")
            << true << 8
            << "irrecord.exe: IR device '/dev/lirc0' only decodes known remotes and cannot "
               "learn raw signals"
            << true;
        QTest::newRow("other device fault")
            << true << 6 << "irrecord.exe: IR device '/dev/lirc0' cannot receive" << false;
        QTest::newRow("player") << false << 8 << "irplay.exe: IR device '/dev/lirc0' cannot receive" << false;
    }

    // A device that only sends: the recorder's box says how to fill the button instead.
    void cannotReceive()
    {
        QFETCH(bool, record);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        QFETCH(bool, advised);
        FakeTools tools;
        MessageScript messages;
        tools.setExitCode(exitCode);
        tools.setStderr(said.toUtf8() + '\n');
        if (record)
            RunRecordTool("/x/R1B1.lmc");
        else
            PlayCommand(QStringLiteral(LUMO_TEST_DATA "/import/power.txt"));
        QCOMPARE(messages.shown.size(), 1);
        const QString text = messages.shown.first().text;
        QVERIFY(text.startsWith(said));
        QCOMPARE(text.contains("Import Code\u2026"), advised);
        QCOMPARE(text == said, !advised);
    }
};

QTEST_MAIN(TstCodeImport)
#include "tst_codeimport.moc"
