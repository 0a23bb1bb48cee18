#pragma once

#include "codeimport.h"

#include <QDialog>

#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMimeData;
class QPushButton;

// The open dialog's filter for code files: the usual names, then any file.
QString codeFileFilter();

// The one local file a drag carries (a code file dropped onto a window), or
// "" for anything else (no data, several files, a remote address).
QString droppedFile(const QMimeData *mime);

// Sends code through irplay.exe (CodeImport::tryCode) with 'button' off
// meanwhile, so a second press cannot nest a second send; safe when the
// window of the button goes away during the send.
void tryCodeFrom(QPushButton *button, const CodeImport::Code &code);

// "Pick Code": the codes of a file, by name and what each holds, to pick
// the one a button gets. Try sends the selected one; OK keeps it (accepted).
class CodePickerDialog : public QDialog
{
    Q_OBJECT

public:
    // Lists every code of 'file' (which holds at least one), the first selected.
    CodePickerDialog(const CodeImport::CodeFile &file, QWidget *parent);

    int currentIndex() const;
    void setCurrentIndex(int i);
    CodeImport::Code currentCode() const;
    QPushButton *tryButton() const { return m_try; }

private:
    CodeImport::CodeFile m_file;
    QListWidget *m_list = nullptr;
    QPushButton *m_try = nullptr;
    QPushButton *m_ok = nullptr;
};

// "Enter Code": a command of one of our protocols, typed in: the protocol
// from a list and the scancode in hex or decimal. What it would send, or
// why it cannot, shows as it is typed; Try and OK work only on a code.
class CodeEntryDialog : public QDialog
{
    Q_OBJECT

public:
    explicit CodeEntryDialog(QWidget *parent);

    // The code entered, nothing while protocol and scancode make none.
    std::optional<CodeImport::Code> code() const { return m_code; }
    void setCommand(const QString &protocol, const QString &scancode);
    QLabel *resultLabel() const { return m_result; }
    QPushButton *tryButton() const { return m_try; }
    QPushButton *okButton() const { return m_ok; }

private:
    void update();

    QComboBox *m_protocol = nullptr;
    QLineEdit *m_scancode = nullptr;
    QLabel *m_result = nullptr;
    QPushButton *m_try = nullptr;
    QPushButton *m_ok = nullptr;
    std::optional<CodeImport::Code> m_code;
};
