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

#include <deque>

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
            if (!m_answers.empty()) {
                const Messages::Answer a = m_answers.front();
                m_answers.pop_front();
                return a;
            }
            return r.defaultButton;
        });
    }
    ~MessageScript() { Messages::setPresenter(std::move(m_previous)); }
    MessageScript(const MessageScript &) = delete;
    MessageScript &operator=(const MessageScript &) = delete;

    void answer(Messages::Answer a) { m_answers.push_back(a); }
    QStringList texts() const
    {
        QStringList t;
        for (const auto &r : shown)
            t.append(r.text);
        return t;
    }

    QList<Messages::Request> shown;
    // Runs while a box is "open" (inside the presenter), e.g. to look at
    // the windows' state at that moment.
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
// first on PATH. Every run is logged; see tests/fakes/fake_tool.cpp.
class FakeTools
{
public:
    FakeTools()
        : m_oldPath(qgetenv("PATH"))
    {
        for (const char *name : { "irplay.exe", "irrecord.exe" }) {
            const QString target = m_dir.path() + QLatin1Char('/') + QLatin1String(name);
            QFile::copy(QStringLiteral(LUMO_FAKE_TOOL), target);
            QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::ExeOwner);
        }
        qputenv("PATH", m_dir.path().toLocal8Bit() + ':' + m_oldPath);
        qputenv("FAKE_TOOL_LOG", logPath().toLocal8Bit());
        clearSteering();
    }
    ~FakeTools()
    {
        qputenv("PATH", m_oldPath);
        qunsetenv("FAKE_TOOL_LOG");
        clearSteering();
    }

    QString folder() const { return m_dir.path(); }
    QString logPath() const { return m_dir.path() + QStringLiteral("/runs.log"); }
    void setSleepMs(int ms) { qputenv("FAKE_TOOL_SLEEP_MS", QByteArray::number(ms)); }
    void setExitCode(int code) { qputenv("FAKE_TOOL_EXIT", QByteArray::number(code)); }
    void setWrite(const QByteArray &text) { qputenv("FAKE_TOOL_WRITE", text); }
    void setStderr(const QByteArray &text) { qputenv("FAKE_TOOL_STDERR", text); }
    void setSignal(int signal) { qputenv("FAKE_TOOL_SIGNAL", QByteArray::number(signal)); }
    void remove(const QString &name) { QFile::remove(m_dir.path() + QLatin1Char('/') + name); }

    // Log lines: "irplay.exe\t1\t<path>" when a run starts, "irplay.exe done"
    // when it ends.
    QStringList log() const
    {
        QFile f(logPath());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
        lines.removeAll(QString());
        return lines;
    }
    // The single argument of every run of 'tool', in order.
    QStringList arguments(const QString &tool) const
    {
        QStringList args;
        for (const QString &line : log()) {
            const QStringList parts = line.split(QLatin1Char('\t'));
            if (parts.size() >= 2 && parts.at(0) == tool && parts.at(1) != QLatin1String("done"))
                args.append(parts.mid(2).join(QLatin1Char('\t')));
        }
        return args;
    }

private:
    static void clearSteering()
    {
        for (const char *name : { "FAKE_TOOL_SLEEP_MS", "FAKE_TOOL_EXIT", "FAKE_TOOL_WRITE",
                                  "FAKE_TOOL_STDERR", "FAKE_TOOL_SIGNAL" })
            qunsetenv(name);
    }

    QTemporaryDir m_dir;
    QByteArray m_oldPath;
};

namespace SetFiles {

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
