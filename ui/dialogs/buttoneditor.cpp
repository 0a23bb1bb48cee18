#include "buttoneditor.h"

#include "design.h"
#include "mainwindow.h"
#include "messages.h"
#include "paths.h"
#include "setfileaccess.h"

#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

// The caption fields, laid out like the main window's buttons.
constexpr Design::Grid kFieldGrid = { 120, 1200, 1560, 600 };

} // namespace

ButtonEditor::ButtonEditor(MainWindow *mainWindow)
    : DesignWindow(mainWindow)
    , m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Edit Buttons"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/editor.png")));
    setFont(Design::font());
    setFixedSize(Design::px(4575), Design::px(4365));
    buildControls();

    if (mainWindow)
        connect(mainWindow, &QObject::destroyed, this, &QWidget::close);

    // Load step (the main window is already disabled).
    reloadFile();
}

ButtonEditor::~ButtonEditor() = default;

QPointer<ButtonEditor> &ButtonEditor::instance()
{
    static QPointer<ButtonEditor> editor;
    return editor;
}

void ButtonEditor::buildControls()
{
    // The strip comes first so that its option buttons lead the focus
    // chain, as they lead the tab order.
    m_picture1 = new QFrame(this);
    Design::place(m_picture1, "Picture1", 1440, 720, 2535, 255);
    m_picture1->setFrameShape(QFrame::NoFrame);
    for (int r = 1; r <= 3; ++r) {
        auto *o = new QRadioButton(QString::number(r), m_picture1);
        const QByteArray name = "Option" + QByteArray::number(r);
        Design::place(o, name.constData(), 120 + 600 * (r - 1), 0, 495, 255);
        // Only a user's click reads the file; checking one from code reads nothing.
        connect(o, &QRadioButton::clicked, this, [this, r] { fill(r); });
        m_options[r - 1] = o;
    }
    m_options[0]->setChecked(true);

    for (int n = 1; n <= 12; ++n) {
        auto *e = new QLineEdit(QStringLiteral("Button %1").arg(n), this);
        Design::placeInGrid(e, n, kFieldGrid, 1095, 375);
        m_fields[n - 1] = e;
    }

    auto button = [this](const char *name, const QString &caption, int l) {
        auto *b = new QPushButton(caption, this);
        Design::place(b, name, l, 3720, 855, 375);
        // Enter presses the button that has the focus, as Space does.
        b->setAutoDefault(true);
        return b;
    };
    QPushButton *saveButton = button("Command1", QStringLiteral("Save"), 240);
    QPushButton *done = button("Command2", QStringLiteral("Done"), 1800);
    QPushButton *loadButton = button("Command3", QStringLiteral("Load"), 3360);

    m_fileName = new QLineEdit(this);
    Design::place(m_fileName, "Text10", 1560, 240, 2415, 285);

    auto label = [this](const char *name, const QString &caption, int l, int t, int w) {
        auto *lbl = new QLabel(caption, this);
        Design::place(lbl, name, l, t, w, 195);
        lbl->setFont(Design::font(8.25, true));
    };
    label("Label4", QStringLiteral("Filename:"), 360, 240, 825);
    label("Label1", QStringLiteral("Remote:"), 360, 720, 720);

    QList<QWidget *> order = { m_options[0], m_options[1], m_options[2] };
    for (QLineEdit *e : m_fields)
        order.append(e);
    order << saveButton << done << loadButton << m_fileName;
    for (int i = 1; i < order.size(); ++i)
        setTabOrder(order.at(i - 1), order.at(i));

    connect(saveButton, &QPushButton::clicked, this, &ButtonEditor::save);
    connect(done, &QPushButton::clicked, this, &DesignWindow::unload);
    connect(loadButton, &QPushButton::clicked, this, &ButtonEditor::reloadFile);
}

int ButtonEditor::selectedRemote() const
{
    for (int r = 1; r <= 3; ++r) {
        if (m_options[r - 1]->isChecked())
            return r;
    }
    return 0;
}

// Fills the fields with the captions of 'remote' from the file named in
// Text10; a missing file leaves them as they are.
void ButtonEditor::fill(int remote)
{
    const QString path = m_fileName->text();
    if (!FileExists(path))
        return;
    const auto captions = SetFileAccess::readCaptions(path, remote);
    if (!captions)
        return;
    for (int i = 0; i < 12; ++i)
        m_fields[i]->setText(captions->at(i));
}

void ButtonEditor::reloadFile()
{
    if (m_mainWindow)
        m_fileName->setText(m_mainWindow->setFilePath());
    fill(1);
}

void ButtonEditor::save()
{
    if (!m_mainWindow)
        return;
    const int r = selectedRemote();
    if (r == 0)
        return;
    const QString path = m_fileName->text();

    QStringList captions;
    QStringList names;
    QList<QPair<int, RecordValue>> records;
    const QList<int> numbers = RemoteSetFile::remoteRecords(r);
    for (int n = 1; n <= 12; ++n) {
        captions.append(m_fields[n - 1]->text());
        names.append(QStringLiteral("The caption of button %1").arg(n));
        records.append({ numbers.at(n - 1), RecordValue::fromText(captions.last()) });
    }

    // The file is written first: a save that fails changes nothing.
    if (!SetFileAccess::save(path, records, names))
        return;
    m_mainWindow->setCurrentRemote(r);
    m_mainWindow->setButtonCaptions(captions);
}
