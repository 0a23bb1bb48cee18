// The signal file text: what the parser accepts, what it refuses (and on
// which line), and that written files read back unchanged.
#include <QtTest>

#include <random>

#include "irsignal.h"

using namespace lumo::ir;
using Values = std::vector<uint32_t>;

namespace {

// frames of perFrame values from 1 to 3000 us, a frame gap apart.
Values randomSignal(unsigned seed, std::size_t frames, std::size_t perFrame)
{
    std::mt19937 rng(seed);
    Values v;
    for (std::size_t i = 0; i < frames * (perFrame + 1) - 1; ++i)
        v.push_back(1 + rng() % 3000 + (i % (perFrame + 1) == perFrame ? kFrameGapUs : 0));
    return v;
}

QByteArray text(const Values &v)
{
    return QByteArray::fromStdString(formatSignal(Signal{ 0, v }, {}));
}

bool parse(const QByteArray &text, Signal &s, std::string &err)
{
    return parseSignal(std::string_view(text.constData(), size_t(text.size())), s, err);
}

} // namespace

class TstIrFormat : public QObject
{
    Q_OBJECT

private slots:
    void parses_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<uint>("carrier");
        QTest::addColumn<Values>("values"); // empty: refused
        QTest::addColumn<QString>("error"); // must appear in the message
        const auto good = [](const char *tag, const QByteArray &text, uint carrier, const Values &values) {
            QTest::newRow(tag) << text << carrier << values << QString();
        };
        good("comments, blanks, tabs",
             "# by hand\n\n  # indented\ncarrier 36000 # RC-5\npulse 889   # first\n\n"
             "space 889\n\t pulse 889\t\n# end",
             36000, { 889, 889, 889 });
        good("CRLF and BOM", "\xEF\xBB\xBFpulse 100\r\nspace 200\r\npulse 300\r\n", 0, { 100, 200, 300 });
        good("compact over lines", "+500 -400 +300\n-40000 +5 -4 +3 # timeout 1\n", 0,
             { 500, 400, 300, 40000, 5, 4, 3 });
        good("compact unsigned, mixed, upper case", "CARRIER 40000\n10 20\nPulse 30\n-40 50\nSPACE 60\n70",
             40000, { 10, 20, 30, 40, 50, 60, 70 });
        good("largest values", "pulse 500000\nspace 9000000\npulse 1\n", 0, { kMaxPulseUs, 9000000, 1 });
        const auto bad = [](const char *tag, const QByteArray &text, const char *error) {
            QTest::newRow(tag) << text << 0u << Values{} << QString(error);
        };
        bad("zero space", "pulse 10\nspace 0\npulse 10\n", "line 2: zero");
        bad("not a number", "pulse 10\nspace 12x\npulse 5\n", "line 2: '12x'");
        bad("word", "# ok\n\nhello\n", "line 3: cannot read 'hello'");
        bad("NUL byte", QByteArray("pulse 1\nspace 2\0\npulse 3\n", 25), "line 2:");
        bad("starts with space", "space 100\npulse 100\n", "line 1: the signal must start with a pulse");
        bad("two pulses", "pulse 1\npulse 2\n", "line 2: pulse follows a pulse");
        bad("two spaces compact", "+1 -2 -3 +4\n", "line 1: space follows a space");
        bad("ends with space", "pulse 100\nspace 100\n# bye\n", "line 2: the signal ends with a space");
        bad("second carrier", "carrier 38000\ncarrier 36000\npulse 1\n", "line 2: a second carrier");
        bad("late carrier", "pulse 1\ncarrier 38000\n", "line 2: the carrier must come before");
        bad("carrier too low", "carrier 50\npulse 1\n", "line 1: carrier 50 Hz");
        bad("above 24 bits", "pulse 1\nspace 16777216\npulse 1\n", "line 2: duration 16777216");
        bad("pulse too long", "pulse 500001\n", "line 1: pulse of 500001");
        bad("only comments", "# nothing\ncarrier 38000\n", "no pulses");
        Values frame(1025, 500);
        bad("1025 in a frame", text(frame), "line 1025: more than 1024 values in one frame");
        frame[1023] = kFrameGapUs - 1; // just short of a frame gap: still one frame
        bad("short gap does not split", text(frame), "line 1025: more than 1024");
    }

    void parses()
    {
        QFETCH(QByteArray, text);
        QFETCH(uint, carrier);
        QFETCH(Values, values);
        QFETCH(QString, error);
        Signal s;
        std::string err;
        QVERIFY2(parse(text, s, err) == !values.empty(), err.c_str());
        QVERIFY2(QString::fromStdString(err).contains(error), err.c_str());
        if (!values.empty()) {
            QCOMPARE(s.carrier, carrier);
            QCOMPARE(s.values, values);
        }
    }

    void roundTrip_data()
    {
        QTest::addColumn<uint>("carrier");
        QTest::addColumn<Values>("values");
        QTest::newRow("single pulse") << 0u << Values{ 560 };
        QTest::newRow("nec") << 38000u << randomSignal(1, 1, 67);
        QTest::newRow("two frames") << 37914u << randomSignal(2, 2, 583);
        QTest::newRow("three full frames") << 56000u << randomSignal(7, 3, 1023);
        QTest::newRow("extremes") << 1000000u << Values{ 1, 5000000, kMaxPulseUs, 1, 1 };
    }

    void roundTrip()
    {
        QFETCH(uint, carrier);
        QFETCH(Values, values);
        const Signal in{ carrier, values };
        std::string err;
        QVERIFY2(checkSignal(in, err), err.c_str());
        // A header line break must not smuggle values into the file.
        const std::string text = formatSignal(in, { "name with\nline break\npulse 5", "cr\r only" });
        Signal back, compact;
        QVERIFY2(parseSignal(text, back, err), err.c_str());
        QCOMPARE(back.carrier, in.carrier);
        QCOMPARE(back.values, in.values);
        QVERIFY2(parseSignal(formatCompact(values), compact, err), err.c_str());
        QCOMPARE(compact.values, in.values);
    }

    void writerText()
    {
        const Signal in{ 38000, { 12345, 1234567, 8900 } };
        QCOMPARE(QByteArray::fromStdString(formatSignal(in, { "recorded by a test" })),
                 QByteArray("# recorded by a test\ncarrier 38000\npulse 12345\nspace 1234567\npulse 8900\n"));
        QCOMPARE(formatCompact(in.values), std::string("+12345 -1234567 +8900"));
    }
};

QTEST_GUILESS_MAIN(TstIrFormat)
#include "tst_irformat.moc"
