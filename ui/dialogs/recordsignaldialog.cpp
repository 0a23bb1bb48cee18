#include "recordsignaldialog.h"

#include "codedialogs.h"
#include "codeimport.h"
#include "design.h"
#include "filechooser.h"
#include "ircommandfile.h"
#include "mainwindow.h"
#include "messages.h"
#include "paths.h"
#include "recordcommand.h"
#include "recordwaitdialog.h"
#include "setfileaccess.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>

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

// The forms Export Code... saves in, as its save dialog offers them.
struct ExportChoice
{
    const char *filter;
    const char *suffix;
    CodeImport::ExportForm form;
};
constexpr ExportChoice kExportChoices[] = {
    { "Flipper IR file (*.ir)", ".ir", CodeImport::ExportForm::Flipper },
    { "Pronto hex (*.txt)", ".txt", CodeImport::ExportForm::Pronto },
    { "IR command file, mode2 (*.lmc)", ".lmc", CodeImport::ExportForm::Mode2 },
};

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
    // On top of a click: a context menu and file drops on every button.
    for (int n = 1; n <= 12; ++n) {
        QPushButton *b = m_buttons.button(n);
        b->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(b, &QWidget::customContextMenuRequested, this,
                [this, b, n](const QPoint &at) { buttonMenu(n)->popup(b->mapToGlobal(at)); });
        b->setAcceptDrops(true);
        b->installEventFilter(this);
    }

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
    // The tips follow the choice, whatever the set file holds.
    refreshButtonTips();
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

QString RecordSignalDialog::irCommandFile(int n) const
{
    const int r = chosenRemote();
    if (r == 0 || n < 1 || n > 12 || !m_mainWindow
        || !Paths::parseSetNumber(m_mainWindow->setNumberText(), nullptr))
        return QString();
    return Paths::irCommandFile(m_mainWindow->setNumberText(), QString::number(r), QString::number(n));
}

void RecordSignalDialog::refreshButtonTips()
{
    for (int n = 1; n <= 12; ++n) {
        const QString path = irCommandFile(n);
        m_buttons.button(n)->setToolTip(path.isEmpty() ? QString() : describeIrCommandFile(path));
    }
}

QMenu *RecordSignalDialog::buttonMenu(int n)
{
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const bool chosen = !irCommandFile(n).isEmpty();
    auto item = [menu](const char *name, const QString &text, bool enabled) {
        QAction *action = menu->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        action->setEnabled(enabled);
        return action;
    };
    connect(item("importCode", QStringLiteral("&Import Code\u2026"), chosen), &QAction::triggered, this,
            [this, n] { importCode(n); });
    connect(item("enterCode", QStringLiteral("&Enter Code\u2026"), chosen), &QAction::triggered, this,
            [this, n] { enterCode(n); });
    connect(item("exportCode", QStringLiteral("E&xport Code\u2026"), FileExists(irCommandFile(n))),
            &QAction::triggered, this, [this, n] { exportCode(n); });
    return menu;
}

void RecordSignalDialog::importCode(int n, const QString &codeFile)
{
    if (irCommandFile(n).isEmpty())
        return;
    QString path = codeFile;
    if (path.isEmpty()) {
        FileChooser::Request request;
        request.parent = this;
        request.title = QStringLiteral("Import Code");
        request.filter = codeFileFilter();
        path = FileChooser::getOpenFileName(request);
        if (path.isEmpty())
            return;
    }
    const CodeImport::CodeFile file = CodeImport::readCodeFile(path);
    if (!file.error.isEmpty()) {
        Messages::inform(file.error, Messages::Icon::Error);
        return;
    }
    if (file.codes.size() == 1) {
        keepCode(n, file.codes.first(), file.origin(0));
        return;
    }
    auto *picker = new CodePickerDialog(file, this);
    connect(picker, &QDialog::accepted, this, [this, picker, file, n] {
        if (picker->currentIndex() >= 0)
            keepCode(n, picker->currentCode(), file.origin(picker->currentIndex()));
    });
    connect(picker, &QDialog::finished, picker, &QObject::deleteLater);
    picker->open();
}

void RecordSignalDialog::enterCode(int n)
{
    if (irCommandFile(n).isEmpty())
        return;
    auto *entry = new CodeEntryDialog(this);
    connect(entry, &QDialog::accepted, this, [this, entry, n] {
        if (const auto code = entry->code())
            keepCode(n, *code, CodeImport::commandOrigin(*code));
    });
    connect(entry, &QDialog::finished, entry, &QObject::deleteLater);
    entry->open();
}

void RecordSignalDialog::exportCode(int n)
{
    const QString source = irCommandFile(n);
    if (!FileExists(source))
        return;
    QStringList filters;
    for (const ExportChoice &c : kExportChoices)
        filters.append(QString::fromLatin1(c.filter));
    QString filter = filters.first();
    FileChooser::Request request;
    request.parent = this;
    request.title = QStringLiteral("Export Code");
    request.filter = filters.join(QStringLiteral(";;"));
    request.selectedFilter = &filter;
    const QString caption = m_buttons.button(n)->text();
    // A name for the file from the caption, when it makes one.
    QString name = caption;
    name.replace(QRegularExpression(QStringLiteral("[\\\\/:*?\"<>|]")), QStringLiteral("_"));
    request.directory = Paths::currentDir() + QLatin1Char('/')
        + (name.trimmed().isEmpty() ? QFileInfo(source).completeBaseName() : name.trimmed());
    QString target = FileChooser::getSaveFileName(request);
    if (target.isEmpty())
        return;
    const ExportChoice *choice = &kExportChoices[0];
    for (const ExportChoice &c : kExportChoices) {
        if (filter == QLatin1String(c.filter))
            choice = &c;
    }
    if (QFileInfo(target).suffix().isEmpty())
        target += QLatin1String(choice->suffix);
    const QString error = CodeImport::exportIrCommandFile(
        source, target, choice->form, caption.isEmpty() ? QStringLiteral("Button %1").arg(n) : caption);
    if (!error.isEmpty())
        Messages::inform(error, Messages::Icon::Error);
}

void RecordSignalDialog::keepCode(int n, const CodeImport::Code &code, const QString &origin)
{
    const QString path = irCommandFile(n);
    if (path.isEmpty() || code.isNull() || !MayOverwrite(path))
        return;
    const QString error = CodeImport::writeIrCommandFile(path, code, origin);
    if (!error.isEmpty())
        Messages::inform(error + QStringLiteral("\nThe button keeps what it held."), Messages::Icon::Error);
    refreshButtonTips();
    if (m_mainWindow)
        m_mainWindow->refreshButtonTips();
}

bool RecordSignalDialog::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return DesignWindow::eventFilter(watched, event);
    int n = 1;
    while (n <= 12 && m_buttons.button(n) != watched)
        ++n;
    auto *drop = static_cast<QDropEvent *>(event);
    const QString file = droppedFile(drop->mimeData());
    if (n > 12 || file.isEmpty() || irCommandFile(n).isEmpty()) {
        drop->ignore();
        return true;
    }
    drop->acceptProposedAction();
    if (type == QEvent::Drop)
        importCode(n, file);
    return true;
}

bool RecordSignalDialog::canUnload() const
{
    return RecordWaitDialog::instance() == nullptr;
}
