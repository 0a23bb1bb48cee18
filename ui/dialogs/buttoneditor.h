#pragma once

#include "designwindow.h"

#include <QPointer>

class MainWindow;
class QFrame;
class QLineEdit;
class QRadioButton;

// Form4, "Edit Buttons": edits the twelve button captions of one remote and
// saves them into a remote set file. Saving also makes that remote the main
// window's current remote and puts the captions on its buttons. Reads the
// main window's Text1; its Save writes the main window's Text4 and buttons.
class ButtonEditor : public DesignWindow
{
    Q_OBJECT

public:
    // Builds the editor from its initial values (Option1 selected, "Button 1"
    // to "Button 12") and runs its load step.
    explicit ButtonEditor(MainWindow *mainWindow);
    ~ButtonEditor() override;

    // The one open instance (Remotes > Edit Buttons).
    static QPointer<ButtonEditor> &instance();

    // The remote whose option is selected: 1, 2 or 3.
    int selectedRemote() const;

public slots:
    void save();       // Command1
    void reloadFile(); // Command3 "Load": the load step again

private:
    void buildControls();
    void fill(int remote);

    QPointer<MainWindow> m_mainWindow;
    QFrame *m_picture1 = nullptr;
    QRadioButton *m_options[3] = {};
    QLineEdit *m_fields[12] = {};
    QLineEdit *m_fileName = nullptr;
};
