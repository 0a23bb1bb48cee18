#include "mainwindow.h"

void MainWindow::editRemotes()
{
}

void MainWindow::editButtons()
{
}
