// The signal file text: what the parser accepts, what it refuses (and on
// which line), and what the writer writes.
#include <QtTest>

#include "irprotocol.h"
#include "irsignal.h"
#include "irtogglestate.h"
#include "irtestsupport.h"

using namespace lumo::ir;

namespace {

QByteArray text(const Values &v)
{
    return QByteArray::fromStdString(formatSignal(Signal{ 0, v }, {}));
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
        good("compact signed and unsigned, mixed, upper case",
             "CARRIER 40000\n+10 -20\nPulse 30\n-40 50 # 1\nSPACE 60\n70", 40000,
             { 10, 20, 30, 40, 50, 60, 70 });
        good("largest values", "pulse 500000\nspace 9000000\npulse 1\n", 0, { kMaxPulseUs, 9000000, 1 });
        // What ir-ctl --receive --mode2 --measure-carrier writes: the carrier
        // comes with the end of the signal, then the receiver's timeout.
        good("carrier last, timeout", "pulse 9000\nspace 4500\npulse 560\ncarrier 38000\ntimeout 125000\n",
             38000, { 9000, 4500, 560 });
        // ir-ctl --send takes a timeout as a space: none before the first
        // pulse, added to a space before it, dropped at the end.
        good("timeouts as spaces",
             "timeout 7\npulse 1\ntimeout 5000\npulse 2\nspace 200\ntimeout 30000\npulse 3\nspace 9\ntimeout "
             "9\n",
             0, { 1, 5000, 2, 30200, 3 });
        const Values nec = encodeFrame(Protocol::Nec, 0x1f);
        good("scancode names and numbers as ir-ctl reads them", "scancode RC-5:0X1E01\n", 36000,
             encodeFrame(Protocol::Rc5, 0x1e01));
        good("scancode in octal", "scancode nec:037 # 31\n", 38000, nec);
        good("scancode in decimal", "scancode nec:+31\n", 38000, nec);
        good("scancodes back to back get ir-ctl's gap", "scancode nec:31\nscancode nec:31\n", 38000,
             join({ nec, { kScancodeGapUs }, nec }));
        good("pulses, then a scancode after ir-ctl's gap", "carrier 38000\npulse 100\nscancode nec:31\n",
             38000, join({ { 100, kScancodeGapUs }, nec }));
        good("scancode after a space of its own", "scancode nec:31\nspace 40000\nscancode nec:31\n", 38000,
             join({ nec, { 40000 }, nec }));
        good("panasonic's own carrier", "scancode panasonic:0x80099\n", 36700,
             encodeFrame(Protocol::Panasonic, 0x80099));
        good("a 48-bit scancode", "scancode kaseikyo:0x325410012031\n", 37000,
             encodeFrame(Protocol::Kaseikyo, 0x325410012031));
        const auto bad = [](const char *tag, const QByteArray &text, const char *error) {
            QTest::newRow(tag) << text << 0u << Values{} << QString(error);
        };
        bad("zero space", "pulse 10\nspace 0\npulse 10\n", "line 2: zero");
        bad("not a number", "pulse 10\nspace 12x\npulse 5\n", "line 2: '12x'");
        bad("NUL byte", QByteArray("pulse 1\nspace 2\0\npulse 3\n", 25), "line 2:");
        bad("starts with space", "space 100\npulse 100\n", "line 1: the signal must start with a pulse");
        bad("two pulses", "pulse 1\npulse 2\n", "line 2: pulse follows a pulse");
        bad("ends with space", "pulse 100\nspace 100\n# bye\n", "line 2: the signal ends with a space");
        bad("second carrier after the pulses", "carrier 38000\npulse 1\ncarrier 36000\n",
            "line 3: a second carrier, 36000 Hz");
        bad("carrier against a scancode's", "carrier 38000\nscancode rc5:1\n",
            "line 2: this scancode is sent on 36000 Hz, but line 1 gave 38000 Hz");
        bad("unknown protocol", "scancode rc7:0x1\n", "line 1: unknown protocol 'rc7'");
        bad("scancode without protocol", "scancode 0x1e01\n", "line 1: expected 'scancode PROTOCOL:VALUE'");
        bad("word", "# ok\n\nhello\n", "line 3: cannot read 'hello'");
        bad("not octal", "scancode rc5:09\n", "line 1: '09' is not a scancode");
        bad("outside the protocol", "scancode rc5:0x2000\n", "line 1: scancode 0x2000 does not fit rc5");
        bad("outside 48 bits", "scancode kaseikyo:0x1000000000000\n",
            "line 1: scancode 0x1000000000000 does not");
        bad("beyond 64 bits", "scancode kaseikyo:0x10000000000000000\n", "is not a scancode");
        bad("rc6_mce with its toggle bit", "scancode rc6_mce:0x800f8001\n",
            "line 1: scancode 0x800f8001 does not");
        bad("pulse right after a scancode", "scancode rc5:1\npulse 5\n", "line 2: pulse follows a pulse");
        bad("above 24 bits", "pulse 1\nspace 16777216\npulse 1\n", "line 2: duration 16777216");
        bad("pulse too long", "pulse 500001\n", "line 1: pulse of 500001");
        bad("only comments", "# nothing\ncarrier 38000\n", "no pulses");
        Values frame(1025, 500);
        bad("1025 in a frame", text(frame), "line 1025: more than 1024 values in one frame");
        frame[1023] = kFrameGapUs - 1; // just short of a frame gap: still one frame
        bad("short gap does not split", text(frame), "line 1025: more than 1024");
        frame[1023] = kFrameGapUs;
        good("a gap of 20 ms splits", text(frame), 0, frame);
        // The file's limit is told on the line that passes it, even when that line is the last.
        Values many(kMaxValues + 1, 500);
        for (std::size_t i = 999; i < many.size(); i += 1000)
            many[i] = kFrameGapUs;
        bad("one value past the file's limit", text(many), "line 8193: more than 8192 values in the file");
        many.resize(kMaxValues - 1);
        good("just inside the file's limit", text(many), 0, many);
    }

