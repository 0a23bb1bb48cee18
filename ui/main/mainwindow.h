#pragma once

#include "buttongrid.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

class AboutDialog;
class QAction;
class QLineEdit;
class QMenu;
class QPushButton;
class QSystemTrayIcon;

// The main window, Form1. Besides the twelve play buttons and the menus it
// holds the program's shared state in three hidden fields:
//   Text1  path of the current remote set file
//   Text2  the set number ("0": the set has no set folder yet)
//   Text4  the current remote, "1".."3" ("0": none)
// The dialogs read and write these through the accessors below.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // Builds the window and runs its load step (data folder, default set
    // file, remote names, set number, remote 1's captions). Call show().
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // --- shared state -------------------------------------------------
    // Path of the current remote set file (Text1).
    QString setFilePath() const;
    void setSetFilePath(const QString &path);
    // The set number as the field holds it (Text2): decimal text, which may
    // be empty or not a number at all when record 5 was.
    QString setNumberText() const;
    void setSetNumberText(const QString &text);
    // The current remote 1..3 (Text4); 0 while none is.
    int currentRemote() const;
    void setCurrentRemote(int remote);

    // Play button n (1..12): B1, b2 ... b12.
    QPushButton *button(int n) const;
    QStringList buttonCaptions() const;
    // Captions the buttons (a remote's captions) and refreshes their tips.
    void setButtonCaptions(const QStringList &captions);
    // Gives each play button the tooltip of what its IR command file of the
    // current remote holds ("rc5:0x1e0c, 36 kHz", "recorded signal"), none
    // where there is no file. Also after a recording has ended.
    void refreshButtonTips();

    // Remotes menu item of remote r (1..3): rem1, rem2, rem3.
    QAction *remoteItem(int r) const;
    QStringList remoteCaptions() const;
    void setRemoteCaptions(const QStringList &captions);

    QSystemTrayIcon *trayIcon() const { return m_tray; }

    // Plays button 'buttonn' ("1".."12") of the current remote.
    void playfile(const QString &buttonn);

    // Reads records 1-5 and then remote 1's buttons from the set file named
    // by Text1 into the window: the load step and File > Open share it.
    // 'checkEachTime' tests the file's existence before each of the two
    // reads (load) rather than once (Open). Returns false, after telling
    // the user, when the file exists but cannot be read.
    bool readSet(bool checkEachTime);

    // Whether the set has its set folder (a set number above 0): recording
    // and importing need it. Says "Please create a remote before recording
    // a signal" when it has none.
    bool requireSetFolder();

    // The address Help > WebSite opens: the user guide installed beside
    // the program.
    static QString webSiteAddress();

signals:
    // The window has been closed: the program ends.
    void closed();

public slots:
    void selectRemote(int r);
    void fileOpen();
    void fileExit();
    void minimizeToTray();
    void showFromTray();
    void webSite();
    void editRemotes();
    void editButtons();
    void record();
    void importRemote();
    void about();

protected:
    void closeEvent(QCloseEvent *event) override;
    // Whether the desktop has a notification area to hide into; Minimize
    // only hides the window when it has. Tests override it.
    virtual bool trayAvailable() const;

private:
    void buildControls();
    void buildMenus();
    void buildTray();
    void load();

    QLineEdit *m_setFilePath = nullptr;
    QLineEdit *m_setNumber = nullptr;
    QLineEdit *m_currentRemote = nullptr;
    ButtonGrid m_buttons;
    QAction *m_remoteItems[3] = {};
    QSystemTrayIcon *m_tray = nullptr;
    QPointer<AboutDialog> m_about;
};
