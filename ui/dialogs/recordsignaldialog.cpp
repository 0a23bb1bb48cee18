#include "recordsignaldialog.h"

#include "design.h"
#include "mainwindow.h"
#include "messages.h"
#include "paths.h"
#include "recordcommand.h"
#include "recordwaitdialog.h"
#include "setfileaccess.h"

#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace {

// The one Form5.
QPointer<RecordSignalDialog> g_recordSignalDialog;

struct Place
{
    const char *name;
    int left, top;
};

// The twelve buttons.
constexpr Design::Grid kButtonGrid = { 480, 1440, 1200, 480 };

// The remote choices, inside Picture1.
constexpr Place kOptions[3] = { { "Option1", 120, 0 }, { "Option2", 720, 0 }, { "Option3", 1320, 0 } };

} // namespace

RecordSignalDialog::RecordSignalDialog(MainWindow *mainWindow)
    : DesignWindow(mainWindow)
    , m_mainWindow(mainWindow)
{
    buildControls();

    // Load: the main window is disabled (DesignWindow) and the buttons
    // start with the main window's captions. No remote is chosen here.
    if (m_mainWindow) {
        m_buttons.setCaptions(m_mainWindow->buttonCaptions());
    }
}

RecordSignalDialog::~RecordSignalDialog() = default;

void RecordSignalDialog::buildControls()
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Record Signal"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/record.png")));
    setFont(Design::font());
    resize(Design::px(4215), Design::px(4140));

    m_label1 = new QLabel(QStringLiteral("Click on the button to assing to an IR signal"), this);
    Design::place(m_label1, "Label1", 720, 120, 3015, 615);
    m_label1->setFont(Design::font(12, true));
    m_label1->setWordWrap(true);
    m_label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_label2 = new QLabel(QStringLiteral("Remote:"), this);
    Design::place(m_label2, "Label2", 240, 960, 720, 195);
    m_label2->setFont(Design::font(8.25, true));
    m_label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_picture1 = new QFrame(this);
    Design::place(m_picture1, "Picture1", 1320, 960, 2535, 255);
    m_picture1->setFrameShape(QFrame::NoFrame);
    m_picture1->setFocusPolicy(Qt::NoFocus);

    // The three choices form one group through their common container.
    // Only a click (or the opener, through chooseRemote) selects one:
    // getting the focus does not.
    for (int r = 1; r <= 3; ++r) {
        auto *option = new QRadioButton(QString::number(r), m_picture1);
        Design::place(option, kOptions[r - 1].name, kOptions[r - 1].left, kOptions[r - 1].top, 495, 255);
        option->setAutoExclusive(true);
        option->setChecked(false);
        connect(option, &QRadioButton::clicked, this, [this, r] { optionClicked(r); });
        m_options[r - 1] = option;
    }

    m_buttons.build(this, kButtonGrid, [this](const QString &number) { rrecord(number); });

    m_done = new QPushButton(QStringLiteral("Done"), this);
    Design::place(m_done, "Command1", 1560, 3480, 1095, 375);
    // Enter presses the button that has the focus, as Space does.
    m_done->setAutoDefault(true);
    m_done->setDefault(false);
    connect(m_done, &QPushButton::clicked, this, &DesignWindow::unload);

    // Tab order: Option1, Option2, (Picture1), Option3, B1 ... b12, Done.
    QList<QWidget *> order = { m_options[0], m_options[1], m_options[2] };
    for (int n = 1; n <= 12; ++n)
        order.append(m_buttons.button(n));
    order.append(m_done);
    for (int i = 1; i < order.size(); ++i)
        setTabOrder(order.at(i - 1), order.at(i));
}

RecordSignalDialog *RecordSignalDialog::instance()
{
    // One that has unloaded is only waiting to be destroyed.
    return (g_recordSignalDialog && g_recordSignalDialog->isLoaded()) ? g_recordSignalDialog.data() : nullptr;
}

RecordSignalDialog *RecordSignalDialog::load(MainWindow *mainWindow)
{
    if (!instance())
        g_recordSignalDialog = new RecordSignalDialog(mainWindow);
    return g_recordSignalDialog;
}

void RecordSignalDialog::showDialog()
{
    QPointer<RecordSignalDialog> self(this);
    DesignWindow::openSingle(self, m_mainWindow.data());
}

QRadioButton *RecordSignalDialog::option(int r) const
{
    return (r >= 1 && r <= 3) ? m_options[r - 1] : nullptr;
}

QPushButton *RecordSignalDialog::button(int n) const
{
    return m_buttons.button(n);
}

QStringList RecordSignalDialog::buttonCaptions() const
{
    return m_buttons.captions();
}

int RecordSignalDialog::chosenRemote() const
{
    for (int r = 1; r <= 3; ++r) {
        if (m_options[r - 1]->isChecked())
            return r;
    }
    return 0;
}

void RecordSignalDialog::chooseRemote(int r)
{
    QRadioButton *choice = option(r);
    if (!choice)
        return;
    choice->setChecked(true);
    optionClicked(r);
}

void RecordSignalDialog::optionClicked(int r)
{
    if (!m_mainWindow)
        return;
    const QString path = m_mainWindow->setFilePath();
    if (!FileExists(path))
        return;

    // Every record is read before any caption changes.
    const auto captions = SetFileAccess::readCaptions(path, r);
    if (!captions)
        return;
    m_buttons.setCaptions(*captions);
}

void RecordSignalDialog::rrecord(const QString &bbuton)
{
    const int r = chosenRemote();
    if (r == 0 || !m_mainWindow)
        return;
    RecordCommand(Paths::irCommandFile(m_mainWindow->setNumberText(), QString::number(r), bbuton));
}

bool RecordSignalDialog::canUnload() const
{
    return RecordWaitDialog::instance() == nullptr;
}
