#include "mainwindow.h"

void MainWindow::about()
{
}
