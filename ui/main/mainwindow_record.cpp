#include "mainwindow.h"

#include "messages.h"
#include "paths.h"
#include "recordsignaldialog.h"

// Remotes > Record: opens the record signal dialog on the current remote.
void MainWindow::record()
{
    // Recording needs the set folder, which the set gets with its number.
    // A field that holds no number names no folder either.
    int setNumber = 0;
    const bool isNumber = Paths::parseSetNumber(setNumberText(), &setNumber);
    if (!isNumber || setNumber == 0) {
        Messages::inform(QStringLiteral("Please create a remote before recording a signal"));
        return;
    }

    QPointer<RecordSignalDialog> form5 = RecordSignalDialog::load(this);
    if (const int remote = currentRemote())
        form5->chooseRemote(remote);
    if (form5)
        form5->showDialog();
}
