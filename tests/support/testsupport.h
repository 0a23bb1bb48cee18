#pragma once

// Shared helpers for the tests: a scripted message-box presenter, a
// private current directory, fake IR tools and remote set file fixtures.

#include "messages.h"
#include "remotesetfile.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <csignal>
#include <deque>

#include <sys/resource.h>

// Records every message box the code asks for and answers from a script
// (by default each box's own default button).
class MessageScript
{
public:
    MessageScript()
    {
        m_previous = Messages::setPresenter([this](const Messages::Request &r) {
            shown.append(r);
            if (onShow)
                onShow(r);
            if (m_answers.empty())
                return r.defaultButton;
            const Messages::Answer a = m_answers.front();
            m_answers.pop_front();
            return a;
        });
    }
    ~MessageScript() { Messages::setPresenter(std::move(m_previous)); }

    void answer(Messages::Answer a) { m_answers.push_back(a); }
    QStringList texts() const
    {
        QStringList t;
        for (const auto &r : shown)
            t.append(r.text);
        return t;
    }

    QList<Messages::Request> shown;
    // Runs while a box is "open", e.g. to look at the windows then.
    std::function<void(const Messages::Request &)> onShow;

private:
    Messages::Presenter m_previous;
    std::deque<Messages::Answer> m_answers;
};

// Makes a fresh temporary folder the process's current directory for the
// life of the object.
class WorkDir
{
public:
    WorkDir()
        : m_old(QDir::currentPath())
    {
        QVERIFY2(m_dir.isValid(), "no temporary folder");
        QDir::setCurrent(m_dir.path());
    }
    ~WorkDir() { QDir::setCurrent(m_old); }

    QString path() const { return QDir(m_dir.path()).canonicalPath(); }
    QString file(const QString &name) const { return path() + QLatin1Char('/') + name; }

private:
    QTemporaryDir m_dir;
    QString m_old;
};

// Copies of the fake tool named irplay.exe and irrecord.exe in a folder put
// first on PATH, steered through FAKE_TOOL_* (see tests/fakes/fake_tool.cpp).
class FakeTools
{
public:
    FakeTools()
        : m_oldPath(qgetenv("PATH"))
    {
        for (const char *name : { "irplay.exe", "irrecord.exe" }) {
            const QString target = folder() + QLatin1Char('/') + QLatin1String(name);
            QFile::copy(QStringLiteral(LUMO_FAKE_TOOL), target);
            QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::ExeOwner);
        }
        qputenv("PATH", folder().toLocal8Bit() + ':' + m_oldPath);
        qputenv("FAKE_TOOL_LOG", QFile::encodeName(folder() + QStringLiteral("/runs.log")));
    }
    ~FakeTools()
    {
        qputenv("PATH", m_oldPath);
        for (const char *name : { "LOG", "SLEEP_MS", "EXIT", "WRITE", "STDERR", "SIGNAL", "SAVE" })
            qunsetenv(QByteArray("FAKE_TOOL_") + name);
    }

    QString folder() const { return m_dir.path(); }
    void setSleepMs(int ms) { qputenv("FAKE_TOOL_SLEEP_MS", QByteArray::number(ms)); }
    void setExitCode(int code) { qputenv("FAKE_TOOL_EXIT", QByteArray::number(code)); }
    void setWrite(const QByteArray &text) { qputenv("FAKE_TOOL_WRITE", text); }
    void setStderr(const QByteArray &text) { qputenv("FAKE_TOOL_STDERR", text); }
    void setSignal(int signal) { qputenv("FAKE_TOOL_SIGNAL", QByteArray::number(signal)); }
    // What every run is handed, one file after the other, lands in folder()/sent.
    void keepSent() { qputenv("FAKE_TOOL_SAVE", QFile::encodeName(folder() + QStringLiteral("/sent"))); }

    // "irplay.exe\t1\t<path>" when a run starts, "irplay.exe done" when it ends.
    QStringList log() const
    {
        QFile f(folder() + QStringLiteral("/runs.log"));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts)
                                           : QStringList();
    }
    // The single argument of every run of 'tool', in order.
    QStringList arguments(const QString &tool) const
    {
        const QString started = tool + QStringLiteral("\t1\t");
        return log()
            .filter(QRegularExpression('^' + QRegularExpression::escape(started)))
            .replaceInStrings(started, QString());
    }

private:
    QTemporaryDir m_dir;
    QByteArray m_oldPath;
};

// What most tests of the windows start with: a private current folder,
// scripted message boxes and fake IR tools.
struct Sandbox
{
    WorkDir work;
    MessageScript messages;
    FakeTools tools;
};

// Creates the file (and its folders) holding 'content'; fails the test on error.
inline void touch(const QString &path, const QByteArray &content = QByteArray())
{
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(content), content.size());
}

#ifdef QT_WIDGETS_LIB
#include <QApplication>

// The visible top-level window of that object name ("Form2"), if any.
inline QWidget *visibleWindow(const QString &name)
{
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (top->objectName() == name && top->isVisible())
            return top;
    }
    return nullptr;
}
#endif

namespace SetFiles {

// The records that caption buttons 1..12 of remote 1..3.
inline QList<int> remoteRecords(int remote)
{
    static const QList<int> records[3] = { { 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 40, 41 },
                                           { 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 42, 43 },
                                           { 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 44, 45 } };
    return records[remote - 1];
}

// Writes the given records (creating the file); fails the test on error.
inline void write(const QString &path, const QMap<int, RecordValue> &records)
{
    QList<QPair<int, RecordValue>> list;
    for (auto it = records.cbegin(); it != records.cend(); ++it)
        list.append({ it.key(), it.value() });
    const FileError e = RemoteSetFile::writeRecords(path, list);
    QVERIFY2(!e, qPrintable(e.message()));
}

// A full set: record 1 "3", remote names "Remote r", set number, and every
// button caption "r.b" (e.g. "2.11").
inline QMap<int, RecordValue> fullSet(double setNumber)
{
    QMap<int, RecordValue> m;
    m.insert(1, RecordValue::fromText(QStringLiteral("3")));
    for (int r = 1; r <= 3; ++r) {
        m.insert(r + 1, RecordValue::fromText(QStringLiteral("Remote %1").arg(r)));
        for (int b = 1; b <= 12; ++b)
            m.insert(RemoteSetFile::recordNumber(r, b),
                     RecordValue::fromText(QStringLiteral("%1.%2").arg(r).arg(b)));
    }
    m.insert(5, RecordValue::fromNumber(setNumber));
    return m;
}

inline QByteArray bytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

// The 128 bytes of record n (fewer when the file ends inside it).
inline QByteArray record(const QString &path, int n)
{
    return bytes(path).mid((n - 1) * RemoteSetFile::RecordSize, RemoteSetFile::RecordSize);
}

inline QString captionOf(const QString &path, int n)
{
    const QList<RecordValue> v = RemoteSetFile::readRecords(path, { n });
    return v.isEmpty() ? QStringLiteral("<error>") : v.first().toText();
}

} // namespace SetFiles

// No file of this process may grow past 'bytes' while it lives: a full disk.
struct FileSizeLimit
{
    explicit FileSizeLimit(rlim_t bytes)
        : handler(::signal(SIGXFSZ, SIG_IGN))
    {
        ::getrlimit(RLIMIT_FSIZE, &old);
        const rlimit small{ std::min(bytes, old.rlim_cur), old.rlim_max };
        ::setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &old);
        ::signal(SIGXFSZ, handler);
    }
    void (*handler)(int);
    rlimit old{};
};
