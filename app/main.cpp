#include "mainwindow.h"
#include "messagebox.h"
#include "toolrunner.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <cstdio>
#include <cstring>

namespace {

constexpr int kExitFolderOrPaths = 1;
constexpr int kExitUsage = 2;

void setNames()
{
    QCoreApplication::setApplicationName(QStringLiteral("Lumo Control"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LUMO_VERSION));
}

struct Options
{
    QCommandLineOption userFolder{ QStringLiteral("user-folder"),
                                   QStringLiteral("Work in ~/Lumo (made when missing) instead of the current "
                                                  "directory, as the desktop menu entry does.") };
    QCommandLineOption paths{ QStringLiteral("paths"),
                              QStringLiteral("Print where irrecord.exe, irplay.exe and the user guide are "
                                             "found, then exit.") };
};

// Sets up parser with the program's options and reads the command line.
// Prints --help and --version and exits with 0 there; prints a wrong
// command line's fault and returns false.
bool parseCommandLine(QCommandLineParser &parser, const Options &options)
{
    parser.setApplicationDescription(QStringLiteral("Teaches and replays infrared remote-control signals."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(options.userFolder);
    parser.addOption(options.paths);
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "lumo-control: %s\nTry 'lumo-control --help'.\n",
                     qPrintable(parser.errorText()));
        return false;
    }
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "lumo-control: unexpected argument '%s'\nTry 'lumo-control --help'.\n",
                     qPrintable(parser.positionalArguments().constFirst()));
        return false;
    }
    return true;
}

// True when the command line asks only for something printed: then no
// display is needed.
bool onlyPrints(int argc, char *argv[])
{
    static const char *const printing[] = { "-h", "--help", "--help-all", "-v", "--version", "--paths" };
    for (int i = 1; i < argc; ++i) {
        for (const char *option : printing) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}

// --paths: one line for each tool and the guide, found where the program
// looks for them when it runs a tool or opens Help > WebSite. Returns the
// exit code: 0 when all three are there.
int printPaths()
{
    QTextStream out(stdout);
    bool all = true;
    for (const QString &tool : { ToolRunner::recordTool(), ToolRunner::playTool() }) {
        const QString found = ToolRunner::findTool(tool);
        all = all && !found.isEmpty();
        out << tool << ": " << (found.isEmpty() ? QStringLiteral("not found") : found) << '\n';
    }
    const QString guide = MainWindow::webSiteAddress();
    const bool guideThere = QFileInfo(guide).isFile();
    all = all && guideThere;
    out << "guide: " << guide << (guideThere ? "" : " (missing)") << '\n';
    return all ? 0 : kExitFolderOrPaths;
}

// --user-folder: makes ~/Lumo when it is missing and works there.
bool enterUserFolder()
{
    const QString folder = QDir::homePath() + QStringLiteral("/Lumo");
    if (!QDir().mkpath(folder) || !QDir::setCurrent(folder)) {
        std::fprintf(stderr, "lumo-control: cannot make or enter the folder '%s'\n", qPrintable(folder));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    const Options options;
    if (onlyPrints(argc, argv)) {
        QCoreApplication app(argc, argv);
        setNames();
        QCommandLineParser parser;
        if (!parseCommandLine(parser, options))
            return kExitUsage;
        return printPaths();
    }

    QApplication app(argc, argv);
    setNames();
    QGuiApplication::setDesktopFileName(QStringLiteral("lumo-control"));
    QCommandLineParser parser;
    if (!parseCommandLine(parser, options))
        return kExitUsage;
    if (parser.isSet(options.userFolder) && !enterUserFolder())
        return kExitFolderOrPaths;

    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/lumo.png")));
    // The program ends when the main window closes, whatever else is open.
    QApplication::setQuitOnLastWindowClosed(false);

    MessageBoxes::install();

    MainWindow form1;
    QObject::connect(&form1, &MainWindow::closed, &app, [] { QCoreApplication::exit(0); });
    form1.show();
    return app.exec();
}
