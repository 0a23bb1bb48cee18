#include "remoteimportdialog.h"

#include "codedialogs.h"
#include "design.h"
#include "filechooser.h"
#include "mainwindow.h"
#include "messages.h"
#include "paths.h"
#include "setfileaccess.h"

#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum Column { CodeColumn, CaptionColumn, SignalColumn };

QString noCode()
{
    return QStringLiteral("(none: keeps what it has)");
}

// "1, 2 and 5".
QString listed(const QList<int> &numbers)
{
    QStringList texts;
    for (int n : numbers)
        texts.append(QString::number(n));
    const QString last = texts.takeLast();
    return texts.isEmpty() ? last : texts.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
}

} // namespace

RemoteImportDialog::RemoteImportDialog(MainWindow *mainWindow)
    : DesignWindow(mainWindow)
    , m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("ImportRemote"));
    setWindowTitle(QStringLiteral("Import Remote"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/record.png")));
    setFont(Design::font());
    setAcceptDrops(true);
    buildControls();
    if (mainWindow)
        connect(mainWindow, &QObject::destroyed, this, &QWidget::close);
    const int current = m_mainWindow ? m_mainWindow->currentRemote() : 0;
    setRemote(current ? current : 1);
    updateButtons();
    resize(Design::px(9000), Design::px(7800));
}

RemoteImportDialog::~RemoteImportDialog() = default;

QPointer<RemoteImportDialog> &RemoteImportDialog::instance()
{
    static QPointer<RemoteImportDialog> dialog;
    return dialog;
}

void RemoteImportDialog::buildControls()
{
    auto *layout = new QVBoxLayout(this);
    auto *grid = new QGridLayout;
    layout->addLayout(grid);

    grid->addWidget(new QLabel(QStringLiteral("Code file:"), this), 0, 0);
    m_fileName = new QLineEdit(this);
    m_fileName->setObjectName(QStringLiteral("fileName"));
    m_fileName->setReadOnly(true);
    m_fileName->setPlaceholderText(
        QStringLiteral("a Flipper .ir file, a lircd.conf, a CSV ... (or drop one here)"));
    grid->addWidget(m_fileName, 0, 1);
    auto *choose = new QPushButton(QStringLiteral("&Choose\u2026"), this);
    choose->setObjectName(QStringLiteral("chooseFile"));
    connect(choose, &QPushButton::clicked, this, &RemoteImportDialog::chooseFile);
    grid->addWidget(choose, 0, 2);

    grid->addWidget(new QLabel(QStringLiteral("Remote:"), this), 1, 0);
    auto *remoteRow = new QHBoxLayout;
    for (int r = 1; r <= 3; ++r) {
        m_remotes[r - 1] = new QRadioButton(QString::number(r), this);
        m_remotes[r - 1]->setObjectName(QStringLiteral("remote%1").arg(r));
        connect(m_remotes[r - 1], &QRadioButton::clicked, this, [this, r] { setRemote(r); });
        remoteRow->addWidget(m_remotes[r - 1]);
    }
    remoteRow->addWidget(new QLabel(QStringLiteral("  Name:"), this));
    m_remoteName = new QLineEdit(this);
    m_remoteName->setObjectName(QStringLiteral("remoteName"));
    remoteRow->addWidget(m_remoteName, 1);
    grid->addLayout(remoteRow, 1, 1, 1, 2);

    m_table = new QTableWidget(12, 3, this);
    m_table->setObjectName(QStringLiteral("buttons"));
    m_table->setHorizontalHeaderLabels(
        { QStringLiteral("Code"), QStringLiteral("Caption"), QStringLiteral("Signal") });
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->horizontalHeader()->setSectionResizeMode(SignalColumn, QHeaderView::Stretch);
    m_table->setColumnWidth(CodeColumn, Design::px(2700));
    m_table->setColumnWidth(CaptionColumn, Design::px(1800));
    for (int n = 1; n <= 12; ++n) {
        m_table->setVerticalHeaderItem(n - 1, new QTableWidgetItem(QStringLiteral("Button %1").arg(n)));
        auto *box = new QComboBox(m_table);
        box->setObjectName(QStringLiteral("code%1").arg(n));
        connect(box, &QComboBox::activated, this, [this, n] { codeChosen(n); });
        m_table->setCellWidget(n - 1, CodeColumn, box);
        m_table->setItem(n - 1, CaptionColumn, new QTableWidgetItem);
        m_table->setItem(n - 1, SignalColumn, new QTableWidgetItem);
        m_table->item(n - 1, SignalColumn)->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    }
    connect(m_table, &QTableWidget::currentCellChanged, this, &RemoteImportDialog::updateButtons);
    layout->addWidget(m_table, 1);

    m_status = new QLabel(QStringLiteral("Choose a code file. A button left without a code keeps its caption "
                                         "and its signal."),
                          this);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setWordWrap(true);
    layout->addWidget(m_status);

    auto *buttons = new QHBoxLayout;
    auto button = [this, buttons](const char *name, const QString &text) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(true);
        buttons->addWidget(b);
        return b;
    };
    m_up = button("moveUp", QStringLiteral("&Up"));
    m_down = button("moveDown", QStringLiteral("&Down"));
    m_try = button("try", QStringLiteral("&Try"));
    m_try->setToolTip(QStringLiteral("Send the selected button's code through the IR device now"));
    buttons->addStretch(1);
    m_import = button("import", QStringLiteral("&Import"));
    QPushButton *done = button("done", QStringLiteral("Done"));
    layout->addLayout(buttons);
    connect(m_up, &QPushButton::clicked, this, [this] {
        const int n = currentButton();
        swapButtons(n, n - 1);
        setCurrentButton(n - 1);
    });
    connect(m_down, &QPushButton::clicked, this, [this] {
        const int n = currentButton();
        swapButtons(n, n + 1);
        setCurrentButton(n + 1);
    });
    connect(m_try, &QPushButton::clicked, this, &RemoteImportDialog::tryCurrent);
    connect(m_import, &QPushButton::clicked, this, &RemoteImportDialog::import);
    connect(done, &QPushButton::clicked, this, &DesignWindow::unload);
}