    void parses()
    {
        QFETCH(QByteArray, text);
        QFETCH(uint, carrier);
        QFETCH(Values, values);
        QFETCH(QString, error);
        Signal s;
        std::string err;
        QVERIFY2(parseSignal(text.toStdString(), s, err) == !values.empty(), err.c_str());
        QVERIFY2(QString::fromStdString(err).contains(error), err.c_str());
        if (!values.empty()) {
            QCOMPARE(s.carrier, carrier);
            QCOMPARE(s.values, values);
        }
    }

    // Written files read back unchanged; a header line break must not smuggle values into the file.
    void writesWhatItReads()
    {
        const Signal in{ 38000, { 12345, 1234567, 8900 } };
        QCOMPARE(QByteArray::fromStdString(formatSignal(in, { "recorded by a test" })),
                 QByteArray("# recorded by a test\ncarrier 38000\npulse 12345\nspace 1234567\npulse 8900\n"));
        QCOMPARE(formatCompact(in.values), std::string("+12345 -1234567 +8900"));
        const std::string text = formatSignal(in, { "name with\nline break\npulse 5", "cr\r only" });
        Signal back;
        std::string err;
        QVERIFY2(parseSignal(text, back, err), err.c_str());
        QCOMPARE(back.values, in.values);
    }

    // Where the last toggle sent is kept: XDG's state folder, else the home
    // folder's; only absolute paths count.
    void toggleStateFile_data()
    {
        QTest::addColumn<QByteArray>("xdg"); // "-": unset
        QTest::addColumn<QByteArray>("home");
        QTest::addColumn<QString>("path");
        QTest::newRow("XDG_STATE_HOME") << QByteArray("/x/state//") << QByteArray("/h")
                                        << "/x/state/lumo-control/toggle-state";
        QTest::newRow("relative XDG_STATE_HOME") << QByteArray("state") << QByteArray("/h")
                                                 << "/h/.local/state/lumo-control/toggle-state";
        QTest::newRow("HOME only") << QByteArray("-") << QByteArray("/h")
                                   << "/h/.local/state/lumo-control/toggle-state";
        QTest::newRow("relative HOME") << QByteArray("-") << QByteArray("h") << "";
    }

    void toggleStateFile()
    {
        QFETCH(QByteArray, xdg);
        QFETCH(QByteArray, home);
        QFETCH(QString, path);
        QCOMPARE(QString::fromStdString(toggleStatePath(xdg == "-" ? nullptr : xdg.constData(), home.constData())),
                 path);
    }
};

QTEST_GUILESS_MAIN(TstIrFormat)
#include "tst_irformat.moc"
