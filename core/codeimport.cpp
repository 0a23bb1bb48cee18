#include "codeimport.h"

#include "ircommandfile.h"
#include "messages.h"
#include "paths.h"
#include "remotesetfile.h"
#include "toolrunner.h"
#include "wholefile.h"

#include "ircodefile.h"
#include "irdescribe.h"
#include "irprotocol.h"
#include "irsignal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTemporaryFile>

#include <string>

Q_LOGGING_CATEGORY(lcCodeImport, "lumo.codeimport")

namespace CodeImport {

struct CodeData
{
    lumo::ir::Code code;
};

namespace {

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

Code wrap(lumo::ir::Code code)
{
    auto data = std::make_shared<CodeData>();
    data->code = std::move(code);
    return Code(std::move(data));
}

// The scancode as ir-ctl writes it: "nec:0x40bf".
QString commandText(const lumo::ir::Command &command)
{
    return QString::fromStdString(lumo::ir::scancodeText(command.protocol, command.scancode));
}

// A comment line of an IR command file, which is plain ASCII.
std::string asciiLine(const QString &text)
{
    std::string line;
    line.reserve(size_t(text.size()));
    for (QChar c : text)
        line += (c.unicode() >= 0x20 && c.unicode() < 0x7f) ? char(c.unicode()) : '?';
    return line;
}

// Writes bytes as the file at path, whole or not at all.
QString saveWhole(const QString &path, const QByteArray &bytes)
{
    if (const QString why = WholeFile::write(path, bytes); !why.isEmpty())
        return QStringLiteral("The file \"%1\" could not be written: %2.").arg(native(path), why);
    return QString();
}

// One IR command file of an import, through its steps: written beside its
// place, then the old file moved aside and the new one put in its place.
struct Swap
{
    QString target;
    QString staged; // the new file, until it is in place
    QString backup; // the old file, moved aside; "" when there was none
    bool placed = false;
};

void removeLogged(const QString &path)
{
    if (!path.isEmpty() && QFileInfo::exists(path) && !QFile::remove(path))
        qCWarning(lcCodeImport) << "could not remove" << path;
}

// Puts every file back as it was before the import and removes what it made.
void rollBack(QList<Swap> &swaps)
{
    for (auto it = swaps.rbegin(); it != swaps.rend(); ++it) {
        if (it->placed) {
            removeLogged(it->target);
            if (!it->backup.isEmpty() && !QFile::rename(it->backup, it->target))
                qCWarning(lcCodeImport) << "could not put back" << it->target << "from" << it->backup;
        }
        removeLogged(it->staged);
    }
}

} // namespace

Code::Code(std::shared_ptr<const CodeData> data)
    : m_data(std::move(data))
{ }

QString Code::name() const
{
    return m_data ? QString::fromStdString(m_data->code.name) : QString();
}

QString Code::description() const
{
    if (!m_data)
        return QString();
    // A command as its button's tooltip will tell it (from the values its
    // file will hold, which may be heard as another protocol's command);
    // anything else as irplay.exe --describe does.
    const lumo::ir::Code &code = m_data->code;
    if (code.command)
        return QString::fromStdString(
            lumo::ir::tooltipText(code.signal, lumo::ir::recognise(code.signal.values, code.signal.carrier)));
    return QString::fromStdString(lumo::ir::describeCode(code));
}

QByteArray Code::irCommandFileText(const QString &origin) const
{
    if (!m_data)
        return QByteArray();
    const std::string text = lumo::ir::writeMode2(
        m_data->code, { asciiLine(QStringLiteral("Lumo Control IR signal, ") + origin) });
    return QByteArray::fromStdString(text);
}

QString CodeFile::displayName(int i) const
{
    const QString own = codes.at(i).name();
    if (!own.isEmpty())
        return own;
    if (codes.size() == 1)
        return QFileInfo(path).completeBaseName();
    return QStringLiteral("Code %1").arg(i + 1);
}

QString CodeFile::origin(int i) const
{
    QString text = QStringLiteral("imported from %1 (%2)").arg(native(path), form);
    if (!codes.at(i).name().isEmpty())
        text += QStringLiteral(", code \"%1\"").arg(codes.at(i).name());
    return text;
}

CodeFile readCodeFile(const QString &path)
{
    CodeFile file;
    file.path = path;
    QByteArray bytes;
    if (!readIrFile(path, &bytes, &file.error))
        return file;
    lumo::ir::CodeFile read;
    std::string error;
    if (!lumo::ir::readCodeFile(std::string_view(bytes.constData(), size_t(bytes.size())), read, error)) {
        file.error = QStringLiteral("The file \"%1\" holds no IR codes this program can read: %2.")
                         .arg(native(path), QString::fromStdString(error));
        return file;
    }
    file.form = QString::fromLatin1(lumo::ir::codeFormName(read.form));
    for (lumo::ir::Code &c : read.codes)
        file.codes.append(wrap(std::move(c)));
    return file;
}

QStringList protocolNames()
{
    QStringList names;
    for (std::size_t i = 0; i < lumo::ir::kProtocolCount; ++i)
        names.append(QString::fromLatin1(lumo::ir::protocolName(lumo::ir::Protocol(i))));
    return names;
}

std::optional<Code> codeFromCommand(const QString &protocol, const QString &scancode, QString *error)
{
    lumo::ir::Protocol p{};
    if (!lumo::ir::protocolFromName(protocol.toStdString(), p)) {
        *error = QStringLiteral("There is no protocol \"%1\".").arg(protocol);
        return std::nullopt;
    }
    uint64_t value = 0;
    if (!lumo::ir::parseScancodeValue(scancode.trimmed().toStdString(), lumo::ir::ScancodeForm::Typed,
                                      value)) {
        *error = QStringLiteral("\"%1\" is not a scancode: write it in hex (0x40bf) or in decimal (16575).")
                     .arg(scancode.trimmed());
        return std::nullopt;
    }
    const uint64_t mask = lumo::ir::protocolInfo(p).scancodeMask;
    if (!lumo::ir::scancodeFits(p, value)) {
        *error = QStringLiteral("0x%1 is no %2 scancode (the bits it may use: 0x%3).")
                     .arg(QString::number(qulonglong(value), 16),
                          QString::fromLatin1(lumo::ir::protocolName(p)),
                          QString::number(qulonglong(mask), 16));
        return std::nullopt;
    }
    error->clear();
    return wrap(lumo::ir::codeFromCommand(p, value));
}

QString commandOrigin(const Code &code)
{
    if (code.isNull() || !code.data().code.command)
        return QStringLiteral("entered");
    return QStringLiteral("entered as ") + commandText(*code.data().code.command);
}

QString writeIrCommandFile(const QString &path, const Code &code, const QString &origin)
{
    return saveWhole(path, code.irCommandFileText(origin));
}

void tryCode(const Code &code)
{
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/lumo-control-try-XXXXXX.lmc"));
    const QByteArray text = code.irCommandFileText(QStringLiteral("being tried"));
    if (!file.open() || file.write(text) != text.size() || !file.flush()) {
        Messages::inform(QStringLiteral("The code could not be tried: no temporary file could be written "
                                        "in \"%1\" (%2).")
                             .arg(native(QDir::tempPath()), WholeFile::reason(file)),
                         Messages::Icon::Error);
        return;
    }
    file.close();
    PlayCommand(file.fileName());
}

QString exportIrCommandFile(const QString &source, const QString &target, ExportForm form,
                            const QString &name)
{
    QByteArray bytes;
    QString error;
    if (!readIrFile(source, &bytes, &error))
        return error;
    lumo::ir::CodeFile read;
    std::string why;
    if (!lumo::ir::readCodeFile(std::string_view(bytes.constData(), size_t(bytes.size())), read, why)
        || read.codes.size() != 1) {
        return QStringLiteral("The IR command file \"%1\" does not hold one signal: %2.")
            .arg(native(source), QString::fromStdString(why.empty() ? "it holds several codes" : why));
    }
    lumo::ir::Code &code = read.codes.front();
    code.name = name.toStdString();
    switch (form) {
    case ExportForm::Flipper:
        bytes = QByteArray::fromStdString(lumo::ir::writeFlipper({ code }));
        break;
    case ExportForm::Pronto:
        bytes = QByteArray::fromStdString(lumo::ir::writePronto(code.signal) + "\n");
        break;
    case ExportForm::Mode2:
        break; // the file itself
    }
    return saveWhole(target, bytes);
}

ImportResult importRemote(const QString &setFile, const QString &setNumber, int remote,
                          const std::optional<QString> &remoteName, const QList<ButtonCode> &buttons)
{
    const QString setFolder = Paths::setFolder(setNumber);
    QList<QPair<int, RecordValue>> records;
    QList<RecordValue> values;
    QStringList names;
    if (remoteName) {
        records.append({ RemoteSetFile::remoteNameRecord(remote), RecordValue::fromText(*remoteName) });
        names.append(QStringLiteral("The name of remote %1").arg(remote));
    }
    for (const ButtonCode &b : buttons) {
        records.append({ RemoteSetFile::recordNumber(remote, b.button), RecordValue::fromText(b.caption) });
        names.append(QStringLiteral("The caption of button %1").arg(b.button));
    }
    for (const auto &r : records)
        values.append(r.second);
    if (const QString tooLong = RemoteSetFile::checkValues(values, names); !tooLong.isEmpty())
        return { ImportResult::Failure::TooLong, tooLong };

    auto failed = [](const QString &text) { return ImportResult{ ImportResult::Failure::Failed, text }; };
    const bool madeFolder = !QFileInfo(setFolder).isDir();
    if (madeFolder && !QDir().mkdir(setFolder))
        return failed(QStringLiteral("The folder \"%1\" could not be made.").arg(native(setFolder)));

    // Every new file is written beside its place before any old one moves.
    QList<Swap> swaps;
    QString error;
    for (const ButtonCode &b : buttons) {
        Swap swap;
        swap.target = Paths::irCommandFile(setNumber, QString::number(remote), QString::number(b.button));
        QString why;
        swap.staged = WholeFile::stage(swap.target, b.code.irCommandFileText(b.origin), &why);
        swaps.append(swap);
        if (swap.staged.isEmpty()) {
            error = QStringLiteral("The file \"%1\" could not be written: %2.").arg(native(swap.target), why);
            break;
        }
    }
    // Then each old file is moved aside and the new one put in its place:
    // renames, which need no room on the disk and can all be undone.
    for (Swap &swap : swaps) {
        if (!error.isEmpty())
            break;
        const QFileInfo old(swap.target);
        if (old.exists() && !old.isFile()) {
            error = QStringLiteral("\"%1\" is not a file that can be replaced.").arg(native(swap.target));
            break;
        }
        if (old.exists()) {
            swap.backup = WholeFile::freeNameBeside(swap.target, "old");
            if (swap.backup.isEmpty() || !QFile::rename(swap.target, swap.backup)) {
                error = QStringLiteral("The file \"%1\" could not be replaced.").arg(native(swap.target));
                swap.backup.clear();
                break;
            }
        }
        swap.placed = true; // from here the target is ours to remove
        if (!QFile::rename(swap.staged, swap.target)) {
            error = QStringLiteral("The file \"%1\" could not be replaced.").arg(native(swap.target));
            break;
        }
        swap.staged.clear();
    }
    if (error.isEmpty()) {
        if (const FileError e = RemoteSetFile::writeRecords(setFile, records))
            error = e.message();
    }
    if (!error.isEmpty()) {
        rollBack(swaps);
        if (madeFolder && !QDir().rmdir(setFolder))
            qCWarning(lcCodeImport) << "could not remove" << setFolder;
        return failed(error);
    }
    for (const Swap &swap : swaps)
        removeLogged(swap.backup);
    return {};
}

} // namespace CodeImport
