#include "mainwindow.h"

#include "design.h"
#include "filechooser.h"
#include "ircommandfile.h"
#include "messages.h"
#include "paths.h"
#include "setfileaccess.h"
#include "toolrunner.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSystemTrayIcon>

namespace {

// The play buttons.
constexpr Design::Grid kButtonGrid = { 240, 240, 1200, 480 };

QAction *addItem(QMenu *menu, const char *name, const QString &caption)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

// Icons are decoded once and shared by every window that shows them.
const QIcon &programIcon()
{
    static const QIcon icon(QStringLiteral(":/icons/lumo.png"));
    return icon;
}

const QIcon &trayPicture()
{
    static const QIcon icon(QStringLiteral(":/icons/tray.png"));
    return icon;
}

// Help > WebSite: the user guide, kept in this folder beside the program.
constexpr char kWebSitePage[] = "guide/index.html";

// Button numbers as the play buttons pass them: "1" to "12".
bool isButtonNumber(const QString &text)
{
    for (int n = 1; n <= 12; ++n) {
        if (text == QString::number(n))
            return true;
    }
    return false;
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Lumo Control"));
    setWindowIcon(programIcon());

    buildControls();
    buildMenus();
    // Client area below the menu bar: 3720 x 2460 twips.
    resize(Design::px(3720), Design::px(2460) + menuBar()->sizeHint().height());
    buildTray();
    load();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildControls()
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);
    // Set once here, the buttons inherit it.
    client->setFont(Design::font());

    m_buttons.build(client, kButtonGrid, [this](const QString &number) { playfile(number); });
    for (int n = 2; n <= 12; ++n)
        setTabOrder(m_buttons.button(n - 1), m_buttons.button(n));

    // The state fields: text boxes that are never shown.
    auto field = [client](const char *name, const QString &text, int l, int t, int w, int h) {
        auto *e = new QLineEdit(text, client);
        Design::place(e, name, l, t, w, h);
        e->setVisible(false);
        return e;
    };
    m_setFilePath = field("Text1", QString(), 840, 3360, 2535, 285);
    m_currentRemote = field("Text4", QStringLiteral("0"), 600, 3000, 375, 285);
    m_setNumber = field("Text2", QStringLiteral("0"), 1080, 3120, 1215, 285);
}

void MainWindow::buildMenus()
{
    QMenuBar *bar = menuBar();

    QMenu *file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("file"));
    connect(addItem(file, "open", QStringLiteral("Open")), &QAction::triggered, this, &MainWindow::fileOpen);
    addItem(file, "b", QString())->setEnabled(false);
    connect(addItem(file, "exit", QStringLiteral("Exit")), &QAction::triggered, this, &MainWindow::fileExit);

    QMenu *remote = bar->addMenu(QStringLiteral("&Remotes"));
    remote->setObjectName(QStringLiteral("remote"));
    for (int r = 1; r <= 3; ++r) {
        const QByteArray name = "rem" + QByteArray::number(r);
        m_remoteItems[r - 1] = addItem(remote, name.constData(), QStringLiteral("remote%1").arg(r));
        connect(m_remoteItems[r - 1], &QAction::triggered, this, [this, r] { selectRemote(r); });
    }
    addItem(remote, "bnh", QString());
    connect(addItem(remote, "record", QStringLiteral("Record")), &QAction::triggered, this,
            &MainWindow::record);
    addItem(remote, "bbbbbbbbb", QString());
    connect(addItem(remote, "eremote", QStringLiteral("Edit Remotes")), &QAction::triggered, this,
            &MainWindow::editRemotes);
    connect(addItem(remote, "ebutton", QStringLiteral("Edit Buttons")), &QAction::triggered, this,
            &MainWindow::editButtons);
    // Ours, after the items above, behind a separator of its own.
    remote->addSeparator();
    connect(addItem(remote, "importRemote", QStringLiteral("Import Remote\u2026")), &QAction::triggered, this,
            &MainWindow::importRemote);

    QAction *min = bar->addAction(QStringLiteral("&Minimize"));
    min->setObjectName(QStringLiteral("min"));
    connect(min, &QAction::triggered, this, &MainWindow::minimizeToTray);

    QMenu *help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("help"));
    connect(addItem(help, "web", QStringLiteral("WebSite")), &QAction::triggered, this, &MainWindow::webSite);
    addItem(help, "dashes", QStringLiteral("------------------"));
    connect(addItem(help, "about", QStringLiteral("About")), &QAction::triggered, this, &MainWindow::about);
}

void MainWindow::buildTray()
{
    m_tray = new QSystemTrayIcon(trayPicture(), this);
    m_tray->setObjectName(QStringLiteral("cSysTray1"));
    m_tray->setToolTip(QStringLiteral("Lumo Control"));
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            showFromTray();
    });
    // In the tray from start-up to exit, where the desktop has one.
    if (QSystemTrayIcon::isSystemTrayAvailable())
        m_tray->show();
}

void MainWindow::load()
{
    const QString data = Paths::dataFolder();
    if (!DirExists(data) && !QDir().mkdir(data)) {
        Messages::inform(QStringLiteral("The data folder \"%1\" could not be created. "
                                        "Recordings cannot be kept until it exists.")
                             .arg(QDir::toNativeSeparators(data)),
                         Messages::Icon::Error);
    }
    setSetFilePath(Paths::defaultSetFile());
    readSet(true);
}

