#include "mainwindow.h"

#include "buttoneditor.h"
#include "remoteconfigdialog.h"

// Remotes > Edit Remotes: shows the remote configuration dialog modeless
// and returns at once.
void MainWindow::editRemotes()
{
    DesignWindow::openSingle(RemoteConfigDialog::instance(), this);
}

// Remotes > Edit Buttons: shows the button caption editor modeless and
// returns at once.
void MainWindow::editButtons()
{
    DesignWindow::openSingle(ButtonEditor::instance(), this);
}
