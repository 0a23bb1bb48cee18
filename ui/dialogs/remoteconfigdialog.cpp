#include "remoteconfigdialog.h"

#include "design.h"
#include "mainwindow.h"
#include "messages.h"
#include "paths.h"
#include "setfileaccess.h"

#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPushButton>

#include <chrono>
#include <cmath>
#include <random>

Q_LOGGING_CATEGORY(lcRemoteConfig, "lumo.remoteconfig")

namespace {

// A fresh generator for every draw, seeded from the clock and a counter so
// that two draws within one clock tick still differ.
double clockUniform()
{
    static quint64 counter = 0;
    const quint64 now = quint64(std::chrono::high_resolution_clock::now().time_since_epoch().count());
    ++counter;
    std::seed_seq seed{ quint32(now), quint32(now >> 32), quint32(counter), quint32(counter >> 32) };
    std::mt19937_64 generator(seed);
    // 53 random bits give a double in [0, 1) that can never round up to 1.
    return double(generator() >> 11) * 0x1.0p-53;
}

RemoteConfigDialog::RandomSource &randomSource()
{
    static RemoteConfigDialog::RandomSource source;
    return source;
}

double drawUniform()
{
    const auto &source = randomSource();
    return source ? source() : clockUniform();
}

QString remoteName(int r)
{
    return QStringLiteral("The name of remote %1").arg(r);
}

} // namespace

RemoteConfigDialog::RemoteConfigDialog(MainWindow *mainWindow)
    : DesignWindow(mainWindow)
    , m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Remote Configuration"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/editor.png")));
    setFont(Design::font());
    setFixedSize(Design::px(4170), Design::px(3195));
    buildControls();

    // The main window goes away only when the program ends; take the
    // dialog with it rather than leave it working on nothing.
    if (mainWindow)
        connect(mainWindow, &QObject::destroyed, this, &QWidget::close);

    // Load step (the main window is already disabled).
    if (m_mainWindow)
        m_fileName->setText(m_mainWindow->setFilePath());
    fillFromFile();
}

RemoteConfigDialog::~RemoteConfigDialog() = default;

QPointer<RemoteConfigDialog> &RemoteConfigDialog::instance()
{
    static QPointer<RemoteConfigDialog> dialog;
    return dialog;
}

RemoteConfigDialog::RandomSource RemoteConfigDialog::setRandomSource(RandomSource source)
{
    RandomSource previous = std::move(randomSource());
    randomSource() = std::move(source);
    return previous;
}

int RemoteConfigDialog::setNumberFrom(double u)
{
    if (!(u >= 0.0)) // also NaN
        return 0;
    const double n = std::floor(u * (Paths::MaxSetNumber + 1));
    return n > Paths::MaxSetNumber ? Paths::MaxSetNumber : int(n);
}

void RemoteConfigDialog::buildControls()
{
    // Created in tab order, so the focus chain follows the form.
    auto field = [this](const char *name, int l, int t, int w, int h) {
        auto *e = new QLineEdit(this);
        Design::place(e, name, l, t, w, h);
        return e;
    };
    auto button = [this](const char *name, const QString &caption, int l) {
        auto *b = new QPushButton(caption, this);
        Design::place(b, name, l, 2280, 735, 375);
        // Enter presses the button that has the focus, as Space does.
        b->setAutoDefault(true);
        return b;
    };
    auto label = [this](const char *name, const QString &caption, int l, int t, int w) {
        auto *lbl = new QLabel(caption, this);
        Design::place(lbl, name, l, t, w, 195);
        lbl->setFont(Design::font(8.25, true));
        return lbl;
    };

    m_name1 = field("Text1", 1920, 720, 1935, 285);
    m_name2 = field("Text2", 1920, 1200, 1935, 285);
    m_name3 = field("Text3", 1920, 1680, 1935, 285);
    QPushButton *save = button("Command1", QStringLiteral("Save"), 480);
    QPushButton *done = button("Command3", QStringLiteral("Done"), 1680);
    QPushButton *loadButton = button("Command2", QStringLiteral("Load"), 2880);
    label("Label1", QStringLiteral("Remote 1 Caption:"), 240, 720, 1590);
    label("Label2", QStringLiteral("Remote 2 Caption:"), 240, 1200, 1590);
    label("Label3", QStringLiteral("Remote 3 Caption:"), 240, 1680, 1590);
    label("Label4", QStringLiteral("Filename:"), 240, 240, 825);
    m_fileName = field("Text4", 1440, 240, 2415, 285);

    setTabOrder(m_name1, m_name2);
    setTabOrder(m_name2, m_name3);
    setTabOrder(m_name3, save);
    setTabOrder(save, done);
    setTabOrder(done, loadButton);
    setTabOrder(loadButton, m_fileName);

    connect(save, &QPushButton::clicked, this, &RemoteConfigDialog::save);
    connect(loadButton, &QPushButton::clicked, this, &RemoteConfigDialog::load);
    connect(done, &QPushButton::clicked, this, &DesignWindow::unload);
}