QComboBox *RemoteImportDialog::codeBox(int n) const
{
    return qobject_cast<QComboBox *>(m_table->cellWidget(n - 1, CodeColumn));
}

bool RemoteImportDialog::loadFile(const QString &path)
{
    CodeImport::CodeFile file = CodeImport::readCodeFile(path);
    if (!file.error.isEmpty()) {
        Messages::inform(file.error, Messages::Icon::Error);
        return false;
    }
    m_file = std::move(file);
    m_fileName->setText(QDir::toNativeSeparators(path));
    QStringList names{ noCode() };
    m_descriptions.clear();
    for (int i = 0; i < m_file.codes.size(); ++i) {
        names.append(m_file.displayName(i));
        m_descriptions.append(m_file.codes.at(i).description());
    }
    for (int n = 1; n <= 12; ++n) {
        QComboBox *box = codeBox(n);
        box->clear();
        box->addItems(names);
        for (int i = 0; i < m_file.codes.size(); ++i)
            box->setItemData(i + 1, m_descriptions.at(i), Qt::ToolTipRole);
        assign(n, n - 1 < m_file.codes.size() ? n - 1 : -1);
    }
    m_status->setText(
        QStringLiteral("%1 holds %2 codes (%3). The first twelve are on the buttons; pick another "
                       "code for any button, or none to keep what it has.")
            .arg(QFileInfo(path).fileName())
            .arg(m_file.codes.size())
            .arg(m_file.form));
    setCurrentButton(1);
    updateButtons();
    return true;
}

void RemoteImportDialog::chooseFile()
{
    FileChooser::Request request;
    request.parent = this;
    request.title = QStringLiteral("Open Code File");
    request.filter = codeFileFilter();
    const QString path = FileChooser::getOpenFileName(request);
    if (!path.isEmpty())
        loadFile(path);
}

int RemoteImportDialog::remote() const
{
    for (int r = 1; r <= 3; ++r) {
        if (m_remotes[r - 1]->isChecked())
            return r;
    }
    return 1;
}

void RemoteImportDialog::setRemote(int r)
{
    if (r < 1 || r > 3)
        return;
    m_remotes[r - 1]->setChecked(true);
    QString name;
    const QString setFile = m_mainWindow ? m_mainWindow->setFilePath() : QString();
    if (FileExists(setFile)) {
        if (const auto header = SetFileAccess::readHeader(setFile))
            name = header->remoteNames.value(r - 1);
    }
    m_remoteName->setText(name);
}

int RemoteImportDialog::assignment(int n) const
{
    return codeBox(n)->currentIndex() - 1;
}

void RemoteImportDialog::assign(int n, int code)
{
    codeBox(n)->setCurrentIndex(code >= 0 && code < m_file.codes.size() ? code + 1 : 0);
    codeChosen(n);
}

void RemoteImportDialog::codeChosen(int n)
{
    const int code = assignment(n);
    QTableWidgetItem *caption = m_table->item(n - 1, CaptionColumn);
    caption->setText(code >= 0 ? m_file.displayName(code) : QString());
    // Only a button that gets a code gets a caption.
    caption->setFlags(code >= 0 ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable
                                : Qt::ItemIsSelectable);
    m_table->item(n - 1, SignalColumn)
        ->setText(code >= 0 ? m_descriptions.at(code) : QStringLiteral("kept as it is"));
    updateButtons();
}

