#include "aboutdialog.h"

#include "design.h"
#include "messages.h"
#include "paths.h"

#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QVersionNumber>
#include <QWindow>

#include <cstring>

#ifndef LUMO_VERSION
#define LUMO_VERSION "1.2.2"
#endif

namespace {

// Rights the keys are opened with: query value, set value, create
// subkey, enumerate subkeys, notify, create link, read control.
constexpr quint32 kKeyAccess = 0x2003F;
// Room for one value; a larger one counts as not found.
constexpr quint32 kValueBufferSize = 1024;

const char kMsInfoKey[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const char kMsInfoValue[] = "PATH";
const char kSharedToolsKey[] = "SOFTWARE\\Microsoft\\Shared Tools Location";
const char kSharedToolsValue[] = "MSINFO";
const char kMsInfoProgram[] = "MSINFO32.EXE";

bool startDetached(const QString &program)
{
    if (program.isEmpty())
        return false;
    return QProcess::startDetached(program, {});
}

AboutDialog::ProgramStarter &programStarter()
{
    static AboutDialog::ProgramStarter starter;
    return starter;
}

bool startProgram(const QString &program)
{
    if (programStarter())
        return programStarter()(program);
    return startDetached(program);
}

QLabel *addLabel(QWidget *parent, const char *name, const QString &text, int l, int t, int w, int h,
                 const QFont &font)
{
    auto *label = new QLabel(text, parent);
    Design::place(label, name, l, t, w, h);
    label->setFont(font);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

void setTextColour(QLabel *label, const QColor &colour)
{
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
}

} // namespace

AboutDialog::AboutDialog(QWidget *mainWindow)
    : DesignWindow(mainWindow,
                   Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                       | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setFont(Design::font());

    // Client area 5640 x 3780 twips, its top-left corner fixed at 2340,
    // 1935 twips from the screen's top-left corner; not resizable.
    QPoint origin;
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        origin = screen->geometry().topLeft();
    setGeometry(QRect(origin + QPoint(Design::px(2340), Design::px(1935)),
                      QSize(Design::px(5640), Design::px(3780))));
    setFixedSize(Design::px(5640), Design::px(3780));

    // In tab order.
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    Design::place(m_ok, "cmdOK", 4245, 2520, 1260, 345);
    // Enter and Esc press it (see keyPressEvent).
    m_ok->setDefault(true);
    m_ok->setAutoDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &AboutDialog::unload);

    auto *picIcon = new QLabel(this);
    Design::place(picIcon, "picIcon", 240, 240, 540, 540);
    const QPixmap icon = QIcon(QStringLiteral(":/icons/lumo.png")).pixmap(32, 32);
    picIcon->setPixmap(icon);
    picIcon->resize(icon.deviceIndependentSize().toSize()); // sizes itself to the picture

    m_sysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    Design::place(m_sysInfo, "cmdSysInfo", 4260, 3000, 1245, 345);
    m_sysInfo->setAutoDefault(true);
    connect(m_sysInfo, &QPushButton::clicked, this, [] { StartSysInfo(); });
    setTabOrder(m_ok, m_sysInfo);

    QLabel *description = addLabel(this, "lblDescription", descriptionText(), 1050, 1125, 4005, 810,
                                   Design::font(9.75));
    description->setWordWrap(true);
    setTextColour(description, Qt::black);

    QLabel *title = addLabel(this, "lblTitle", QString(), 1080, 240, 3885, 480, Design::font(12, true));
    setTextColour(title, Qt::black);

    QLabel *version = addLabel(this, "lblVersion", QString(), 1050, 780, 3885, 225, Design::font(9.75));

    QLabel *notice = addLabel(this, "lblDisclaimer", legalNoticeText(), 255, 2625, 3870, 825, Design::font());
    notice->setWordWrap(true);
    setTextColour(notice, Qt::black);

    // The load step (the main window was disabled by DesignWindow).
    setWindowTitle(QStringLiteral("About ") + Messages::applicationTitle());
    version->setText(versionText());
    title->setText(Messages::applicationTitle());

    // Owned by the main window as far as the desktop is concerned: it
    // stays above it and gets no task-bar entry of its own.
    if (mainWindow && mainWindow->windowHandle()) {
        winId();
        if (QWindow *w = windowHandle())
            w->setTransientParent(mainWindow->windowHandle());
    }
}

QString AboutDialog::versionText()
{
    const QVersionNumber v = QVersionNumber::fromString(QStringLiteral(LUMO_VERSION));
    return QStringLiteral("Version %1.%2.%3")
        .arg(v.majorVersion())
        .arg(v.minorVersion())
        .arg(v.microVersion());
}

QString AboutDialog::descriptionText()
{
    return QStringLiteral("Use this software to control Lumo and it's functions. "
                          "Here you have access to Record and Playback functions.");
}

QString AboutDialog::legalNoticeText()
{
    return QStringLiteral("Notice: this program is protected by copyright. Copying it or passing it on, "
                          "in whole or in part, without the owner's permission is not allowed.");
}

QString AboutDialog::unavailableText()
{
    return QStringLiteral("System Information Is Unavailable At This Time");
}

QStringList AboutDialog::fallbackViewers()
{
    return { QStringLiteral("hardinfo2"),           QStringLiteral("hardinfo"),
             QStringLiteral("kinfocenter"),         QStringLiteral("gnome-system-monitor"),
             QStringLiteral("mate-system-monitor"), QStringLiteral("xfce4-taskmanager") };
}

AboutDialog::ProgramStarter AboutDialog::setProgramStarter(ProgramStarter starter)
{
    ProgramStarter old = std::move(programStarter());
    programStarter() = std::move(starter);
    return old;
}

void AboutDialog::keyPressEvent(QKeyEvent *event)
{
    // OK is both the default and the cancel button. Enter on the System
    // Info button presses that button (it handles the key itself).
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (event->modifiers() & ~(Qt::KeypadModifier))
            break;
        m_ok->click();
        return;
    default:
        break;
    }
    DesignWindow::keyPressEvent(event);
}

