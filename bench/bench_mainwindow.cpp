// Constructing and showing the main window (with a full remote set file in
// the current directory) against an empty QMainWindow, in the same run
// (target: at most 1.2 times). Run with QT_QPA_PLATFORM=offscreen or on a
// display.
#include "mainwindow.h"
#include "messages.h"
#include "remotesetfile.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

template <class Make>
double medianMs(int rounds, Make make)
{
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer t;
        t.start();
        {
            auto w = make();
            w->show();
            // Until the window is on screen: its first expose paints it.
            while (!w->windowHandle() || !w->windowHandle()->isExposed())
                QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            QApplication::processEvents();
        }
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
        QApplication::processEvents();
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

// The same widgets with none of the program behind them: a menu bar with
// four menus and fifteen items, and twelve push buttons. The floor any
// window of this shape sits on.
std::unique_ptr<QMainWindow> bareWidgets()
{
    auto w = std::make_unique<QMainWindow>();
    for (const char *m : { "&File", "&Remotes", "&Help" }) {
        QMenu *menu = w->menuBar()->addMenu(QString::fromLatin1(m));
        for (int i = 0; i < 5; ++i)
            menu->addAction(QStringLiteral("Item %1").arg(i));
    }
    w->menuBar()->addAction(QStringLiteral("&Minimize"));
    auto *client = new QWidget;
    w->setCentralWidget(client);
    for (int i = 0; i < 12; ++i)
        (new QPushButton(QStringLiteral("Button %1").arg(i + 1), client))
            ->setGeometry(16 + 80 * (i % 3), 16 + 32 * (i / 3), 57, 25);
    return w;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    Messages::setPresenter([](const Messages::Request &r) { return r.defaultButton; });
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    QList<QPair<int, RecordValue>> set;
    set.append({ 1, RecordValue::fromText("3") });
    for (int r = 1; r <= 3; ++r) {
        set.append({ r + 1, RecordValue::fromText(QStringLiteral("Remote %1").arg(r)) });
        for (int b = 1; b <= 12; ++b)
            set.append({ RemoteSetFile::recordNumber(r, b),
                         RecordValue::fromText(QStringLiteral("Key %1").arg(b)) });
    }
    set.append({ 5, RecordValue::fromNumber(58) });
    RemoteSetFile::writeRecords(dir.path() + QStringLiteral("/remotes.lmr"), set);

    const int rounds = 60;
    // Warm up both (fonts, styles, platform plugin).
    medianMs(5, [] { return std::make_unique<QMainWindow>(); });
    medianMs(5, [] { return std::make_unique<MainWindow>(); });
    const double empty = medianMs(rounds, [] { return std::make_unique<QMainWindow>(); });
    const double form1 = medianMs(rounds, [] { return std::make_unique<MainWindow>(); });
    const double bare = medianMs(rounds, bareWidgets);
    std::printf("(c) construct+show: empty QMainWindow median %.3f ms, main window median %.3f ms, ratio "
                "%.2fx (target <= 1.2x)\n",
                empty, form1, form1 / empty);
    std::printf("    the same menu bar and twelve buttons with nothing behind them: median %.3f ms, %.2fx\n",
                bare, bare / empty);
    return 0;
}
