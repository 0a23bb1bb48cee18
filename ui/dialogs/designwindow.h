#pragma once

#include <QPointer>
#include <QWidget>

// How every secondary window lives: shown modeless by the command that
// opens it, which returns at once; at most one of each at a time; built
// fresh from its initial values on each opening and destroyed when it
// closes, so nothing survives a close. While loaded it keeps one other
// window (the main window, or the record dialog for the wait dialog)
// disabled. The close box unloads it like its own Done or OK button.
class DesignWindow : public QWidget
{
    Q_OBJECT

public:
    // Disables 'blocked' now (the load step) and enables it again when
    // this window unloads. 'blocked' may be null.
    explicit DesignWindow(QWidget *blocked, Qt::WindowFlags flags = Qt::Window);
    ~DesignWindow() override;

    // Opens the one instance of T held in 'slot': builds it when there is
    // none (running its load step), shows it modeless and returns it.
    template <class T, class... Args>
    static T *openSingle(QPointer<T> &slot, Args &&...args)
    {
        if (!slot)
            slot = new T(std::forward<Args>(args)...);
        slot->show();
        slot->raise();
        slot->activateWindow();
        return slot;
    }

    // Unloads the window: the same as its close box.
    void unload();

    QWidget *blockedWindow() const { return m_blocked; }

    // False once the window has unloaded: it is then only waiting to be
    // destroyed.
    bool isLoaded() const { return !m_released; }

protected:
    // Whether a close may go ahead now; the wait dialog refuses while it
    // records.
    virtual bool canUnload() const { return true; }
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void release();

    QPointer<QWidget> m_blocked;
    bool m_released = false;
    bool m_fitted = false;
};
