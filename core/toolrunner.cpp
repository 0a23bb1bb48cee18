#include "toolrunner.h"

#include "messages.h"
#include "paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <cstdio>
#include <cstring>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <shellapi.h>
#endif

Q_LOGGING_CATEGORY(lcToolRunner, "lumo.toolrunner")

namespace {

int g_activeWaits = 0;

// irrecord.exe's exit code for a device that cannot record here: it cannot
// receive, is not a LIRC device or refuses the receive settings
// (tools/README.md).
constexpr int kExitCannotRecord = 8;

ToolRunner::ShellOpener &shellOpener()
{
    static ToolRunner::ShellOpener opener;
    return opener;
}

void reportNotStarted(const QString &tool, const QString &why)
{
    Messages::inform(QStringLiteral("The IR tool \"%1\" could not be started: %2.").arg(tool, why),
                     Messages::Icon::Error);
}

// The last line of a tool's stderr that holds more than blanks.
QString lastLine(const QByteArray &text)
{
    const QList<QByteArray> lines = text.split('\n');
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        const QByteArray line = it->trimmed();
        if (!line.isEmpty())
            return QString::fromLocal8Bit(line);
    }
    return QString();
}

QString signalName(int signal)
{
#ifdef Q_OS_WIN
    Q_UNUSED(signal);
    return QString();
#else
    const char *name = ::strsignal(signal);
    return name ? QStringLiteral(" (%1)").arg(QString::fromLocal8Bit(name)) : QString();
#endif
}

// What a box about a failed tool adds after the tool's own words; "" for nothing.
using Advice = QString (*)(int exitCode);

QString noAdvice(int)
{
    return QString();
}

// A recorder on a device that cannot record (whichever way the tool tells
// it): the button can be filled from a code instead.
QString recordAdvice(int exitCode)
{
    if (exitCode != kExitCannotRecord)
        return QString();
    return QStringLiteral("\n\nThis IR device cannot record. Fill the button without recording: "
                          "in Remotes > Record, right-click the button and choose Import Code\u2026 (a code "
                          "file such as a Flipper .ir file or a Pronto code) or Enter Code\u2026 (a protocol "
                          "and scancode); Remotes > Import Remote\u2026 fills a whole remote from one file.");
}

// A tool that failed tells the user why in its own words: the last line it
// wrote to stderr. One that said nothing gets a sentence naming it.
void reportFailure(const QString &tool, bool crashed, int code, const QByteArray &stderrText, Advice advice)
{
    QString text = lastLine(stderrText);
    const QString advise = crashed ? QString() : advice(code);
    if (text.isEmpty()) {
#ifdef Q_OS_WIN
        text = crashed ? QStringLiteral("The IR tool \"%1\" crashed.").arg(tool)
                       : QStringLiteral("The IR tool \"%1\" ended with exit code %2.").arg(tool).arg(code);
#else
        text = crashed ? QStringLiteral("The IR tool \"%1\" was ended by signal %2%3.")
                             .arg(tool)
                             .arg(code)
                             .arg(signalName(code))
                       : QStringLiteral("The IR tool \"%1\" ended with exit code %2.").arg(tool).arg(code);
#endif
    }
    Messages::inform(text + advise, Messages::Icon::Error);
}

#ifdef Q_OS_WIN
void hideWindow(QProcess &process, const QString &commandLine)
{
    // The command line goes to CreateProcess exactly as built: tool name,
    // one space, the path as it stands.
    process.setCreateProcessArgumentsModifier([commandLine](QProcess::CreateProcessArguments *args) {
        args->arguments = commandLine;
        args->flags |= CREATE_NO_WINDOW;
        args->startupInfo->dwFlags |= STARTF_USESHOWWINDOW;
        args->startupInfo->wShowWindow = SW_HIDE;
    });
}
#endif

} // namespace

namespace ToolRunner {

QString findTool(const QString &name)
{
    if (QCoreApplication::instance()) {
        const QString own = QCoreApplication::applicationDirPath() + QLatin1Char('/') + name;
        const QFileInfo info(own);
        if (info.isFile() && info.isExecutable())
            return own;
    }
    return QStandardPaths::findExecutable(name);
}

ShellOpener setShellOpener(ShellOpener opener)
{
    ShellOpener old = std::move(shellOpener());
    shellOpener() = std::move(opener);
    return old;
}

int activeWaits()
{
    return g_activeWaits;
}

} // namespace ToolRunner