void RemoteConfigDialog::fillFromFile()
{
    const QString path = m_fileName->text();
    if (!FileExists(path))
        return;
    const auto header = SetFileAccess::readHeader(path);
    if (!header)
        return;
    m_name1->setText(header->remoteNames.at(0));
    m_name2->setText(header->remoteNames.at(1));
    m_name3->setText(header->remoteNames.at(2));
}

void RemoteConfigDialog::save()
{
    if (!m_mainWindow)
        return;
    const QString path = m_fileName->text();
    const QStringList names = { m_name1->text(), m_name2->text(), m_name3->text() };

    // Everything is checked and written before the main window changes, so
    // a save that fails leaves the program as it was.
    const QList<QPair<int, RecordValue>> records = {
        { RemoteSetFile::RemoteCountRecord, RecordValue::fromText(QStringLiteral("3")) },
        { RemoteSetFile::remoteNameRecord(1), RecordValue::fromText(names.at(0)) },
        { RemoteSetFile::remoteNameRecord(2), RecordValue::fromText(names.at(1)) },
        { RemoteSetFile::remoteNameRecord(3), RecordValue::fromText(names.at(2)) },
    };
    if (!SetFileAccess::save(
            path, records,
            { QStringLiteral("The remote count"), remoteName(1), remoteName(2), remoteName(3) }))
        return;
    m_mainWindow->setRemoteCaptions(names);

    // Only a set without a number gets one; an empty or unreadable number
    // counts as none.
    int current = 0;
    if (!Paths::parseSetNumber(m_mainWindow->setNumberText(), &current) || current == 0)
        giveSetNumber(path);
}

// Draws a set number, creates its folder, writes it as record 5 and puts it
// into the main window. A number whose folder already exists belongs to
// another set and is drawn again; 0 ("no folder yet") may reuse its folder,
// as nothing is ever recorded into it. On failure the user is told, and
// neither record 5 nor the main window's number changes.
void RemoteConfigDialog::giveSetNumber(const QString &path)
{
    int number = -1;
    for (int draw = 0; draw < MaxDraws && number < 0; ++draw) {
        const int n = setNumberFrom(drawUniform());
        const QString folder = Paths::setFolder(QString::number(n));
        if (n == 0 ? (DirExists(folder) && !QFileInfo(folder).isDir()) : DirExists(folder))
            continue;
        number = n;
    }
    if (number < 0) {
        Messages::inform(QStringLiteral("No free set number was found: every number drawn already has a "
                                        "folder in \"%1\". The remote names were saved, but the set has "
                                        "no number yet; save again to draw once more.")
                             .arg(QDir::toNativeSeparators(Paths::dataFolder())),
                         Messages::Icon::Error);
        return;
    }

    const QString text = QString::number(number);
    const QString folder = Paths::setFolder(text);
    bool created = false;
    if (!QFileInfo(folder).isDir()) {
        // The data folder is made at start-up; make it again if it has gone.
        const QString data = Paths::dataFolder();
        if (!QFileInfo(data).isDir() && !QDir().mkdir(data))
            qCWarning(lcRemoteConfig) << "could not make the data folder" << data;
        created = QDir().mkdir(folder);
        if (!created) {
            Messages::inform(QStringLiteral("The set folder \"%1\" could not be created. The remote names "
                                            "were saved, but the set has no number yet.")
                                 .arg(QDir::toNativeSeparators(folder)),
                             Messages::Icon::Error);
            return;
        }
    }

    const FileError error = RemoteSetFile::writeRecords(
        path, { { RemoteSetFile::SetNumberRecord, RecordValue::fromNumber(number) } });
    if (error) {
        if (created && !QDir().rmdir(folder))
            qCWarning(lcRemoteConfig) << "could not remove the set folder again" << folder;
        Messages::inform(error.message() + QStringLiteral("\nThe set number was not saved."),
                         Messages::Icon::Error);
        return;
    }
    m_mainWindow->setSetNumberText(text);
}

void RemoteConfigDialog::load()
{
    if (!m_mainWindow)
        return;
    const QString path = m_fileName->text();
    if (!FileExists(path)) {
        Messages::inform(QStringLiteral("File specified does not exist"));
        return;
    }
    const auto header = SetFileAccess::readHeader(path);
    if (!header)
        return;
    m_mainWindow->setSetNumberText(Paths::setNumberText(header->setNumber));
    m_name1->setText(header->remoteNames.at(0));
    m_name2->setText(header->remoteNames.at(1));
    m_name3->setText(header->remoteNames.at(2));
    m_mainWindow->setRemoteCaptions(header->remoteNames);
}
