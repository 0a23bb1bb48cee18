#pragma once

#include "designwindow.h"
#include "registry.h"

#include <QString>
#include <QStringList>

#include <functional>

class QLabel;
class QPushButton;

// frmAbout: the application's title, version, description and a legal
// notice, with a button that starts the system information viewer. Shown
// modeless; the main window stays disabled while it is loaded.
class AboutDialog : public DesignWindow
{
    Q_OBJECT

public:
    // Builds the window and runs its load step: disables the main window, sets the
    // caption, the title and the version.
    explicit AboutDialog(QWidget *mainWindow);

    // Finds the system information viewer and starts it without waiting:
    // the registry's MSINFO PATH value, else MSINFO32.EXE in the registry's
    // Shared Tools folder, else (where there is no such registry) the
    // first known viewer on the PATH. Tells the user when there is none or
    // it cannot be started.
    static void StartSysInfo();

    // Reads value 'subKeyRef' of key 'keyName' under 'keyRoot' as text
    // into 'keyVal': true when read. A text value gives its characters, a
    // 32-bit number "&h" and its hexadecimal digits, any other type leaves
    // 'keyVal' as it was. A key that cannot be opened, a missing value or
    // one over 1024 bytes give false and an empty 'keyVal'. The key is
    // always closed again.
    static bool GetKeyValue(Registry::Key keyRoot, const QString &keyName, const QString &subKeyRef,
                            QString &keyVal);

    // System information viewers looked for on the PATH, in this order,
    // where the registry names none.
    static QStringList fallbackViewers();

    // Starts a program in a normal window without waiting; false when it
    // cannot be started. Tests replace it; returns the previous one.
    using ProgramStarter = std::function<bool(const QString &program)>;
    static ProgramStarter setProgramStarter(ProgramStarter starter);

    // The texts of the window.
    static QString versionText(); // "Version 1.2.2"
    static QString descriptionText();
    static QString legalNoticeText();
    static QString unavailableText(); // "System Information Is Unavailable At This Time"

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QPushButton *m_ok = nullptr;
    QPushButton *m_sysInfo = nullptr;
};
