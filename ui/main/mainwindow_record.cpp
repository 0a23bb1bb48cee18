#include "mainwindow.h"

void MainWindow::record()
{
}
