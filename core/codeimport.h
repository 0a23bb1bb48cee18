#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

// Codes that come from files people share rather than from a recording:
// a code file read into named codes, a code made from a protocol and a
// scancode, a code written as a button's IR command file, a button's file
// exported in a shared form, and a whole remote filled in one step. Nothing
// here opens a window; every failure comes back as a sentence for a box.
namespace CodeImport {

struct CodeData;

// One IR code, ready to be sent or kept. Cheap to copy.
class Code
{
public:
    Code() = default;
    explicit Code(std::shared_ptr<const CodeData> data);

    bool isNull() const { return !m_data; }
    // The file's name for the code; "" when it has none.
    QString name() const;
    // What it holds in a few words: for a command of one of our protocols
    // what its button's tooltip will say ("nec:0x40bf, 38 kHz"), for any
    // other signal what irplay.exe --describe says ("raw 2 frames 135.2 ms
    // carrier 38000").
    QString description() const;
    // The text of an IR command file holding it (the mode2 form a recording
    // has), its first comment line telling where it came from ('origin').
    QByteArray irCommandFileText(const QString &origin) const;

    const CodeData &data() const { return *m_data; }

private:
    std::shared_ptr<const CodeData> m_data;
};

// A code file as read: its form and its codes in file order.
struct CodeFile
{
    QString path;
    QString form;      // "Flipper .ir", "Pronto hex", "lircd.conf", ...
    QList<Code> codes; // at least one when error is empty
    QString error;     // why nothing could be read, as a sentence naming the file

    // The name to show for code i: its own, else the file's base name for
    // the only code of a file, else "Code 1", "Code 2" ...
    QString displayName(int i) const;
    // Where code i came from, for the header of the file it is kept in:
    // "/home/u/tv.ir (Flipper .ir), code \"Power\"".
    QString origin(int i) const;
};

// Reads the code file at path, of any form the IR library takes. All or
// nothing: a file with one bad code gives no codes, only the error.
CodeFile readCodeFile(const QString &path);

// The names of the protocols a code may be entered in ("nec", "rc5" ...),
// in the IR library's order.
QStringList protocolNames();

// A code for a protocol named as protocolNames() gives it (case and "-",
// "_" ignored) and a scancode: "0x" and hex digits, decimal digits, or hex
// digits with a letter among them ("40bf"). Nothing, with 'error' set,
// when the protocol is unknown, the text is no number, or the scancode
// has bits the protocol does not carry.
std::optional<Code> codeFromCommand(const QString &protocol, const QString &scancode, QString *error);
// The origin of such a code: "entered as nec:0x40bf".
QString commandOrigin(const Code &code);

// Writes code as the IR command file at path, whole or not at all: a
// failure leaves what was there before. The folder must exist. Returns ""
// or why it failed, naming the file.
QString writeIrCommandFile(const QString &path, const Code &code, const QString &origin);

// Sends code as the program sends every signal: written to a temporary IR
// command file that PlayCommand plays (with the runner's boxes when
// irplay.exe fails). Returns when the tool has ended. A temporary file
// that cannot be written is told in an error box.
void tryCode(const Code &code);

// The forms a button's IR command file is shared in.
enum class ExportForm { Flipper, Pronto, Mode2 };

// Saves the IR command file 'source' as 'target' in 'form', whole or not
// at all; 'name' names the code in a Flipper file. Mode2 is a copy of the
// file as it is. Returns "" or why it failed (the source does not read as
// a signal, the target cannot be written).
QString exportIrCommandFile(const QString &source, const QString &target, ExportForm form,
                            const QString &name);

// One button of a remote to fill: its caption and the code its file gets.
struct ButtonCode
{
    int button = 0; // 1..12
    QString caption;
    Code code;
    QString origin;
};

struct ImportResult
{
    enum class Failure { None, TooLong, Failed };
    Failure failure = Failure::None;
    QString text; // why, for a box; "" when it worked

    bool ok() const { return failure == Failure::None; }
};

// Fills the given buttons of remote 1..3 in one step: their caption
// records (and the remote's name record when remoteName is given) in the
// set file, and their IR command files (Paths::irCommandFile()) in the
// folder of set setNumber, which is made when missing. Buttons not given keep their captions and files. All or
// nothing: every text is checked first (TooLong names the first that does
// not fit a record); a file or record that cannot be written puts back
// every file already replaced, so the set file and the set folder are left
// as they were (Failed). Each IR command file is synced to disk before it is
// put in place and keeps the permissions of the one it replaces (a new one
// gets those of any new file, as a recording's).
ImportResult importRemote(const QString &setFile, const QString &setNumber, int remote,
                          const std::optional<QString> &remoteName, const QList<ButtonCode> &buttons);

} // namespace CodeImport