namespace {

// RunAndWait, with 'advice' added to the box about a failure. (The name keeps
// RunAndWait in it for the leak checker's suppression of the QProcess let go
// at quit.)
void RunAndWaitAdvising(const QString &commandLine, Advice advice)
{
    const qsizetype space = commandLine.indexOf(QLatin1Char(' '));
    const QString tool = space < 0 ? commandLine : commandLine.left(space);
    const QString argument = space < 0 ? QString() : commandLine.mid(space + 1);

    const QString program = ToolRunner::findTool(tool);
    if (program.isEmpty()) {
        reportNotStarted(tool, QStringLiteral("it was found neither beside the program nor on the PATH"));
        return;
    }

    // The tool's stderr goes to a file rather than a pipe: a tool that
    // outlives the program (see below) can still write its message then,
    // instead of dying of SIGPIPE half-way through its own clean-up.
    QTemporaryFile errors(QDir::tempPath() + QStringLiteral("/lumo-control-XXXXXX.err"));
    const bool captureErrors = errors.open();
    if (!captureErrors)
        qCWarning(lcToolRunner) << "stderr of" << tool << "not captured:" << errors.errorString();

    // Owned here; see below for the one case it is let go.
    auto *process = new QProcess;
    process->setProgram(program);
    if (space >= 0)
        process->setArguments({ argument });
    if (captureErrors) {
        process->setProcessChannelMode(QProcess::ForwardedOutputChannel);
        process->setStandardErrorFile(errors.fileName());
    } else {
        process->setProcessChannelMode(QProcess::ForwardedChannels);
    }
    process->setStandardInputFile(QProcess::nullDevice());
#ifdef Q_OS_WIN
    hideWindow(*process, commandLine);
#endif

    QEventLoop loop;
    QObject::connect(process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(process, &QProcess::errorOccurred, &loop, [&loop](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart || e == QProcess::Crashed)
            loop.quit();
    });

    process->start();
    if (!process->waitForStarted(-1)) {
        const QString why = process->errorString();
        delete process;
        reportNotStarted(tool, why);
        return;
    }
#ifndef Q_OS_WIN
    // The tool holds the file open now; only this process still needs its
    // name, and nothing is left behind whatever happens next.
    if (captureErrors && !QFile::remove(errors.fileName()))
        qCWarning(lcToolRunner) << "could not remove" << errors.fileName();
#endif

    ++g_activeWaits;
    if (process->state() != QProcess::NotRunning)
        loop.exec();
    --g_activeWaits;

    if (process->state() != QProcess::NotRunning) {
        // The wait ended because the program is quitting while the tool
        // still runs. Let the tool run on, untold: destroying the QProcess
        // would kill it, so the object is left behind on purpose.
        QObject::disconnect(process, nullptr, &loop, nullptr);
        return;
    }

    const bool crashed = process->exitStatus() == QProcess::CrashExit;
    const int code = process->exitCode();
    delete process;

    QByteArray stderrText;
    if (captureErrors) {
        errors.seek(0);
        stderrText = errors.readAll();
        // Whatever the tool said still reaches our own stderr.
        if (!stderrText.isEmpty()) {
            std::fwrite(stderrText.constData(), 1, size_t(stderrText.size()), stderr);
            std::fflush(stderr);
        }
    }
    if (crashed || code != 0)
        reportFailure(tool, crashed, code, stderrText, advice);
}

} // namespace

void RunAndWait(const QString &commandLine)
{
    RunAndWaitAdvising(commandLine, &noAdvice);
}

void RunRecordTool(const QString &path)
{
    RunAndWaitAdvising(ToolRunner::recordTool() + QLatin1Char(' ') + path, &recordAdvice);
}

void PlayCommand(const QString &path)
{
    if (!FileExists(path)) {
        Messages::Request r;
        r.text = QStringLiteral("Command does not exist");
        r.title = QStringLiteral("Command Not Found");
        r.icon = Messages::Icon::Error;
        Messages::show(r);
        return;
    }
    RunAndWait(ToolRunner::playTool() + QLatin1Char(' ') + path);
}

void ShellOpen(quintptr window, const QString &target)
{
    if (shellOpener()) {
        shellOpener()(window, target);
        return;
    }
#if defined(Q_OS_WIN)
    ShellExecuteW(reinterpret_cast<HWND>(window), L"open", reinterpret_cast<const wchar_t *>(target.utf16()),
                  nullptr, nullptr, SW_SHOWNORMAL);
#elif defined(Q_OS_MACOS)
    Q_UNUSED(window);
    if (!QProcess::startDetached(QStringLiteral("open"), { target }))
        qCWarning(lcToolRunner) << "could not start 'open' for" << target;
#else
    Q_UNUSED(window);
    if (!QProcess::startDetached(QStringLiteral("xdg-open"), { target }))
        qCWarning(lcToolRunner) << "could not start xdg-open for" << target;
#endif
}
