#pragma once

#include "designwindow.h"

class QLabel;
class QLineEdit;
class QTimer;

// Form3, "Waiting for User Input": on screen while the recorder tool
// captures one IR signal into the file named by its hidden Text1. Its
// Timer1 starts the recorder half a second after the load; when the
// recorder has ended, the record signal dialog is enabled again and this
// window unloads itself. It has no buttons and cannot be closed by the
// user.
class RecordWaitDialog : public DesignWindow
{
    Q_OBJECT

public:
    // Loads the dialog: disables the record signal dialog (whichever code
    // opens this one) and starts Timer1.
    RecordWaitDialog();
    ~RecordWaitDialog() override;

    // The one Form3 of the program, or null when it is not loaded (or has
    // finished and is closing).
    static RecordWaitDialog *instance();
    // Returns the loaded Form3, loading it first when there is none.
    static RecordWaitDialog *load();

    QString recordPath() const;
    void setRecordPath(const QString &path);
    QTimer *timer1() const { return m_timer1; }

    // True once the recording run is over and the window is unloading.
    bool hasFinished() const { return m_finished; }

protected:
    // Refused while waiting for the first tick or recording.
    bool canUnload() const override { return m_finished; }

private:
    void timer1Tick();

    QLabel *m_label1 = nullptr;
    QLabel *m_label2 = nullptr;
    QLineEdit *m_recordPath = nullptr;
    QTimer *m_timer1 = nullptr;
    bool m_finished = false;
};
