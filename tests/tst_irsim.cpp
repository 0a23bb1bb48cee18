// The simulator end to end through the program's tool runner: the real
// irrecord.exe / irplay.exe found on PATH, LUMO_IR_DEVICE=sim:DIR inherited
// from this process.
#include "module1.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The values of a mode2 file in ir-ctl's "+N -N" form, as sent.log has them.
QByteArray compactValues(const QByteArray &mode2)
{
    QByteArrayList out;
    for (const QByteArray &line : mode2.split('\n')) {
        if (line.startsWith("pulse "))
            out << "+" + line.mid(6);
        else if (line.startsWith("space "))
            out << "-" + line.mid(6);
    }
    return out.join(' ');
}

} // namespace

class TestIrSim : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void recordThenPlay_data();
    void recordThenPlay();
    void waitKeepsTheProgramAlive();
    void failedRecordingKeepsOldFile();
    void playMissingCommand();

private:
    QByteArray m_oldPath;
    QScopedPointer<QTemporaryDir> m_dir;
    QString m_sim;
};

void TestIrSim::initTestCase()
{
    QVERIFY2(QFileInfo(QStringLiteral(LUMO_BIN_DIR "/irrecord.exe")).isExecutable(), "irrecord.exe not built");
    QVERIFY2(QFileInfo(QStringLiteral(LUMO_BIN_DIR "/irplay.exe")).isExecutable(), "irplay.exe not built");
    m_oldPath = qgetenv("PATH");
    qputenv("PATH", QByteArray(LUMO_BIN_DIR) + ':' + m_oldPath);
    QCOMPARE(ToolRunner::findTool(ToolRunner::recordTool()), QStringLiteral(LUMO_BIN_DIR "/irrecord.exe"));
}

void TestIrSim::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
    m_sim = m_dir->filePath("sim");
    QVERIFY(QDir().mkpath(m_sim));
    qputenv("LUMO_IR_DEVICE", ("sim:" + m_sim).toLocal8Bit());
    qputenv("LUMO_IR_SIM_DELAY_MS", "0");
    qunsetenv("LUMO_IR_SIM_FAIL");
    qunsetenv("LUMO_IR_WAIT");
}

void TestIrSim::cleanupTestCase()
{
    qputenv("PATH", m_oldPath);
    qunsetenv("LUMO_IR_DEVICE");
    qunsetenv("LUMO_IR_SIM_DELAY_MS");
}

void TestIrSim::recordThenPlay_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << "Power.ir";
    QTest::newRow("spaces and quotes") << "TV \"big\" it's on.ir";
    QTest::newRow("shell characters") << "a;b $(touch x) `id` & | > .ir";
    QTest::newRow("non-ASCII") << QString::fromUtf8("Fernseher lauter \xc3\xbc\xe2\x82\xac.ir");
}

void TestIrSim::recordThenPlay()
{
    QFETCH(QString, name);
    MessageScript boxes;
    const QString file = m_dir->filePath(name);
    RunRecordTool(file);
    QVERIFY2(QFile::exists(file), qPrintable(file));
    const QByteArray text = readAll(file);
    QVERIFY(text.startsWith("# Lumo Control IR signal, simulated by irrecord.exe"));

    PlayCommand(file);
    PlayCommand(file);
    const QList<QByteArray> lines = readAll(m_sim + "/sent.log").split('\n');
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines[0].startsWith(compactValues(text) + " # carrier 38000, file "));
    QCOMPARE(lines[0], lines[1]);
    QCOMPARE(boxes.texts(), QStringList{});
    // Nothing else appeared beside the file (no shell ran, no temporary).
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 2);
}

void TestIrSim::waitKeepsTheProgramAlive()
{
    qputenv("LUMO_IR_SIM_DELAY_MS", "400");
    MessageScript boxes;
    int waitsSeen = -1;
    QTimer::singleShot(150, [&] { waitsSeen = ToolRunner::activeWaits(); });
    QElapsedTimer t;
    t.start();
    RunRecordTool(m_dir->filePath("slow.ir"));
    QVERIFY2(t.elapsed() >= 350, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(waitsSeen, 1);
    QCOMPARE(ToolRunner::activeWaits(), 0);
    QVERIFY(QFile::exists(m_dir->filePath("slow.ir")));
}

void TestIrSim::failedRecordingKeepsOldFile()
{
    const QString file = m_dir->filePath("Mute.ir");
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("pulse 1\nspace 1\npulse 1\n");
    }
    MessageScript boxes;
    for (const char *fail : {"busy", "nosignal", "overflow"}) {
        qputenv("LUMO_IR_SIM_FAIL", fail);
        qputenv("LUMO_IR_WAIT", "0.2");
        RunRecordTool(file);
        QCOMPARE(readAll(file), QByteArray("pulse 1\nspace 1\npulse 1\n"));
    }
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 2);
}

void TestIrSim::playMissingCommand()
{
    MessageScript boxes;
    PlayCommand(m_dir->filePath("never recorded.ir"));
    QCOMPARE(boxes.texts(), QStringList{"Command does not exist"});
    QVERIFY(!QFile::exists(m_sim + "/sent.log"));
}

QTEST_GUILESS_MAIN(TestIrSim)
#include "tst_irsim.moc"
