// irplay.exe as a remote would send: the protocol's carrier, sony three times,
// rc5/rc6 toggles alternating between plays (kept in a state file that may
// be broken without stopping a send), and --describe with the texts the
// recorder and the main window take from the same place. The real tool runs
// with the simulator (LUMO_IR_DEVICE=sim:DIR) and XDG_STATE_HOME in a test
// folder.
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

#include "irdescribe.h"
#include "irprotocol.h"
#include "irsignal.h"

using namespace lumo::ir;
using Values = std::vector<uint32_t>;

namespace {

const QString kPlay = QStringLiteral(LUMO_BIN_DIR "/irplay.exe");

QByteArray fileText(const Values &v, uint32_t carrier = 0)
{
    return QByteArray::fromStdString(formatSignal(Signal{ carrier, v }, { "recorded by a test" }));
}

// "pulse N" / "space N" lines, each value plus addUs
QByteArray mode2(const Values &v, uint32_t addUs = 0)
{
    QByteArray out;
    for (std::size_t i = 0; i < v.size(); ++i)
        out += QByteArray(i % 2 ? "space " : "pulse ") + QByteArray::number(v[i] + addUs) + '\n';
    return out;
}

QByteArray frames(const Values &frame, int count, uint32_t gap)
{
    Values v;
    for (int i = 0; i < count; ++i) {
        if (i)
            v.push_back(gap);
        v.insert(v.end(), frame.begin(), frame.end());
    }
    return fileText(v);
}

struct Sent
{
    Signal signal;
    std::optional<Recognised> recognised;
};

} // namespace