void AboutDialog::paintEvent(QPaintEvent *event)
{
    DesignWindow::paintEvent(event);
    // Line1: the etched separator above the legal notice, a grey line
    // (element 1) over a white one (element 0).
    QPainter p(this);
    p.fillRect(
        QRect(QPoint(Design::px(90), Design::px(2205)), QPoint(Design::px(5654) - 1, Design::px(2205))),
        QColor(128, 128, 128));
    p.fillRect(
        QRect(QPoint(Design::px(105), Design::px(2220)), QPoint(Design::px(5654) - 1, Design::px(2220) + 1)),
        Qt::white);
}

bool AboutDialog::GetKeyValue(Registry::Key keyRoot, const QString &keyName, const QString &subKeyRef,
                              QString &keyVal)
{
    Registry::Api &registry = Registry::api();
    Registry::Key key = 0;
    if (registry.openKey(keyRoot, keyName, 0, kKeyAccess, &key) != Registry::Success) {
        keyVal.clear();
        return false;
    }

    char buffer[kValueBufferSize];
    std::memset(buffer, 0, sizeof buffer);
    quint32 size = kValueBufferSize;
    quint32 type = 0;
    const long rc = registry.queryValue(key, subKeyRef, &type, buffer, &size);
    registry.closeKey(key);
    if (rc != Registry::Success) {
        keyVal.clear();
        return false;
    }

    QByteArray kept(buffer, qsizetype(qMin(size, kValueBufferSize)));
    if (kept.endsWith('\0'))
        kept.chop(1);

    switch (type) {
    case Registry::TypeSz:
        keyVal = QString::fromLocal8Bit(kept);
        break;
    case Registry::TypeDword: {
        const quint32 value = quint32(quint8(buffer[0])) | quint32(quint8(buffer[1])) << 8
            | quint32(quint8(buffer[2])) << 16 | quint32(quint8(buffer[3])) << 24;
        keyVal = QStringLiteral("&h") + QString::number(value, 16).toUpper();
        break;
    }
    default:
        break;
    }
    return true;
}

void AboutDialog::StartSysInfo()
{
    QString sysInfoPath;
    bool found = GetKeyValue(Registry::LocalMachine, QLatin1String(kMsInfoKey), QLatin1String(kMsInfoValue),
                             sysInfoPath);
    if (!found
        && GetKeyValue(Registry::LocalMachine, QLatin1String(kSharedToolsKey),
                       QLatin1String(kSharedToolsValue), sysInfoPath)) {
        // A folder: the viewer is MSINFO32.EXE in it.
        const QString program = QDir::toNativeSeparators(sysInfoPath + QLatin1Char('/')
                                                         + QLatin1String(kMsInfoProgram));
        if (FileExists(program)) {
            sysInfoPath = program;
            found = true;
        }
    }
#ifndef Q_OS_WIN
    // No such registry here: the desktop's own viewer, if one is installed.
    if (!found) {
        for (const QString &name : fallbackViewers()) {
            const QString program = QStandardPaths::findExecutable(name);
            if (!program.isEmpty()) {
                sysInfoPath = program;
                found = true;
                break;
            }
        }
    }
#endif
    if (found && startProgram(sysInfoPath))
        return;
    Messages::inform(unavailableText(), Messages::Icon::None, Messages::applicationTitle());
}
