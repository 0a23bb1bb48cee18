#include "codedialogs.h"

#include "design.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

QString codeFileFilter()
{
    return QStringLiteral("IR code files (*.ir *.txt *.conf *.cfg *.csv *.json *.lmc);;All files (*)");
}

QString droppedFile(const QMimeData *mime)
{
    if (!mime || mime->urls().size() != 1 || !mime->urls().constFirst().isLocalFile())
        return QString();
    return mime->urls().constFirst().toLocalFile();
}

void tryCodeFrom(QPushButton *button, const CodeImport::Code &code)
{
    QPointer<QPushButton> guard(button);
    button->setEnabled(false);
    CodeImport::tryCode(code);
    if (guard)
        guard->setEnabled(true);
}

namespace {

// OK and Cancel, with Try at the left.
QDialogButtonBox *dialogButtons(QDialog *dialog, QPushButton **tryButton, QPushButton **ok)
{
    auto *box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    *ok = box->button(QDialogButtonBox::Ok);
    (*ok)->setObjectName(QStringLiteral("ok"));
    *tryButton = box->addButton(QStringLiteral("&Try"), QDialogButtonBox::ActionRole);
    (*tryButton)->setObjectName(QStringLiteral("try"));
    (*tryButton)->setToolTip(QStringLiteral("Send the code through the IR device now"));
    QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return box;
}

} // namespace

CodePickerDialog::CodePickerDialog(const CodeImport::CodeFile &file, QWidget *parent)
    : QDialog(parent)
    , m_file(file)
{
    setObjectName(QStringLiteral("PickCode"));
    setWindowTitle(QStringLiteral("Pick Code"));
    setFont(Design::font());
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("%1 holds %2 codes (%3). Pick the one the button gets:")
                                     .arg(QFileInfo(file.path).fileName())
                                     .arg(file.codes.size())
                                     .arg(file.form),
                                 this));
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("codes"));
    for (int i = 0; i < file.codes.size(); ++i)
        m_list->addItem(file.displayName(i) + QStringLiteral("  \u2014  ") + file.codes.at(i).description());
    layout->addWidget(m_list);
    layout->addWidget(dialogButtons(this, &m_try, &m_ok));
    connect(m_try, &QPushButton::clicked, this, [this] { tryCodeFrom(m_try, currentCode()); });
    connect(m_list, &QListWidget::itemActivated, this, &QDialog::accept);
    setCurrentIndex(0);
    resize(Design::px(6000), Design::px(4800));
}

int CodePickerDialog::currentIndex() const
{
    return m_list->currentRow();
}

void CodePickerDialog::setCurrentIndex(int i)
{
    m_list->setCurrentRow(i);
}

CodeImport::Code CodePickerDialog::currentCode() const
{
    const int i = currentIndex();
    return i >= 0 && i < m_file.codes.size() ? m_file.codes.at(i) : CodeImport::Code();
}

CodeEntryDialog::CodeEntryDialog(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("EnterCode"));
    setWindowTitle(QStringLiteral("Enter Code"));
    setFont(Design::font());
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    m_protocol = new QComboBox(this);
    m_protocol->setObjectName(QStringLiteral("protocol"));
    m_protocol->addItems(CodeImport::protocolNames());
    form->addRow(QStringLiteral("&Protocol:"), m_protocol);
    m_scancode = new QLineEdit(this);
    m_scancode->setObjectName(QStringLiteral("scancode"));
    m_scancode->setPlaceholderText(QStringLiteral("0x40bf or 16575"));
    form->addRow(QStringLiteral("&Scancode:"), m_scancode);
    layout->addLayout(form);
    m_result = new QLabel(this);
    m_result->setObjectName(QStringLiteral("result"));
    m_result->setWordWrap(true);
    layout->addWidget(m_result);
    layout->addWidget(dialogButtons(this, &m_try, &m_ok));
    connect(m_try, &QPushButton::clicked, this, [this] {
        if (m_code)
            tryCodeFrom(m_try, *m_code);
    });
    connect(m_protocol, &QComboBox::currentTextChanged, this, &CodeEntryDialog::update);
    connect(m_scancode, &QLineEdit::textChanged, this, &CodeEntryDialog::update);
    update();
    resize(Design::px(5400), sizeHint().height());
}

void CodeEntryDialog::setCommand(const QString &protocol, const QString &scancode)
{
    m_protocol->setCurrentText(protocol);
    m_scancode->setText(scancode);
}

void CodeEntryDialog::update()
{
    QString error = QStringLiteral("Type the scancode in hex (0x40bf) or in decimal (16575).");
    m_code = m_scancode->text().trimmed().isEmpty()
        ? std::nullopt
        : CodeImport::codeFromCommand(m_protocol->currentText(), m_scancode->text(), &error);
    m_result->setText(m_code ? QStringLiteral("Sends %1").arg(m_code->description()) : error);
    m_try->setEnabled(m_code.has_value());
    m_ok->setEnabled(m_code.has_value());
}
