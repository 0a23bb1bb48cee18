// Filling buttons without recording: a whole remote in one step, a code typed
// in, Form5's Import / Enter / Export Code and Remotes > Import Remote. The
// fake IR tools run for real; tst_endtoend does the same with the real ones.
#include "codedialogs.h"
#include "codeimport.h"
#include "filechooser.h"
#include "ircommandfile.h"
#include "mainwindow.h"
#include "recordsignaldialog.h"
#include "remoteimportdialog.h"
#include "testsupport.h"

#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include <csignal>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>

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

// Answers the file choosers with path (and, in a save dialog, filter) until cleanup().
void choose(const QString &path, const QString &filter = QString())
{
    FileChooser::setChooser([path, filter](const FileChooser::Request &r) {
        if (r.selectedFilter)
            *r.selectedFilter = filter;
        return path;
    });
}

// Right-clicks Form5's button n and triggers item 'name' of the menu, when it is enabled.
bool trigger(RecordSignalDialog *form5, int n, const char *name)
{
    const QPoint at(5, 5);
    QContextMenuEvent click(QContextMenuEvent::Mouse, at, form5->button(n)->mapToGlobal(at));
    QCoreApplication::sendEvent(form5->button(n), &click);
    std::unique_ptr<QMenu> menu(form5->findChild<QMenu *>());
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


// Named widgets of a window that cover one another (a widget and what it
// holds aside): the layout places each in its own room.
QStringList overlapping(QWidget *window)
{
    QList<QWidget *> shown;
    for (QWidget *w : window->findChildren<QWidget *>())
        if (!w->objectName().isEmpty() && w->isVisibleTo(window) && !w->objectName().startsWith("qt_"))
            shown << w;
    const auto rect = [window](QWidget *w) { return QRect(w->mapTo(window, QPoint()), w->size()); };
    QStringList out;
    for (QWidget *a : shown)
        for (QWidget *b : shown)
            if (a < b && !a->isAncestorOf(b) && !b->isAncestorOf(a) && rect(a).intersects(rect(b)))
                out << a->objectName() + "/" + b->objectName();
    return out;
}

} // namespace

