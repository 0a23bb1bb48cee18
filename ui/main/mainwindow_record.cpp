#include "mainwindow.h"

#include "messages.h"
#include "paths.h"
#include "recordsignaldialog.h"
#include "remoteimportdialog.h"

bool MainWindow::requireSetFolder()
{
    // The set folder comes with the set number. A field that holds no
    // number names no folder either.
    int setNumber = 0;
    const bool isNumber = Paths::parseSetNumber(setNumberText(), &setNumber);
    if (!isNumber || setNumber == 0) {
        Messages::inform(QStringLiteral("Please create a remote before recording a signal"));
        return false;
    }
    return true;
}

// Remotes > Record: opens the record signal dialog on the current remote.
void MainWindow::record()
{
    if (!requireSetFolder())
        return;

    QPointer<RecordSignalDialog> form5 = RecordSignalDialog::load(this);
    if (const int remote = currentRemote())
        form5->chooseRemote(remote);
    if (form5)
        form5->showDialog();
}

// Remotes > Import Remote...: fills a whole remote from one code file, in a
// window of its own that keeps this one disabled, as the editors do.
void MainWindow::importRemote()
{
    if (!requireSetFolder())
        return;
    DesignWindow::openSingle(RemoteImportDialog::instance(), this);
}