class TstIrPlay : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_device, m_state, m_file;

    bool writeFile(const QString &path, const QByteArray &text)
    {
        QFile f(path);
        return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) == text.size();
    }

    // Runs irplay.exe with args; returns its exit code (-1: did not end).
    int play(const QStringList &args, QByteArray *out = nullptr, bool withState = true)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LUMO_IR_DEVICE"), QStringLiteral("sim:") + m_device);
        env.remove(QStringLiteral("LUMO_IR_SIM_FAIL"));
        if (withState) {
            env.insert(QStringLiteral("XDG_STATE_HOME"), m_state);
        } else {
            env.remove(QStringLiteral("XDG_STATE_HOME"));
            env.remove(QStringLiteral("HOME"));
        }
        p.setProcessEnvironment(env);
        p.start(kPlay, args);
        if (!p.waitForFinished(10000) || p.exitStatus() != QProcess::NormalExit)
            return -1;
        if (out)
            *out = p.readAllStandardOutput() + p.readAllStandardError();
        return p.exitCode();
    }

    // What the simulated device was sent, one entry per play.
    QList<Sent> sent()
    {
        QList<Sent> all;
        QFile log(m_device + "/sent.log");
        if (!log.open(QIODevice::ReadOnly))
            return all;
        for (const QByteArray &line : log.readAll().split('\n')) {
            const int hash = line.indexOf('#');
            if (hash < 0)
                continue;
            Sent s;
            std::string error;
            if (!parseSignal(line.left(hash).toStdString(), s.signal, error))
                qFatal("sent.log: %s", error.c_str());
            s.signal.carrier = line.mid(hash).split(',').first().mid(10).toUInt();
            s.recognised = recognise(s.signal.values);
            all.append(s);
        }
        return all;
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        const QString run = QString::fromLatin1(QTest::currentDataTag()).replace('/', '_');
        m_device = m_dir.filePath(QString::fromLatin1(QTest::currentTestFunction()) + "-" + run + "-device");
        m_state = m_dir.filePath(QString::fromLatin1(QTest::currentTestFunction()) + "-" + run + "-state");
        m_file = m_dir.filePath(QString::fromLatin1(QTest::currentTestFunction()) + "-" + run + ".ir");
        QVERIFY(QDir().mkpath(m_device));
    }

    void sendsAsTheRemoteWould_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("frames"); // sent, split at gaps of 20 ms or more
        QTest::addColumn<uint>("carrier");
        QTest::addColumn<int>("period"); // frame start to frame start, us; 0: not checked
        const Values sony = encodeFrame(Protocol::Sony12, 0x10015);
        QTest::newRow("sony scancode line: three times, 45 ms apart")
            << QByteArray("scancode sony12:0x10015\n") << 3 << 40000u << 45000;
        QTest::newRow("recorded sony, two frames: one more") << frames(sony, 2, 26000) << 3 << 40000u << 0;
        QTest::newRow("recorded sony, four frames: as recorded")
            << frames(sony, 4, 26000) << 4 << 40000u << 0;
        QTest::newRow("recorded rc5 on the protocol's carrier")
            << fileText(encodeFrame(Protocol::Rc5, 0x1e01)) << 1 << 36000u << 0;
        QTest::newRow("the file's carrier wins")
            << fileText(encodeFrame(Protocol::Rc5, 0x1e01), 38000) << 1 << 38000u << 0;
        QTest::newRow("panasonic") << QByteArray("scancode panasonic:0x80099\n") << 1 << 36700u << 0;
        QTest::newRow("raw, sender's default carrier")
            << fileText({ 500, 400, 300, 40000, 500 }) << 2 << 38000u << 0;
    }

    void sendsAsTheRemoteWould()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, frames);
        QFETCH(uint, carrier);
        QFETCH(int, period);
        QVERIFY(writeFile(m_file, text));
        QCOMPARE(play({ m_file }), 0);
        const QList<Sent> s = sent();
        QCOMPARE(s.size(), 1);
        QCOMPARE(s[0].signal.carrier, carrier);
        QCOMPARE(int(s[0].signal.frameCount()), frames);
        if (period) {
            QVERIFY(s[0].recognised);
            const auto &f = s[0].recognised->frames;
            for (std::size_t i = 1; i < f.size(); ++i) {
                uint64_t us = 0;
                for (std::size_t j = f[i - 1].begin; j < f[i].begin; ++j)
                    us += s[0].signal.values[j];
                QCOMPARE(int(us), period);
            }
        }
    }

    void togglesAlternate_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("recorded");
        QTest::newRow("rc5 recorded with toggle 1")
            << fileText(encodeFrame(Protocol::Rc5, 0x1e0c, true)) << 1;
        QTest::newRow("rc5x_20, held: three frames")
            << frames(encodeFrame(Protocol::Rc5x20, 0x1f7f3f), 3, 89000) << 0;
        QTest::newRow("rc6_0 scancode line") << QByteArray("scancode rc6_0:0x800c\n") << 0;
        QTest::newRow("rc6_mce recorded with toggle 1")
            << fileText(encodeFrame(Protocol::Rc6Mce, 0x800f040c, true)) << 1;
    }

    void togglesAlternate()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, recorded);
        QVERIFY(writeFile(m_file, text));
        Signal file;
        std::string error;
        QVERIFY(parseSignal(text.toStdString(), file, error));
        const std::optional<Recognised> original = recognise(file.values);
        QVERIFY(original);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(play({ m_file }), 0);
        const QList<Sent> s = sent();
        QCOMPARE(s.size(), 3);
        for (int i = 0; i < 3; ++i) {
            QVERIFY(s[i].recognised);
            QCOMPARE(s[i].recognised->scancode, original->scancode);
            QCOMPARE(s[i].recognised->frames.size(), original->frames.size());
            // The first play sends what was recorded, then they alternate.
            QCOMPARE(s[i].recognised->toggle, i % 2 ? 1 - recorded : recorded);
        }
    }

    void brokenStateStillSends_data()
    {
        QTest::addColumn<QString>("broken");
        QTest::addColumn<int>("secondToggle"); // the first play sends the recorded 1
        QTest::newRow("state folder is a file") << "folder is a file" << 1;
        QTest::newRow("state file is a folder") << "file is a folder" << 1;
        QTest::newRow("read-only state folder") << "read-only" << 1;
        QTest::newRow("no HOME, no XDG_STATE_HOME") << "no home" << 1;
        // Garbage is replaced by what was sent, so the next play flips.
        QTest::newRow("garbage in the state file") << "garbage" << 0;
    }

    void brokenStateStillSends()
    {
        QFETCH(QString, broken);
        QFETCH(int, secondToggle);
        QVERIFY(writeFile(m_file, fileText(encodeFrame(Protocol::Rc5, 0x1e0c, true))));
        const QString folder = m_state + "/lumo-control";
        if (broken == "folder is a file") {
            QVERIFY(QDir().mkpath(m_state));
            QVERIFY(writeFile(folder, "not a folder"));
        } else if (broken == "file is a folder") {
            QVERIFY(QDir().mkpath(folder + "/toggle-state"));
        } else if (broken == "read-only") {
            if (geteuid() == 0)
                QSKIP("root writes into read-only folders");
            QVERIFY(QDir().mkpath(folder));
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        } else if (broken == "garbage") {
            QVERIFY(QDir().mkpath(folder));
            QVERIFY(writeFile(folder + "/toggle-state", QByteArray("rc5 \xff\0zz\nrc5 7\n", 16)));
        }
        QCOMPARE(play({ m_file }, nullptr, broken != "no home"), 0);
        QCOMPARE(play({ m_file }, nullptr, broken != "no home"), 0);
        const QList<Sent> s = sent();
        QCOMPARE(s.size(), 2);
        QVERIFY(s[0].recognised && s[1].recognised);
        QCOMPARE(s[0].recognised->toggle, 1);
        QCOMPARE(s[1].recognised->toggle, secondToggle);
        // no temporary file left beside the state
        QCOMPARE(QDir(folder).entryList({ "toggle-state.*" }, QDir::Files | QDir::Hidden), QStringList());
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void describes_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("line"); // irplay.exe --describe
        QTest::addColumn<QString>("tooltip");
        QTest::addColumn<QString>("decoded");
        // As irrecord.exe wrote files before it knew protocols.
        QByteArray old = "# Lumo Control IR signal, recorded by irrecord.exe from /dev/lirc0\n"
                         "# recorded 2024-05-01 18:02:11 UTC; 67 values in 1 frame, 67.5 ms\n"
                         "# carrier measured by the receiver; receive timeout 150000 us\n"
                         "carrier 37900\n"
            + mode2(encodeFrame(Protocol::Nec, 0x40bf));
        QTest::newRow("recorded before protocols were known") << old << "nec:0x40bf carrier 37900"
                                                              << "nec:0x40bf, 37.9 kHz"
                                                              << "decoded nec:0x40bf";
        // ir-ctl --receive --mode2 --measure-carrier: carrier and timeout last
        const QByteArray irctl = mode2(encodeFrame(Protocol::Rc6Mce, 0x800f0410, true), 60)
            + "carrier 36231\ntimeout 125000\n";
        QTest::newRow("ir-ctl recording") << irctl << "rc6_mce:0x800f0410 carrier 36231"
                                          << "rc6_mce:0x800f0410, 36.2 kHz"
                                          << "decoded rc6_mce:0x800f0410";
        QTest::newRow("scancode line")
            << QByteArray("scancode panasonic:0x80099\n") << "panasonic:0x80099 carrier 36700"
            << "panasonic:0x80099, 36.7 kHz"
            << "decoded panasonic:0x80099";
        QTest::newRow("raw") << fileText({ 500, 400, 300, 40000, 500 }) << "raw 2 frames 41.7 ms"
                             << "recorded signal"
                             << "";
        QTest::newRow("raw with a carrier") << fileText({ 500 }, 56000) << "raw 1 frame 0.5 ms carrier 56000"
                                            << "recorded signal"
                                            << "";
        QTest::newRow("malformed") << QByteArray("pulse 5\nspace\n") << "line 2: expected 'space N'"
                                   << "recorded signal"
                                   << "";
    }

    void describes()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, line);
        QFETCH(QString, tooltip);
        QFETCH(QString, decoded);
        QVERIFY(writeFile(m_file, text));
        QByteArray out;
        const int code = play({ "--describe", m_file }, &out);
        QCOMPARE(code, line.startsWith("line ") ? 5 : 0);
        QVERIFY2(out.contains(line.toUtf8()), out.constData());
        QCOMPARE(out.count('\n'), 1);
        QVERIFY(!QFile::exists(m_device + "/sent.log")); // nothing sent
        QCOMPARE(QString::fromStdString(tooltipText(text.toStdString())), tooltip);
        Signal s;
        std::string error;
        if (parseSignal(text.toStdString(), s, error))
            QCOMPARE(QString::fromStdString(decodedComment(s)), decoded);
    }
};

QTEST_GUILESS_MAIN(TstIrPlay)
#include "tst_irplay.moc"
