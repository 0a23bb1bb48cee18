#pragma once

#include "codeimport.h"
#include "designwindow.h"

#include <QPointer>

class MainWindow;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

// "Import Remote": fills one remote of the set from a code file (a Flipper
// .ir file, a lircd.conf, a CSV ...). The file's codes go onto the twelve
// buttons, the first twelve in order unless the user picks others; each
// button's caption is its code's name unless edited. Import writes the
// remote's name and the assigned buttons' captions into the main window's
// set file and their IR command files into the set folder, all or nothing.
// A button left without a code keeps its caption and its file. Afterwards
// the main window shows that remote, as after the button editor's Save.
// While it is open the main window is disabled.
class RemoteImportDialog : public DesignWindow
{
    Q_OBJECT

public:
    // Opens on the main window's current remote (remote 1 when none), with
    // its name from the set file, and no code file yet.
    explicit RemoteImportDialog(MainWindow *mainWindow);
    ~RemoteImportDialog() override;

    // The one open instance (Remotes > Import Remote...).
    static QPointer<RemoteImportDialog> &instance();

    // Reads the code file at path: its first twelve codes go onto buttons 1
    // to 12 in order. A file that cannot be read is told in a box and the
    // window keeps what it had; false then.
    bool loadFile(const QString &path);
    const CodeImport::CodeFile &codeFile() const { return m_file; }

    int remote() const;
    // Chooses remote 1..3 and shows its name from the set file.
    void setRemote(int r);
    QLineEdit *remoteNameField() const { return m_remoteName; }

    // Which code (an index into codeFile().codes) button n gets; -1: none.
    int assignment(int n) const;
    void assign(int n, int code);
    QString caption(int n) const;
    void setCaption(int n, const QString &caption);
    // Swaps the codes and captions of buttons n and m.
    void swapButtons(int n, int m);
    // The button of the selected row, 1..12 (0 while none is selected).
    int currentButton() const;
    void setCurrentButton(int n);

    QPushButton *tryButton() const { return m_try; }
    QPushButton *importButton() const { return m_import; }
    QLabel *statusLabel() const { return m_status; }

public slots:
    void chooseFile();
    // Sends the selected button's code.
    void tryCurrent();
    // Imports (see the class comment), after one question when some of the
    // buttons already have a file. False when nothing was written.
    bool import();

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void buildControls();
    QComboBox *codeBox(int n) const;
    void codeChosen(int n);
    void updateButtons();

    QPointer<MainWindow> m_mainWindow;
    CodeImport::CodeFile m_file;
    QStringList m_descriptions; // of m_file's codes, made once per file
    QLineEdit *m_fileName = nullptr;
    QRadioButton *m_remotes[3] = {};
    QLineEdit *m_remoteName = nullptr;
    QTableWidget *m_table = nullptr;
    QPushButton *m_up = nullptr;
    QPushButton *m_down = nullptr;
    QPushButton *m_try = nullptr;
    QPushButton *m_import = nullptr;
    QLabel *m_status = nullptr;
};
