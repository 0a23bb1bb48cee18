#include "toolrunner.h"

#include "messages.h"
#include "paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <shellapi.h>
#endif

namespace {

int g_activeWaits = 0;

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

void RunAndWait(const QString &commandLine)
{
    const qsizetype space = commandLine.indexOf(QLatin1Char(' '));
    const QString tool = space < 0 ? commandLine : commandLine.left(space);
    const QString argument = space < 0 ? QString() : commandLine.mid(space + 1);

    const QString program = ToolRunner::findTool(tool);
    if (program.isEmpty()) {
        reportNotStarted(tool, QStringLiteral("it was found neither beside the program nor on the PATH"));
        return;
    }

    // Owned here; see below for the one case it is let go.
    auto *process = new QProcess;
    process->setProgram(program);
    if (space >= 0)
        process->setArguments({ argument });
    process->setProcessChannelMode(QProcess::ForwardedChannels);
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

    ++g_activeWaits;
    if (process->state() != QProcess::NotRunning)
        loop.exec();
    --g_activeWaits;

    if (process->state() != QProcess::NotRunning) {
        // The wait ended because the program is quitting while the tool
        // still runs. Let the tool run on: destroying the QProcess would
        // kill it, so the object is left behind on purpose.
        QObject::disconnect(process, nullptr, &loop, nullptr);
        return;
    }
    delete process;
}

void RunRecordTool(const QString &path)
{
    RunAndWait(ToolRunner::recordTool() + QLatin1Char(' ') + path);
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
    QProcess::startDetached(QStringLiteral("open"), { target });
#else
    Q_UNUSED(window);
    QProcess::startDetached(QStringLiteral("xdg-open"), { target });
#endif
}
