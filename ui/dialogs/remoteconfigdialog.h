#pragma once

#include "designwindow.h"

#include <QPointer>

#include <functional>

class MainWindow;
class QLabel;
class QLineEdit;
class QPushButton;

// Form2, "Remote Configuration": names the three remotes of a set and saves
// them into a remote set file. The first save of a set without a number
// draws the set number and creates the set folder. Works directly on the
// main window's state: reads its Text1, reads and writes its Text2 and sets
// the captions of its remote menu items.
class RemoteConfigDialog : public DesignWindow
{
    Q_OBJECT

public:
    // Builds the dialog from its initial values and runs its load step:
    // disables the main window and fills the fields from its set file.
    explicit RemoteConfigDialog(MainWindow *mainWindow);
    ~RemoteConfigDialog() override;

    // The one open instance (Remotes > Edit Remotes).
    static QPointer<RemoteConfigDialog> &instance();

    // Where Save draws its uniform number u in [0, 1) from. By default a
    // generator seeded afresh from the clock before every draw. Setting an
    // empty function restores the default; returns the previous source.
    using RandomSource = std::function<double()>;
    static RandomSource setRandomSource(RandomSource source);

    // A set number from u: the whole part of u * 67656, kept in 0..67655.
    static int setNumberFrom(double u);

    // How many numbers Save draws at most while looking for one whose
    // folder does not exist yet.
    static constexpr int MaxDraws = 100;

public slots:
    void save(); // Command1
    void load(); // Command2

private:
    void buildControls();
    void fillFromFile();
    void giveSetNumber(const QString &path);

    QPointer<MainWindow> m_mainWindow;
    QLineEdit *m_name1 = nullptr;
    QLineEdit *m_name2 = nullptr;
    QLineEdit *m_name3 = nullptr;
    QLineEdit *m_fileName = nullptr;
};