bool MainWindow::readSet(bool checkEachTime)
{
    const QString path = setFilePath();
    const bool exists = FileExists(path);
    if (exists) {
        const auto header = SetFileAccess::readHeader(path);
        if (!header)
            return false;
        setCurrentRemote(1);
        setRemoteCaptions(header->remoteNames);
        setSetNumberText(Paths::setNumberText(header->setNumber));
    }
    if (checkEachTime ? FileExists(path) : exists) {
        const auto captions = SetFileAccess::readCaptions(path, 1);
        if (!captions)
            return false;
        setButtonCaptions(*captions);
    }
    return true;
}

QString MainWindow::setFilePath() const
{
    return m_setFilePath->text();
}

void MainWindow::setSetFilePath(const QString &path)
{
    m_setFilePath->setText(path);
}

QString MainWindow::setNumberText() const
{
    return m_setNumber->text();
}

void MainWindow::setSetNumberText(const QString &text)
{
    m_setNumber->setText(text);
}

int MainWindow::currentRemote() const
{
    // Only "1", "2" and "3" name a remote.
    const QString text = m_currentRemote->text();
    for (int r = 1; r <= 3; ++r) {
        if (text == QString::number(r))
            return r;
    }
    return 0;
}

void MainWindow::setCurrentRemote(int remote)
{
    m_currentRemote->setText(QString::number(remote >= 1 && remote <= 3 ? remote : 0));
}

QPushButton *MainWindow::button(int n) const
{
    return m_buttons.button(n);
}

QStringList MainWindow::buttonCaptions() const
{
    return m_buttons.captions();
}

void MainWindow::setButtonCaptions(const QStringList &captions)
{
    m_buttons.setCaptions(captions);
    refreshButtonTips();
}

void MainWindow::refreshButtonTips()
{
    const int remote = currentRemote();
    const bool setFolder = Paths::parseSetNumber(setNumberText(), nullptr);
    for (int n = 1; n <= 12; ++n) {
        QString tip;
        if (remote && setFolder)
            tip = describeIrCommandFile(
                Paths::irCommandFile(setNumberText(), QString::number(remote), QString::number(n)));
        m_buttons.button(n)->setToolTip(tip);
    }
}

QAction *MainWindow::remoteItem(int r) const
{
    return (r >= 1 && r <= 3) ? m_remoteItems[r - 1] : nullptr;
}

QStringList MainWindow::remoteCaptions() const
{
    return { m_remoteItems[0]->text(), m_remoteItems[1]->text(), m_remoteItems[2]->text() };
}

void MainWindow::setRemoteCaptions(const QStringList &captions)
{
    for (int i = 0; i < 3 && i < captions.size(); ++i)
        m_remoteItems[i]->setText(captions.at(i));
}

void MainWindow::selectRemote(int r)
{
    if (r < 1 || r > 3)
        return;
    // One existence test; the captions always come from the file as it is
    // now (nothing is cached between selections).
    const QString path = setFilePath();
    if (!FileExists(path)) {
        Messages::inform(QStringLiteral("You have to load a File"));
        return;
    }
    const auto captions = SetFileAccess::readCaptions(path, r);
    if (!captions)
        return;
    setCurrentRemote(r);
    setButtonCaptions(*captions);
}

void MainWindow::playfile(const QString &buttonn)
{
    const int remote = currentRemote();
    if (remote == 0)
        return;
    if (!isButtonNumber(buttonn))
        return;
    // A set number that is not one (record 5 empty or garbled) names no set
    // folder: the path would fall back onto the data folder itself. No
    // recording can exist for it, so it is the "not found" case.
    if (!Paths::parseSetNumber(setNumberText(), nullptr)) {
        PlayCommand(QString());
        return;
    }
    // Waits (nested event loop) until irplay.exe has ended; the window stays
    // enabled meanwhile, so a further press nests a second wait.
    PlayCommand(Paths::irCommandFile(setNumberText(), QString::number(remote), buttonn));
}

void MainWindow::fileOpen()
{
    FileChooser::Request request;
    request.parent = this;
    // One entry only: remote set files.
    request.filter = QStringLiteral("ZudevIdozodo (*.lmr)");
    // Every path is built from the current directory, so whatever dialog
    // the platform shows must leave it where it was.
    const QString currentDir = QDir::currentPath();
    QString chosen = FileChooser::getOpenFileName(request);
    if (QDir::currentPath() != currentDir)
        QDir::setCurrent(currentDir);
    if (chosen.isEmpty())
        return;
    if (QDir::isRelativePath(chosen))
        chosen = QDir(currentDir).absoluteFilePath(chosen);
    setSetFilePath(chosen);
    // An existing file: remote 1 becomes current with the set's names,
    // number and captions (one existence test for both reads). A new name:
    // only Text1 changes, and the editors' next save creates the file.
    readSet(false);
}

void MainWindow::fileExit()
{
    close();
}

bool MainWindow::trayAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void MainWindow::minimizeToTray()
{
    // Without a tray a hidden window could never be brought back: minimize
    // it the ordinary way instead.
    if (trayAvailable()) {
        // A tray that appeared after start-up (the panel started later).
        if (!m_tray->isVisible())
            m_tray->show();
        hide();
    } else {
        showMinimized();
    }
}

void MainWindow::showFromTray()
{
    // Back as it was: keeps a maximized state, drops only the minimized one.
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

QString MainWindow::webSiteAddress()
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(kWebSitePage);
}

void MainWindow::webSite()
{
    ShellOpen(quintptr(winId()), webSiteAddress());
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // While a dialog or a recording holds the window disabled, closing it
    // would take that dialog's unsaved work (or the recording) with it.
    if (!isEnabled()) {
        event->ignore();
        return;
    }
    event->accept();
    m_tray->hide();
    emit closed();
}