class TstCodeImport : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { FileChooser::setChooser({}); }

    void importRemote_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("folder"); // the set folder; 59 is made by the import
        QTest::addColumn<int>("failure");
        QTest::addColumn<QString>("told");
        const auto row = [](const char *tag, const char *fault, const char *folder, Failure failure,
                            const char *told) {
            QTest::newRow(tag) << QString(fault) << QString(folder) << int(failure) << QString(told);
        };
        row("into the set folder", "", "58", Failure::None, "");
        row("folder made", "", "59", Failure::None, "");
        row("old file's permissions, else a new file's", "modes", "58", Failure::None, "");
        row("button 7 a folder", "folder", "58", Failure::Failed, "R2B7.lmc");
        row("no room for the set file", "full", "58", Failure::Failed, "remotes.lmr");
        row("no room, folder made", "full", "59", Failure::Failed, "remotes.lmr");
        row("caption of 125 bytes", "caption", "58", Failure::TooLong, "button 9");
        row("name of 125 bytes", "name", "58", Failure::TooLong, "remote 2");
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
        const auto shared = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther;
        if (fault == "modes")
            QVERIFY(QFile::setPermissions(f.irFile(2, 1), shared));
        const mode_t umask = ::umask(fault == "modes" ? 027 : 022);
        QList<CodeImport::ButtonCode> buttons;
        QString error;
        for (int b = 1; b <= 12; ++b) {
            const QString caption = fault == "caption" && b == 9 ? QString(125, 'x')
                                                                 : "c" + QString::number(b);
            buttons.append({ b, caption,
                             *CodeImport::codeFromCommand("nec", QString::number(0x4000 + b), &error),
                             "test " + QString::number(b) });
        }
        const QString name = fault == "name" ? QString(125, 'n') : "Amp";
        const QString setFile = f.work.file("remotes.lmr");
        const auto before = snapshot(f.work.path());
        // Room for an IR command file, not for the 5760 bytes of the set file.
        auto room = std::make_optional<FileSizeLimit>(fault == "full" ? 4096 : RLIM_INFINITY);
        const auto result = CodeImport::importRemote(setFile, folder, 2, name, buttons);
        room.reset();
        ::umask(umask);
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
        if (fault == "modes") {
            const auto userBits = QFileDevice::ReadUser | QFileDevice::WriteUser;
            QCOMPARE(QFile::permissions(f.irFile(2, 1)) & ~userBits, shared);
            QCOMPARE(QFile::permissions(f.irFile(2, 2)) & ~userBits,
                     QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
        }
        if (folder == "59")
            added << "data/59";
        QCOMPARE(QSet<QString>(after.keyBegin(), after.keyEnd()),
                 QSet<QString>(before.keyBegin(), before.keyEnd()) | added);
    }

    void readCodeFileTells_data()
    {
        QTest::addColumn<QByteArray>("content"); // "/": a folder
        QTest::addColumn<QString>("told");
        QTest::newRow("larger than the IR library reads")
            << QByteArray(1024 * 1024 + 1, '\n') << "is too large for a file of IR codes.";
        QTest::newRow("a folder") << QByteArray("/") << "could not be read: it is a folder.";
    }

    void readCodeFileTells()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, told);
        WorkDir dir;
        const QString path = dir.file("codes.ir");
        if (content == "/")
            QVERIFY(QDir().mkdir(path));
        else
            touch(path, content);
        const CodeImport::CodeFile file = CodeImport::readCodeFile(path);
        QVERIFY(file.codes.isEmpty());
        QCOMPARE(file.error, QStringLiteral("The file \"%1\" ").arg(path) + told);
    }

    // A button's file written on a full disk: the old one stays, nothing beside it.
    void fullDiskKeepsTheOldFile()
    {
        WorkDir dir;
        const QString path = dir.file("R1B1.lmc");
        touch(path, "old");
        QString error;
        const auto code = CodeImport::codeFromCommand("nec", "0x40bf", &error);
        auto room = std::make_optional<FileSizeLimit>(64);
        error = CodeImport::writeIrCommandFile(path, *code, "test");
        room.reset();
        QVERIFY2(error.contains(path), qPrintable(error));
        QCOMPARE(SetFiles::bytes(path), QByteArray("old"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{ "R1B1.lmc" });
    }

    void enterCode_data()
    {
        QTest::addColumn<QString>("protocol");
        QTest::addColumn<QString>("scancode");
        QTest::addColumn<QString>("shown"); // how the result line starts
        const auto row = [](const char *tag, const char *protocol, const char *scancode,
                            const QString &shown) {
            QTest::newRow(tag) << QString(protocol) << QString(scancode) << shown;
        };
        row("hex", "nec", "0x40bf", "Sends " + kNec40bf);
        row("decimal", "nec", "16575", "Sends " + kNec40bf);
        row("hex without 0x", "nec", " 40BF ", "Sends " + kNec40bf);
        row("a leading 0 is no octal", "nec", "010", "Sends nec:0xa, 38 kHz");
        row("36 kHz", "rc5", "0X1E0C", "Sends rc5:0x1e0c, 36 kHz");
        row("36.7 kHz", "panasonic", "0x123456", "Sends panasonic:0x123456, 36.7 kHz");
        row("48 bits", "kaseikyo", "0x123456789abc", "Sends kaseikyo:0x123456789abc, ");
        row("too wide", "nec", "0x1ffff", "0x1ffff is no nec scancode (the bits it may use: 0xffff).");
        row("no mce customer", "rc6_mce", "0x1234", "0x1234 is no rc6_mce scancode");
        row("65 bits", "nec", "0x10000000000000000", "\"0x10000000000000000\" is not a scancode");
        row("not hex", "nec", "0x4g", "\"0x4g\" is not a scancode");
        row("nothing", "nec", "", "Type the scancode");
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
        QCOMPARE((QList<bool>{ entry.code().has_value(), entry.okButton()->isEnabled(),
                               entry.tryButton()->isEnabled() }),
                 QList<bool>(3, ok));
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
        QCOMPARE(overlapping(entry), QStringList());
        QVERIFY(entry->findChild<QLineEdit *>("scancode")->placeholderText().contains("0x40bf"));
        entry->setCommand("nec", "0x40bf");
        QTest::mouseClick(entry->tryButton(), Qt::LeftButton);
        QVERIFY(SetFiles::bytes(f.tools.folder() + "/sent").contains("# decoded nec:0x40bf\n"));
        QVERIFY(!QFile::exists(f.tools.arguments("irplay.exe").value(0)));
        QTest::mouseClick(entry->okButton(), Qt::LeftButton);
        QCOMPARE(form5->button(2)->toolTip(), kNec40bf);
        // Export Code in the form the filter names: the same code read back.
        const QStringList filters{ "Flipper IR file (*.ir)", "Pronto hex (*.txt)",
                                   "IR command file, mode2 (*.lmc)" };
        const QStringList forms{ "Flipper .ir 2.2", "Pronto hex ", "mode2 " };
        for (int i = 0; i < 3; ++i) {
            choose(f.work.file("export"), filters.at(i));
            QVERIFY(trigger(form5, 2, "exportCode"));
            const auto back = CodeImport::readCodeFile(
                f.work.file("export." + filters.at(i).section("*.", 1).chopped(1)));
            QCOMPARE(back.form + ' ' + back.codes.value(0).name() + ' ' + back.codes.value(0).description(),
                     forms.at(i) + ' ' + kNec40bf);
        }
        // Import Code over button 1's file: No leaves it, Yes replaces it.
        f.messages.answer(Messages::Answer::No);
        f.messages.answer(Messages::Answer::Yes);
        choose(kPronto);
        for (int i = 0; i < 2; ++i) {
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
        QVERIFY(SetFiles::bytes(f.tools.folder() + "/sent").contains("# decoded nec:0x712\n"));
        picker->accept();
        QCOMPARE(form5->button(3)->toolTip(), QStringLiteral("nec:0x712, 38 kHz"));
        QVERIFY(SetFiles::bytes(f.irFile(2, 3))
                    .contains("imported from " + kFlipper.toUtf8() + " (Flipper .ir), code \"Vol_up\"\n"));
        QCOMPARE(f.messages.texts(), QStringList(2, "Do you want to overwrite the command ?"));
        // The main window, on remote 2, tells what the buttons now hold.
        QTest::mouseClick(form5->doneButton(), Qt::LeftButton);
        QCOMPARE(f.form1->button(3)->toolTip(), QStringLiteral("nec:0x712, 38 kHz"));
    }

    // Refused without a set folder; Try; one question for the buttons with files.
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
        QCOMPARE(overlapping(dialog), QStringList());
        for (int r : { 1, 3, 2 }) { // each remote's name from the set file
            QTest::mouseClick(dialog->findChild<QWidget *>(QStringLiteral("remote%1").arg(r)), Qt::LeftButton);
            QCOMPARE(dialog->remoteNameField()->text(), QStringLiteral("Remote %1").arg(r));
            QCOMPARE(dialog->remote(), r);
        }
        // A second file's codes take the place of the first's.
        choose(kPronto);
        QTest::mouseClick(dialog->findChild<QPushButton *>("chooseFile"), Qt::LeftButton);
        QCOMPARE(dialog->findChild<QComboBox *>("code1")->itemText(1), QStringLiteral("power")); // one unnamed code
        choose(kFlipper);
        QTest::mouseClick(dialog->findChild<QPushButton *>("chooseFile"), Qt::LeftButton);
        QCOMPARE(dialog->findChild<QComboBox *>("code1")->count(), 1 + 13);
        // A click on a button's signal picks that button's whole row.
        auto *table = dialog->findChild<QTableWidget *>("buttons");
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                          table->visualItemRect(table->item(6, 2)).center());
        QCOMPARE(dialog->currentButton(), 7);
        QVERIFY(table->selectionModel()->isRowSelected(6, {}));
        dialog->setCurrentButton(12);
        QVERIFY(dialog->tryButton()->toolTip().contains("through the IR device"));
        QTest::mouseClick(dialog->tryButton(), Qt::LeftButton);
        QVERIFY(SetFiles::bytes(f.tools.folder() + "/sent").contains("# decoded nec:0x71b\n"));
        dialog->assign(12, -1);
        QVERIFY(!dialog->tryButton()->isEnabled());
        f.messages.answer(Messages::Answer::No);
        QVERIFY(!dialog->import());
        QCOMPARE(SetFiles::bytes(f.irFile(2, 1)), QByteArray("old 1"));
        QVERIFY(dialog->import());
        const QString asked =
            "Buttons 1 and 5 of remote 2 already have a signal. Do you want to overwrite them?";
        QCOMPARE(f.messages.texts(),
                 (QStringList{ "Please create a remote before recording a signal", asked, asked }));
        QCOMPARE(f.form1->currentRemote(), 2);
        QCOMPARE(f.form1->buttonCaptions().mid(9), (QStringList{ "Input", "Menu", "2.12" }));
        QCOMPARE(f.form1->button(10)->toolTip(), QStringLiteral("recorded signal"));
        QTest::mouseClick(dialog->findChild<QPushButton *>("done"), Qt::LeftButton);
        QVERIFY(f.form1->isEnabled());
    }
};

QTEST_MAIN(TstCodeImport)
#include "tst_codeimport.moc"