QString RemoteImportDialog::caption(int n) const
{
    return m_table->item(n - 1, CaptionColumn)->text();
}

void RemoteImportDialog::setCaption(int n, const QString &caption)
{
    m_table->item(n - 1, CaptionColumn)->setText(caption);
}

void RemoteImportDialog::swapButtons(int n, int m)
{
    if (n < 1 || n > 12 || m < 1 || m > 12)
        return;
    const int codeN = assignment(n);
    const QString captionN = caption(n);
    const int codeM = assignment(m);
    const QString captionM = caption(m);
    assign(n, codeM);
    setCaption(n, captionM);
    assign(m, codeN);
    setCaption(m, captionN);
}

int RemoteImportDialog::currentButton() const
{
    return m_table->currentRow() + 1;
}

void RemoteImportDialog::setCurrentButton(int n)
{
    m_table->setCurrentCell(n - 1, CaptionColumn);
}

void RemoteImportDialog::updateButtons()
{
    const int n = currentButton();
    m_up->setEnabled(n > 1 && !m_file.codes.isEmpty());
    m_down->setEnabled(n >= 1 && n < 12 && !m_file.codes.isEmpty());
    m_try->setEnabled(n >= 1 && assignment(n) >= 0);
    bool any = false;
    for (int b = 1; b <= 12; ++b)
        any |= assignment(b) >= 0;
    m_import->setEnabled(any);
}

void RemoteImportDialog::tryCurrent()
{
    const int n = currentButton();
    if (n >= 1 && assignment(n) >= 0)
        tryCodeFrom(m_try, m_file.codes.at(assignment(n)));
}

bool RemoteImportDialog::import()
{
    if (!m_mainWindow || !m_mainWindow->requireSetFolder())
        return false;
    const int r = remote();
    const QString setNumber = m_mainWindow->setNumberText();
    QList<CodeImport::ButtonCode> buttons;
    QList<int> taken;
    for (int n = 1; n <= 12; ++n) {
        const int code = assignment(n);
        if (code < 0)
            continue;
        buttons.append({ n, caption(n), m_file.codes.at(code), m_file.origin(code) });
        if (FileExists(Paths::irCommandFile(setNumber, QString::number(r), QString::number(n))))
            taken.append(n);
    }
    if (buttons.isEmpty())
        return false;
    if (!taken.isEmpty()) {
        Messages::Request question;
        question.text = QStringLiteral("%1 %2 of remote %3 already %4 a signal. Do you want to overwrite %5?")
                            .arg(taken.size() == 1 ? QStringLiteral("Button") : QStringLiteral("Buttons"),
                                 listed(taken))
                            .arg(r)
                            .arg(taken.size() == 1 ? QStringLiteral("has") : QStringLiteral("have"),
                                 taken.size() == 1 ? QStringLiteral("it") : QStringLiteral("them"));
        question.buttons = Messages::Buttons::YesNo;
        question.defaultButton = Messages::Answer::Yes;
        if (Messages::show(question) != Messages::Answer::Yes)
            return false;
    }

    const QString setFile = m_mainWindow->setFilePath();
    const QString name = m_remoteName->text();
    const CodeImport::ImportResult result = CodeImport::importRemote(setFile, setNumber, r, name, buttons);
    if (!result.ok()) {
        const bool tooLong = result.failure == CodeImport::ImportResult::Failure::TooLong;
        Messages::inform(result.text + QStringLiteral("\nNothing was imported."),
                         tooLong ? Messages::Icon::Warning : Messages::Icon::Error);
        return false;
    }

    // The main window shows the remote as after the editors' saves: its name
    // on the Remotes menu, and it becomes the current remote with the
    // captions the file now holds.
    QStringList names = m_mainWindow->remoteCaptions();
    names[r - 1] = name;
    m_mainWindow->setRemoteCaptions(names);
    m_mainWindow->setCurrentRemote(r);
    if (const auto captions = SetFileAccess::readCaptions(setFile, r))
        m_mainWindow->setButtonCaptions(*captions);
    m_status->setText(
        QStringLiteral("Remote %1 now holds the %2 codes assigned.").arg(r).arg(buttons.size()));
    return true;
}

void RemoteImportDialog::dragEnterEvent(QDragEnterEvent *event)
{
    if (!droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void RemoteImportDialog::dropEvent(QDropEvent *event)
{
    const QString file = droppedFile(event->mimeData());
    if (file.isEmpty())
        return;
    event->acceptProposedAction();
    loadFile(file);
}
