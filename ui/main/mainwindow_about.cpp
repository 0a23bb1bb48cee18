#include "mainwindow.h"

#include "aboutdialog.h"

// Help > About: the one About box, modeless; it keeps this window
// disabled while it is loaded.
void MainWindow::about()
{
    DesignWindow::openSingle(m_about, this);
}
