// The signal file text: what the parser accepts, what it refuses (and on
// which line it says so), and that written files read back unchanged.
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <clocale>
#include <random>

#include "irsignal.h"

using namespace lumo::ir;
using Values = std::vector<uint32_t>;
Q_DECLARE_METATYPE(Values)

namespace {

Values randomSignal(unsigned seed, std::size_t frames, std::size_t perFrame)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<uint32_t> dur(1, 3000);
    Values v;
    for (std::size_t f = 0; f < frames; ++f) {
        if (f)
            v.push_back(kFrameGapUs + dur(rng));
        for (std::size_t i = 0; i < perFrame; ++i)
            v.push_back(i % 2 == 0 ? std::min<uint32_t>(dur(rng), kMaxPulseUs)
                                   : std::min<uint32_t>(dur(rng), kFrameGapUs - 1));
    }
    return v;
}

QByteArray perLine(const Values &v)
{
    QByteArray t;
    for (std::size_t i = 0; i < v.size(); ++i)
        t += (i % 2 ? "space " : "pulse ") + QByteArray::number(v[i]) + "\n";
    return t;
}

} // namespace

class TestIrFormat : public QObject
{
    Q_OBJECT

private slots:
    void parsesGoodText_data();
    void parsesGoodText();
    void rejectsBadLine_data();
    void rejectsBadLine();
    void frameLimitCountsPerFrame();
    void roundTrip_data();
    void roundTrip();
    void headerCannotInjectValues();
    void sameOutputInAnyLocale();
    void irCtlReadsWhatWeWrite();
};

void TestIrFormat::parsesGoodText_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<uint>("carrier");
    QTest::addColumn<Values>("values");

    QTest::newRow("mode2 with carrier")
        << QByteArray("carrier 38000\npulse 9000\nspace 4500\npulse 560\n") << 38000u
        << Values{9000, 4500, 560};
    QTest::newRow("no carrier, no final newline")
        << QByteArray("pulse 889\nspace 889\npulse 1778") << 0u << Values{889, 889, 1778};
    QTest::newRow("comments and blank lines")
        << QByteArray("# made by hand\n\n  # indented comment\ncarrier 36000 # RC-5\n"
                      "pulse 889   # first\n\nspace 889\n\t pulse 889\t\n# end\n")
        << 36000u << Values{889, 889, 889};
    QTest::newRow("CRLF line ends and BOM")
        << QByteArray("\xEF\xBB\xBFpulse 100\r\nspace 200\r\npulse 300\r\n") << 0u
        << Values{100, 200, 300};
    QTest::newRow("compact signed")
        << QByteArray("+889 -889 +1778 -1778 +889\n") << 0u << Values{889, 889, 1778, 1778, 889};
    QTest::newRow("compact unsigned")
        << QByteArray("889 889 1778") << 0u << Values{889, 889, 1778};
    QTest::newRow("compact over lines with timeout comment")
        << QByteArray("+500 -400 +300\n-40000 +500 -400 +300 # timeout 133889\n") << 0u
        << Values{500, 400, 300, 40000, 500, 400, 300};
    QTest::newRow("carrier then compact")
        << QByteArray("carrier 40000\n+1 -2 +3\n") << 40000u << Values{1, 2, 3};
    QTest::newRow("mixed forms")
        << QByteArray("pulse 10\n-20 +30\nspace 40\n+50\n") << 0u << Values{10, 20, 30, 40, 50};
    QTest::newRow("upper case keywords")
        << QByteArray("CARRIER 38000\nPulse 5\nSPACE 6\npulse 7\n") << 38000u << Values{5, 6, 7};
    QTest::newRow("largest values")
        << QByteArray("pulse 500000\nspace 9000000\npulse 1\n") << 0u
        << Values{kMaxPulseUs, 9000000, 1};
}

void TestIrFormat::parsesGoodText()
{
    QFETCH(QByteArray, text);
    QFETCH(uint, carrier);
    QFETCH(Values, values);
    Signal s;
    std::string err;
    QVERIFY2(parseSignal(std::string_view(text.constData(), size_t(text.size())), s, err), err.c_str());
    QCOMPARE(s.carrier, carrier);
    QCOMPARE(s.values, values);
}

