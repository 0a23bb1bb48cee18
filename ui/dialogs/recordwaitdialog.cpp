#include "recordwaitdialog.h"

#include "design.h"
#include "mainwindow.h"
#include "recordsignaldialog.h"
#include "toolrunner.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

namespace {

// The one Form3.
QPointer<RecordWaitDialog> g_recordWaitDialog;

} // namespace

RecordWaitDialog::RecordWaitDialog()
    // No system menu and no minimize, maximize or close button.
    : DesignWindow(RecordSignalDialog::instance(), Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Waiting for User Input"));
    setFont(Design::font());
    resize(Design::px(4680), Design::px(2670));

    m_label1 = new QLabel(QStringLiteral("Waiting for a button to be pressed."), this);
    Design::place(m_label1, "Label1", 120, 360, 4275, 360);
    m_label1->setFont(Design::font(13.5));
    m_label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_label2 = new QLabel(
        QStringLiteral("Point your remote at the Lumo and press the button you want to assing to:"), this);
    Design::place(m_label2, "Label2", 600, 1200, 3495, 975);
    m_label2->setFont(Design::font(12));
    m_label2->setWordWrap(true);
    m_label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // The path to record into; never shown.
    m_recordPath = new QLineEdit(this);
    Design::place(m_recordPath, "Text1", 600, 2880, 2895, 285);
    m_recordPath->setVisible(false);

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(500);
    connect(m_timer1, &QTimer::timeout, this, &RecordWaitDialog::timer1Tick);
    m_timer1->start();
}

RecordWaitDialog::~RecordWaitDialog() = default;

RecordWaitDialog *RecordWaitDialog::instance()
{
    // One that has finished is on its way out: no longer loaded.
    return (g_recordWaitDialog && !g_recordWaitDialog->m_finished) ? g_recordWaitDialog.data() : nullptr;
}

RecordWaitDialog *RecordWaitDialog::load()
{
    if (!instance())
        g_recordWaitDialog = new RecordWaitDialog;
    return g_recordWaitDialog;
}

QString RecordWaitDialog::recordPath() const
{
    return m_recordPath->text();
}

void RecordWaitDialog::setRecordPath(const QString &path)
{
    m_recordPath->setText(path);
}

void RecordWaitDialog::timer1Tick()
{
    // Off before anything else: the wait below processes events, and no
    // second tick may start a second run.
    m_timer1->stop();
    const QString path = recordPath();

    // The wait may outlive this window or the record signal dialog (the
    // program can be quit meanwhile): look at both again afterwards.
    QPointer<RecordWaitDialog> self(this);
    QPointer<QWidget> form5(blockedWindow());
    RunRecordTool(path);
    if (form5)
        form5->setEnabled(true);
    // The buttons here and in the main window tell what they hold now.
    if (auto *dialog = qobject_cast<RecordSignalDialog *>(form5.data())) {
        dialog->refreshButtonTips();
        if (dialog->mainWindow())
            dialog->mainWindow()->refreshButtonTips();
    }
    if (!self)
        return;
    m_finished = true;
    unload();
}
