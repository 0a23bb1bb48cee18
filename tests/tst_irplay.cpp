// irplay.exe as a remote would send (the protocol's carrier, sony three times,
// rc5/rc6 toggles alternating between plays), and --describe; the real tool
// with the simulator (LUMO_IR_DEVICE=sim:DIR) and XDG_STATE_HOME in a test folder.
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "irdescribe.h"
#include "irprotocol.h"
#include "irsignal.h"
#include "irtestsupport.h"

using namespace lumo::ir;

namespace {

const QString kPlay = QStringLiteral(LUMO_BIN_DIR "/irplay.exe");

QByteArray fileText(const Values &v, uint32_t carrier = 0)
{
    return QByteArray::fromStdString(formatSignal(Signal{ carrier, v }, { "recorded by a test" }));
}

} // namespace

class TstIrPlay : public QObject
{
    Q_OBJECT

    QScopedPointer<QTemporaryDir> m_dir;
    QString m_device, m_state, m_file;

    bool writeFile(const QString &path, const QByteArray &text)
    {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
    }

    // Runs irplay.exe with args; returns its exit code (-1: did not end).
    int play(const QStringList &args, QByteArray *out = nullptr)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LUMO_IR_DEVICE", "sim:" + m_device);
        env.insert("XDG_STATE_HOME", m_state);
        p.setProcessEnvironment(env);
        p.start(kPlay, args);
        if (!p.waitForFinished(10000) || p.exitStatus() != QProcess::NormalExit)
            return -1;
        if (out)
            *out = p.readAllStandardOutput() + p.readAllStandardError();
        return p.exitCode();
    }

    // What the simulated device was sent, one entry per play.
    QList<Signal> sent()
    {
        QList<Signal> all;
        QFile log(m_device + "/sent.log");
        if (!log.open(QIODevice::ReadOnly))
            return all;
        for (const QByteArray &line : log.readAll().split('\n')) {
            const int hash = line.indexOf('#'); // "... # carrier N, file ..."
            if (hash < 0)
                continue;
            all.append(parsed(line.left(hash)));
            all.back().carrier = line.mid(hash).split(',').first().mid(10).toUInt();
        }
        return all;
    }

