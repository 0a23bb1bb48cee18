#include "mainwindow.h"
#include "messagebox.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumo Control"));
    QApplication::setApplicationVersion(QStringLiteral(LUMO_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/lumo.png")));
    // The program ends when the main window closes, whatever else is open.
    QApplication::setQuitOnLastWindowClosed(false);

    MessageBoxes::install();

    MainWindow form1;
    QObject::connect(&form1, &MainWindow::closed, &app, [] { QCoreApplication::exit(0); });
    form1.show();
    return app.exec();
}
