#include "designwindow.h"

#include "design.h"

#include <QCloseEvent>

DesignWindow::DesignWindow(QWidget *blocked, Qt::WindowFlags flags)
    : QWidget(nullptr, flags)
    , m_blocked(blocked)
{
    // No parent: a child window would be disabled along with the window it
    // disables. Whoever opens it keeps a QPointer and it deletes itself.
    setAttribute(Qt::WA_DeleteOnClose);
    if (m_blocked)
        m_blocked->setEnabled(false);
}

DesignWindow::~DesignWindow()
{
    release();
}

void DesignWindow::unload()
{
    close();
}

void DesignWindow::closeEvent(QCloseEvent *event)
{
    if (!canUnload()) {
        event->ignore();
        return;
    }
    event->accept();
    release();
}

void DesignWindow::showEvent(QShowEvent *event)
{
    if (!m_fitted) {
        m_fitted = true;
        Design::fitLabels(this);
    }
    QWidget::showEvent(event);
}

void DesignWindow::release()
{
    if (m_released)
        return;
    m_released = true;
    // Nothing here may reach a derived class: from the destructor, only
    // this base part is left.
    if (m_blocked)
        m_blocked->setEnabled(true);
}