void TestIrFormat::rejectsBadLine_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("expected");  // must appear in the message

    QTest::newRow("zero pulse") << QByteArray("pulse 0\n") << "line 1: zero";
    QTest::newRow("zero space") << QByteArray("pulse 10\nspace 0\npulse 10\n") << "line 2: zero";
    QTest::newRow("zero compact") << QByteArray("+100 -0 +100\n") << "line 1: zero";
    QTest::newRow("zero carrier") << QByteArray("carrier 0\npulse 5\n") << "line 1: carrier 0";
    QTest::newRow("keyword alone") << QByteArray("pulse 5\nspace\npulse 5\n") << "line 2:";
    QTest::newRow("two numbers") << QByteArray("pulse 5 6\n") << "line 1:";
    QTest::newRow("not a number") << QByteArray("pulse 10\nspace 12x\npulse 5\n") << "line 2: '12x'";
    QTest::newRow("negative in mode2") << QByteArray("pulse -5\n") << "line 1:";
    QTest::newRow("decimal") << QByteArray("pulse 5.5\n") << "line 1:";
    QTest::newRow("word") << QByteArray("# ok\n\nhello\n") << "line 3: cannot read 'hello'";
    QTest::newRow("scancode line") << QByteArray("scancode nec:0x10\n") << "line 1:";
    QTest::newRow("starts with space") << QByteArray("space 100\npulse 100\n") << "line 1: the signal must start with a pulse";
    QTest::newRow("two pulses") << QByteArray("pulse 1\npulse 2\n") << "line 2: pulse follows a pulse";
    QTest::newRow("two spaces compact") << QByteArray("+1 -2 -3 +4\n") << "line 1: space follows a space";
    QTest::newRow("ends with space") << QByteArray("pulse 100\nspace 100\n# bye\n") << "line 2: the signal ends with a space";
    QTest::newRow("second carrier") << QByteArray("carrier 38000\ncarrier 36000\npulse 1\n") << "line 2: a second carrier";
    QTest::newRow("late carrier") << QByteArray("pulse 1\ncarrier 38000\n") << "line 2: the carrier must come before";
    QTest::newRow("carrier too low") << QByteArray("carrier 50\npulse 1\n") << "line 1: carrier 50 Hz";
    QTest::newRow("value above 24 bits") << QByteArray("pulse 1\nspace 16777216\npulse 1\n") << "line 2: duration 16777216";
    QTest::newRow("huge number") << QByteArray("pulse 99999999999999999999\n") << "line 1:";
    QTest::newRow("pulse too long") << QByteArray("pulse 500001\n") << "line 1: pulse of 500001";
    QTest::newRow("NUL byte") << QByteArray("pulse 1\nspace 2\0\npulse 3\n", 25) << "line 2:";
    QTest::newRow("empty") << QByteArray("") << "no pulses";
    QTest::newRow("only comments") << QByteArray("# nothing\ncarrier 38000\n") << "no pulses";

    Values frame(1025, 500);
    QTest::newRow("1025 values in a frame") << perLine(frame) << "line 1025: more than 1024 values in one frame";
    Values two = frame;
    two.resize(1023);
    two.push_back(kFrameGapUs - 1);  // just short of a frame gap: still one frame
    two.push_back(500);
    QTest::newRow("short gap does not split a frame") << perLine(two) << "line 1025: more than 1024";
}

void TestIrFormat::rejectsBadLine()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, expected);
    Signal s;
    std::string err;
    QVERIFY(!parseSignal(std::string_view(text.constData(), size_t(text.size())), s, err));
    QVERIFY2(QString::fromStdString(err).contains(expected),
             qPrintable("message was: " + QString::fromStdString(err)));
}

void TestIrFormat::frameLimitCountsPerFrame()
{
    // Three full frames of 1023 values apart by frame gaps: fine.
    Values v = randomSignal(7, 3, 1023);
    Signal s;
    std::string err;
    QByteArray text = perLine(v);
    QVERIFY2(parseSignal(std::string_view(text.constData(), size_t(text.size())), s, err), err.c_str());
    QCOMPARE(s.values, v);
    QCOMPARE(s.frameCount(), size_t(3));
}