private slots:
    void init()
    {
        m_dir.reset(new QTemporaryDir);
        m_device = m_dir->filePath("device");
        m_state = m_dir->filePath("state");
        m_file = m_dir->filePath("x.ir");
        QVERIFY(QDir().mkpath(m_device));
    }

    void sendsAsTheRemoteWould_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("frames"); // sent, split at gaps of 20 ms or more
        QTest::addColumn<uint>("carrier");
        QTest::addColumn<int>("period"); // frame start to frame start, us; 0: not checked
        const Values frame = encodeFrame(Protocol::Sony12, 0x10015);
        Values sony = frame;
        sony.push_back(26000);
        sony.insert(sony.end(), frame.begin(), frame.end());
        QTest::newRow("sony scancode line: three times, 45 ms apart")
            << QByteArray("scancode sony12:0x10015\n") << 3 << 40000u << 45000;
        QTest::newRow("recorded sony, two frames: one more") << fileText(sony) << 3 << 40000u << 0;
        QTest::newRow("pioneer two-frame command: 108 ms apart")
            << QByteArray("scancode pioneer:0xa51aa54c\n") << 2 << 40000u << 108000;
        QTest::newRow("recorded rc5 on the protocol's carrier")
            << fileText(encodeFrame(Protocol::Rc5, 0x1e01)) << 1 << 36000u << 0;
        QTest::newRow("the file's carrier wins")
            << fileText(encodeFrame(Protocol::Rc5, 0x1e01), 38000) << 1 << 38000u << 0;
        QTest::newRow("raw, sender's default carrier")
            << fileText({ 500, 400, 300, 20000, 500 }) << 2 << 38000u << 0;
    }

    void sendsAsTheRemoteWould()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, frames);
        QFETCH(uint, carrier);
        QFETCH(int, period);
        QVERIFY(writeFile(m_file, text));
        QCOMPARE(play({ m_file }), 0);
        const QList<Signal> s = sent();
        QCOMPARE(s.size(), 1);
        QCOMPARE(s[0].carrier, carrier);
        QCOMPARE(int(s[0].frameCount()), frames);
        const std::optional<Recognised> r = recognise(s[0].values, s[0].carrier);
        QVERIFY(r || !period);
        for (std::size_t i = 1; period && i < r->frames.size(); ++i) {
            uint64_t us = 0;
            for (std::size_t j = r->frames[i - 1].begin; j < r->frames[i].begin; ++j)
                us += s[0].values[j];
            QCOMPARE(int(us), period);
        }
    }

    void togglesAlternate_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("broken");     // what is wrong with the state
        QTest::addColumn<QList<int>>("toggles"); // sent by each play
        const QByteArray rc5 = fileText(encodeFrame(Protocol::Rc5, 0x1e0c, true));
        // The first play sends what was recorded, then they alternate.
        QTest::newRow("rc5 recorded with toggle 1") << rc5 << "" << QList<int>{ 1, 0, 1 };
        QTest::newRow("rc6_0 scancode line")
            << QByteArray("scancode rc6_0:0x800c\n") << "" << QList<int>{ 0, 1 };
        // A broken state never stops a send: it is replaced by what was sent, so the next play flips.
        QTest::newRow("garbage in the state file") << rc5 << "garbage" << QList<int>{ 1, 0 };
    }

    void togglesAlternate()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, broken);
        QFETCH(QList<int>, toggles);
        QVERIFY(writeFile(m_file, text));
        const std::optional<Recognised> original = recognise(parsed(text).values);
        QVERIFY(original);
        const QString folder = m_state + "/lumo-control";
        if (broken == "garbage")
            QVERIFY(QDir().mkpath(folder)
                    && writeFile(folder + "/toggle-state", QByteArray("rc5 \xff\0zz\nrc5 7\n", 16)));
        for (int i = 0; i < toggles.size(); ++i)
            QCOMPARE(play({ m_file }), 0);
        const QList<Signal> s = sent();
        QCOMPARE(s.size(), toggles.size());
        for (int i = 0; i < toggles.size(); ++i) {
            const std::optional<Recognised> r = recognise(s[i].values);
            QVERIFY(r);
            QCOMPARE(r->scancode, original->scancode);
            QCOMPARE(r->toggle, toggles[i]);
        }
        // no temporary file left beside the state
        QCOMPARE(QDir(folder).entryList({ "toggle-state.*" }, QDir::Files | QDir::Hidden), QStringList());
    }

    void describes_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("line"); // irplay.exe --describe
        QTest::addColumn<QString>("tooltip");
        // As irrecord.exe wrote files before it knew protocols.
        const QByteArray old = "# Lumo Control IR signal, recorded by irrecord.exe from /dev/lirc0\n"
                               "# recorded 2024-05-01 18:02:11 UTC; 67 values in 1 frame, 67.5 ms\n"
                               "# carrier measured by the receiver; receive timeout 150000 us\n"
            + fileText(encodeFrame(Protocol::Nec, 0x40bf), 37900);
        QTest::newRow("recorded before protocols were known") << old << "nec:0x40bf carrier 37900"
                                                              << "nec:0x40bf, 37.9 kHz";
        // Only the carrier tells pioneer from nec.
        QTest::newRow("pioneer on its carrier")
            << fileText(encodeFrame(Protocol::Nec, 0xa51a), 40000) << "pioneer:0xa51a carrier 40000"
            << "pioneer:0xa51a, 40 kHz";
        QTest::newRow("raw with a carrier") << fileText({ 500 }, 56000) << "raw 1 frame 0.5 ms carrier 56000"
                                            << "recorded signal";
        QTest::newRow("bad scancode")
            << QByteArray("pulse 5\nspace 9\nscancode rc5:0x2000\n") << "line 3: scancode 0x2000 does not"
            << "recorded signal";
    }

    // What --describe prints, the main window's tooltip and the recorder's
    // "# decoded" line all tell the same.
    void describes()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, line);
        QFETCH(QString, tooltip);
        QVERIFY(writeFile(m_file, text));
        QByteArray out;
        const int code = play({ "--describe", m_file }, &out);
        QCOMPARE(code, line.startsWith("line ") ? 5 : 0);
        QVERIFY2(out.contains(line.toUtf8()), out.constData());
        QCOMPARE(out.count('\n'), 1);
        QVERIFY(!QFile::exists(m_device + "/sent.log")); // nothing sent
        QCOMPARE(QString::fromStdString(tooltipText(text.toStdString())), tooltip);
        if (code == 0) {
            const bool raw = line.startsWith("raw");
            QCOMPARE(QString::fromStdString(decodedComment(parsed(text))),
                     raw ? QString() : "decoded " + line.section(' ', 0, 0));
        }
    }
};

QTEST_GUILESS_MAIN(TstIrPlay)
#include "tst_irplay.moc"
