#pragma once

#include "buttongrid.h"
#include "designwindow.h"

#include <QPointer>
#include <QStringList>

namespace CodeImport {
class Code;
}
class MainWindow;
class QFrame;
class QMenu;
class QLabel;
class QPushButton;
class QRadioButton;

// Form5, "Record Signal": the user picks one of the three remotes and
// clicks one of its twelve buttons to teach that button an IR signal.
// While it is loaded the main window is disabled. There is at most one in
// the program; the record wait dialog disables that one while it records.
// A button can also be filled without recording: its context menu imports
// a code from a file (also dropped onto it) or takes one typed in, and
// exports what it holds; its tooltip tells what its file holds.
class RecordSignalDialog : public DesignWindow
{
    Q_OBJECT

public:
    // Loads the dialog (the load step: disables the main window and copies its twelve
    // button captions). No remote is chosen and the set file is not read.
    explicit RecordSignalDialog(MainWindow *mainWindow);
    ~RecordSignalDialog() override;

    // The one Form5 of the program, or null when it is not loaded (or has
    // unloaded and is about to be destroyed).
    static RecordSignalDialog *instance();
    // Returns the loaded Form5, loading it first when there is none. It is
    // not shown: the opener chooses the remote and shows it.
    static RecordSignalDialog *load(MainWindow *mainWindow);
    // Shows the loaded Form5 modeless.
    void showDialog();

    QRadioButton *option(int r) const; // Option1..Option3, r = 1..3
    QPushButton *button(int n) const;  // B1, b2 ... b12, n = 1..12
    QPushButton *doneButton() const { return m_done; }
    MainWindow *mainWindow() const { return m_mainWindow; }
    QStringList buttonCaptions() const;

    // The remote chosen in the dialog, 0 while none is.
    int chosenRemote() const;
    // Chooses remote r (1..3) as a click on its option does: the option is
    // selected and the buttons are captioned from the set file.
    void chooseRemote(int r);

    // Records button 'bbuton' ("1".."12") of the chosen remote: builds its
    // IR command file path and hands it to RecordCommand. Does nothing
    // while no remote is chosen.
    void rrecord(const QString &bbuton);

    // The IR command file of button n (1..12) of the chosen remote, as
    // rrecord builds it; "" while no remote is chosen or the set number
    // names no folder.
    QString irCommandFile(int n) const;
    // Gives each button the tooltip the main window's buttons have, for the
    // chosen remote's files; none while no remote is chosen.
    void refreshButtonTips();

    // The menu a right click on button n opens: Import Code..., Enter
    // Code... (both off while no remote is chosen) and Export Code... (off
    // while the button has no file); objects importCode, enterCode,
    // exportCode. Deletes itself when closed.
    QMenu *buttonMenu(int n);
    // Import Code...: a code file (chosen through the file chooser when
    // 'codeFile' is ""); of several codes, the one picked in a Pick Code
    // window. The button's file then holds it (see keepCode).
    void importCode(int n, const QString &codeFile = QString());
    // Enter Code...: a protocol and scancode typed in an Enter Code window.
    void enterCode(int n);
    // Export Code...: the button's file saved as Flipper .ir, Pronto hex or
    // mode2, as the save dialog's filter says.
    void exportCode(int n);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Not while a recording is running: the wait dialog keeps this dialog
    // disabled until the recorder has ended.
    bool canUnload() const override;

private:
    void buildControls();
    void optionClicked(int r);
    // Writes code as button n's file, whole or not at all, after the
    // overwrite question when there is a file; then refreshes the tips here
    // and in the main window.
    void keepCode(int n, const CodeImport::Code &code, const QString &origin);

    QPointer<MainWindow> m_mainWindow;
    QLabel *m_label1 = nullptr;
    QLabel *m_label2 = nullptr;
    QFrame *m_picture1 = nullptr;
    QRadioButton *m_options[3] = {};
    ButtonGrid m_buttons;
    QPushButton *m_done = nullptr;
};