void TestIrFormat::roundTrip_data()
{
    QTest::addColumn<uint>("carrier");
    QTest::addColumn<Values>("values");
    QTest::newRow("single pulse") << 0u << Values{560};
    QTest::newRow("nec") << 38000u << randomSignal(1, 1, 67);
    QTest::newRow("air conditioner, 2 frames") << 38000u << randomSignal(2, 2, 583);
    QTest::newRow("odd carrier") << 37914u << randomSignal(3, 1, 25);
    QTest::newRow("many frames") << 56000u << randomSignal(4, 7, 99);
    QTest::newRow("extremes") << 1000000u << Values{1, 5000000, kMaxPulseUs, 1, 1};
}

void TestIrFormat::roundTrip()
{
    QFETCH(uint, carrier);
    QFETCH(Values, values);
    Signal in;
    in.carrier = carrier;
    in.values = values;
    std::string err;
    QVERIFY2(checkSignal(in, err), err.c_str());

    const std::string text = formatSignal(in, {"recorded by a test", "second line"});
    QVERIFY(text.rfind("# recorded by a test\n# second line\n", 0) == 0);
    Signal back;
    QVERIFY2(parseSignal(text, back, err), err.c_str());
    QCOMPARE(back.carrier, in.carrier);
    QCOMPARE(back.values, in.values);

    // The compact form carries the same values.
    Signal compact;
    QVERIFY2(parseSignal(formatCompact(values), compact, err), err.c_str());
    QCOMPARE(compact.values, in.values);
    QCOMPARE(compact.carrier, 0u);
}

void TestIrFormat::headerCannotInjectValues()
{
    Signal in;
    in.values = {100, 200, 300};
    const std::string text = formatSignal(in, {"name with\nline break\npulse 5", "cr\r only"});
    Signal back;
    std::string err;
    QVERIFY2(parseSignal(text, back, err), err.c_str());
    QCOMPARE(back.values, in.values);
}

void TestIrFormat::sameOutputInAnyLocale()
{
    Signal in;
    in.carrier = 38000;
    in.values = {12345, 1234567, 8900};
    const std::string plain = formatSignal(in, {});
    QCOMPARE(QByteArray::fromStdString(plain),
             QByteArray("carrier 38000\npulse 12345\nspace 1234567\npulse 8900\n"));

    const char *candidates[] = {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE", "C.UTF-8"};
    const char *old = std::setlocale(LC_ALL, nullptr);
    std::string saved = old ? old : "C";
    for (const char *loc : candidates) {
        if (!std::setlocale(LC_ALL, loc))
            continue;
        QCOMPARE(QByteArray::fromStdString(formatSignal(in, {})), QByteArray::fromStdString(plain));
        Signal back;
        std::string err;
        QVERIFY2(parseSignal(plain, back, err), err.c_str());
        QCOMPARE(back.values, in.values);
    }
    std::setlocale(LC_ALL, saved.c_str());
}

void TestIrFormat::irCtlReadsWhatWeWrite()
{
    const QString irctl = QStandardPaths::findExecutable("ir-ctl");
    if (irctl.isEmpty())
        QSKIP("ir-ctl (v4l-utils) is not installed");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());

    // ir-ctl reads the file before it touches the device, and warns about
    // every line it does not understand; /dev/null then fails as no device.
    auto irctlWarnings = [&](const QByteArray &content) {
        const QString path = dir.filePath("signal.txt");
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return QByteArray("cannot write");
        f.write(content);
        f.close();
        QProcess p;
        p.start(irctl, {"-d", "/dev/null", "--send", path});
        p.waitForFinished(10000);
        const QByteArray err = p.readAllStandardError();
        return err.contains("signal.txt:") ? err : QByteArray();
    };

    // The check itself must see a broken file.
    QVERIFY(!irctlWarnings("pulse 100\nspace banana\npulse 100\n").isEmpty());

    Signal in;
    in.carrier = 38000;
    in.values = randomSignal(11, 1, 67);
    QByteArray warnings = irctlWarnings(QByteArray::fromStdString(
        formatSignal(in, {"Lumo Control IR signal, recorded by irrecord.exe from /dev/lirc0",
                          "recorded 2024-01-02 03:04:05 UTC; 67 values in 1 frame, 1.0 ms"})));
    QVERIFY2(warnings.isEmpty(), warnings.constData());
}

QTEST_GUILESS_MAIN(TestIrFormat)
#include "tst_irformat.moc"
