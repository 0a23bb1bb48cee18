// Code files as people share them: each form read into the command or the
// values it holds, written and read back, refused with the line at fault;
// and irplay.exe sending and describing them (the real tool, simulating).
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "ircodefile.h"
#include "irprotocol.h"
#include "irsignal.h"
#include "irtestsupport.h"

using namespace lumo::ir;

namespace {

const QString kPlay = QStringLiteral(LUMO_BIN_DIR "/irplay.exe");

// "@name" is the fixture tests/data/codes/name, anything else the text itself.
QByteArray text(const QByteArray &source)
{
    if (!source.startsWith('@'))
        return source;
    QFile f(QStringLiteral(LUMO_TEST_DATA "/codes/") + QString::fromUtf8(source.mid(1)));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

CodeFile readOk(const QByteArray &source)
{
    CodeFile file;
    std::string error;
    if (!readCodeFile(text(source).toStdString(), file, error))
        qWarning("%s", error.c_str());
    return file;
}

// "nec:0x702 1 frame" for a command, "+9000 -4500 +560 carrier 38000" for values.
QString summary(const Code &c)
{
    if (c.command) {
        const std::size_t frames = c.signal.frameCount();
        return QString::fromStdString(scancodeText(c.command->protocol, c.command->scancode))
            + QStringLiteral(" %1 frame%2").arg(frames).arg(frames == 1 ? "" : "s");
    }
    return QString::fromStdString(formatCompact(c.signal.values))
        + QStringLiteral(" carrier %1").arg(c.signal.carrier);
}

QStringList codeNames(const CodeFile &f)
{
    QStringList out;
    for (const Code &c : f.codes)
        out << QString::fromStdString(c.name);
    return out;
}

} // namespace

class TstCodeFiles : public QObject
{
    Q_OBJECT

private slots:
    void reads_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QString>("name"); // of the code looked at
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *tag, const char *source, const char *name, const char *expected) {
            QTest::newRow(tag) << QByteArray(source) << name << expected;
        };
        // Flipper: address and command bytes least significant first, onto the kernel's layouts
        row("flipper NEC", "@tv.ir", "NEC", "nec:0x702 1 frame");
        row("flipper NECext, address not inverted: necx", "@tv.ir", "NECext", "necx:0x7f15 1 frame");
        row("flipper NECext, command not inverted: nec32", "@tv.ir", "NECext32", "nec32:0x6b863412 1 frame");
        row("flipper Samsung32: address twice", "@tv.ir", "Samsung32", "samsung32:0x70702 1 frame");
        row("flipper RC5", "@tv.ir", "RC5", "rc5:0xc 1 frame");
        row("flipper RC5X: field bit clear is command bit 6", "@tv.ir", "RC5X", "rc5:0x14d 1 frame");
        row("flipper RC6", "@tv.ir", "RC6", "rc6_0:0xc 1 frame");
        row("flipper SIRC", "@tv.ir", "SIRC", "sony12:0x10015 1 frame");
        row("flipper SIRC15", "@tv.ir", "SIRC15", "sony15:0x1a003a 1 frame");
        row("flipper SIRC20: 13 address bits, device then extension", "@tv.ir", "SIRC20",
            "sony20:0x1a7215 1 frame");
        row("flipper Kaseikyo of Panasonic", "@tv.ir", "Kaseikyo", "panasonic:0x80003d 1 frame");
        row("flipper NEC42: the kernel's sanyo", "@tv.ir", "NEC42", "sanyo:0x123456 1 frame");
        row("flipper NEC42ext", "@tv.ir", "NEC42ext", "nec42:0x2345678abcd 1 frame");
        row("flipper Pioneer", "@tv.ir", "Pioneer", "pioneer:0xaa1c 1 frame");
        row("flipper RCA: fields read least significant bit first", "@tv.ir", "RCA", "rca:0xa48 1 frame");
        row("flipper Kaseikyo of another maker", "@tv.ir", "Denon", "kaseikyo:0x325440f110a1 1 frame");
        row("flipper raw: the trailing gap dropped", "@tv.ir", "Raw",
            "+9000 -4500 +560 -560 +560 carrier 38000");
        // Pronto: periods of the frequency word, intro then one repeat
        row("pronto learned", "0000 006D 0001 0001 0010 0020 0030 0040", "", "+421 -841 +1262 carrier 38000");
        row("pronto unmodulated", "0100 006D 0001 0000 0010 0020", "", "+421 carrier 0");
        row("pronto repeat part alone", "0000 0073 0000 0001 0020 0020", "", "+888 carrier 36000");
        row("pronto 5000", "5000 0073 0000 0001 0000 004D", "", "rc5:0x4d 1 frame");
        row("pronto 5001", "5001 0073 0000 0002 0001 0045 0010 0000", "", "rc5x_20:0x14510 1 frame");
        row("pronto 6000", "6000 0073 0000 0001 0000 000C", "", "rc6_0:0xc 1 frame");
        row("pronto 900A", "900A 006D 0000 0001 10EF 0DF2", "", "nec:0x100d 1 frame");
        row("pronto 900A with a subdevice", "900A 006D 0000 0001 874E 39C6", "", "necx:0x874e39 1 frame");
        // Broadlink: 32.84 us ticks, 0x00 escape for long ones, repeats
        row("broadlink hex", "2600070000011289113311", "", "+8998 -4499 +558 -1675 +558 carrier 0");
        row("broadlink base64, repeated once after its gap", "b64:JgEKAAABEokRMxEADQUAAA==", "",
            "+8998 -4499 +558 -1675 +558 -109456 +8998 -4499 +558 -1675 +558 carrier 0");
        row("broadlink base64 with digits, + and /", "JgAHAP/vEL9+ETM=", "",
            "+8374 -7849 +525 -6272 +4138 -558 +1675 carrier 0");
        row("broadlink zeros to the end of the packet: filler", "26000c00000112891133110000000000", "",
            "+8998 -4499 +558 -1675 +558 carrier 0");
        row("broadlink filler, then bytes past the length", "26000c00000112891133110000000000ff", "",
            "+8998 -4499 +558 -1675 +558 carrier 0");
        row("smartir commands, nested names", "@smartir.json", "cool.low.16",
            "+8998 -4499 +558 -1675 +558 -109456 +8998 -4499 +558 -1675 +558 carrier 0");
        // Global Cache: carrier periods, repeats from the offset, pair letters
        row("sendir repeat from offset", "sendir,1:1,1,40000,2,3,96,24,48,24,24,960", "",
            "+2400 -600 +1200 -600 +600 -24000 +1200 -600 +600 carrier 40000");
        row("sendir compressed", "sendir,1:1,1,40000,1,1,96,24,48,24,B,A,24,960", "",
            "+2400 -600 +1200 -600 +1200 -600 +2400 -600 +600 carrier 40000");
        // lircd.conf as LIRC sends one press
        row("lircd space-encoded with pre_data and a repeat", "@remotes.lircd.conf", "NETGEAR_NTV550.power",
            "necx:0x60621 2 frames");
        row("lircd REVERSE", "@remotes.lircd.conf", "reversed.power", "necx:0x60621 1 frame");
        row("lircd RC5, toggle bit sent as 0", "@remotes.lircd.conf", "Philips_RC5.KEY_POWER",
            "rc5:0xc 1 frame");
        row("lircd RC6 with rc6_mask", "@remotes.lircd.conf", "mceusb.Power", "rc6_mce:0x800f040c 1 frame");
        row("lircd raw_codes over lines", "@remotes.lircd.conf", "learned.one",
            "+2400 -600 +1200 -600 +600 carrier 40000");
        // IR database CSV, every protocol it takes
        row("csv NEC1", "@irdb.csv", "NEC1", "nec:0x408 1 frame");
        row("csv NEC2 with a subdevice", "@irdb.csv", "NEC2 with subdevice", "necx:0x40508 1 frame");
        row("csv NECx2 (quoted name)", "@irdb.csv", "NECx2, Samsung", "samsung32:0x70702 1 frame");
        row("csv RC5", "@irdb.csv", "RC5", "rc5:0x4d 1 frame");
        row("csv RC5x", "@irdb.csv", "RC5x", "rc5x_20:0x14510 1 frame");
        row("csv RC6", "@irdb.csv", "RC6", "rc6_0:0xc 1 frame");
        row("csv JVC", "@irdb.csv", "JVC", "jvc:0x317 1 frame");
        row("csv Sony12", "@irdb.csv", "Sony12", "sony12:0x10015 1 frame");
        row("csv Sony15", "@irdb.csv", "Sony15", "sony15:0x1a003a 1 frame");
        row("csv Sony20", "@irdb.csv", "Sony20", "sony20:0x1a7215 1 frame");
        row("csv Panasonic", "@irdb.csv", "Panasonic", "panasonic:0x80003d 1 frame");
        row("csv Pioneer", "@irdb.csv", "Pioneer", "pioneer:0xaa1c 1 frame");
        row("csv RCA", "@irdb.csv", "RCA", "rca:0xa48 1 frame");
        row("csv Sharp, empty subdevice", "@irdb.csv", "Sharp", "sharp:0x102 2 frames");
    }

    // Also: a command's signal is recognised as that command again.
    void reads()
    {
        QFETCH(QByteArray, source);
        QFETCH(QString, name);
        QFETCH(QString, expected);
        const CodeFile file = readOk(source);
        const int i = findCode(file, name.toStdString());
        QVERIFY2(i >= 0, qPrintable(codeNames(file).join('|')));
        const Code &c = file.codes[std::size_t(i)];
        QCOMPARE(summary(c), expected);
        if (c.command) {
            const std::optional<Recognised> r = recognise(c.signal.values, c.signal.carrier);
            QVERIFY(r);
            QCOMPARE(int(r->protocol), int(c.command->protocol));
            QCOMPARE(uint64_t(r->scancode), c.command->scancode);
        }
    }

    void names_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QString>("names");
        QTest::addColumn<int>("form");
        const QByteArray power = "name: Power\ntype: parsed\nprotocol: NEC\naddress: 07 00 00 00\n"
                                 "command: 02 00 00 00\n";
        QTest::newRow("repeated names numbered, ignoring case")
            << "Filetype: IR library file\nVersion: 1\n" + power + power
                + QByteArray(power).replace("Power", "POWER")
            << "Power|Power (2)|POWER (3)" << int(CodeForm::Flipper);
        QTest::newRow("a number given never takes a later code's own name")
            << "Filetype: IR library file\nVersion: 1\n" + power + power
                + QByteArray(power).replace("Power", "power (2)")
            << "Power|Power (3)|power (2)" << int(CodeForm::Flipper);
        QTest::newRow("unnamed codes by position")
            << QByteArray("5000 0073 0000 0001 0000 000C\nMute 5000 0073 0000 0001 0000 000D\n"
                          "5000 0073\n0000 0001 0000 000E\n")
            << "code 1|Mute|code 3" << int(CodeForm::Pronto);
        QTest::newRow("one code keeps no name")
            << QByteArray("sendir,1:1,1,40000,1,1,96,24") << "" << int(CodeForm::GlobalCache);
        QTest::newRow("sendir named before it")
            << QByteArray("\"TV on\",sendir,1:1,1,40000,1,1,96,24\n# off\n\nsendir,1:1,1,40000,1,1,48,24")
            << "TV on|code 2" << int(CodeForm::GlobalCache);
        QTest::newRow("broadlink lines")
            << QByteArray("on: 2600070000011289113311\noff: b64:JgAHAAABEokRMxE=\n") << "on|off"
            << int(CodeForm::Broadlink);
        QTest::newRow("mode2 stays one unnamed code")
            << QByteArray("pulse 500\nspace 500\npulse 500\n") << "" << int(CodeForm::Mode2);
    }

    void names()
    {
        QFETCH(QByteArray, source);
        QFETCH(QString, names);
        QFETCH(int, form);
        const CodeFile file = readOk(source);
        QCOMPARE(int(file.form), form);
        QCOMPARE(codeNames(file).join('|'), names);
    }

    void refuses_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QString>("error");
        const auto row = [](const char *tag, const QByteArray &source, const char *error) {
            QTest::newRow(tag) << source << error;
        };
        const QByteArray head = "Filetype: IR signals file\nVersion: 1\n#\nname: P\ntype: parsed\nprotocol: ";
        row("flipper signal cut before the next one",
            head + "NEC\naddress: 07 00 00 00\nname: Q\ntype: raw\n", "line 4: signal 'P' has no 'command:'");
        row("flipper key twice", head + "NEC\naddress: 07 00 00 00\naddress: 07 00 00 00\n",
            "line 8: a second 'address:' for signal 'P'");
        row("flipper ends after its file type", "Filetype: IR signals file\n",
            "line 1: the file ends before 'Version: 1'");
        row("flipper version", "Filetype: IR signals file\nVersion: 2\n", "line 2: expected 'Version: 1'");
        row("flipper three address bytes", head + "NEC\naddress: 07 00 00\ncommand: 02 00 00 00\n",
            "line 7: address '07 00 00' is not four hex bytes");
        row("flipper address wider than the protocol",
            head + "RC5\naddress: 20 00 00 00\ncommand: 01 00 00 00\n",
            "line 7: address 0x20 has more than the 5 bits of RC5");
        row("flipper unknown protocol", head + "Foo\naddress: 00 00 00 00\ncommand: 00 00 00 00\n",
            "line 6: unknown protocol 'Foo'");
        row("flipper raw value too large",
            "Filetype: IR signals file\nVersion: 1\nname: R\ntype: raw\nfrequency: 38000\nduty_cycle: 0.33\n"
            "data: 500 16777216 500\n",
            "line 7: '16777216' is not a duration");
        row("flipper duty cycle over 1",
            "Filetype: IR signals file\nVersion: 1\nname: R\ntype: raw\nfrequency: 38000\nduty_cycle: 1.5\n"
            "data: 500\n",
            "line 6: duty_cycle '1.5'");
        row("flipper duty cycle 0",
            "Filetype: IR signals file\nVersion: 1\nname: R\ntype: raw\nfrequency: 38000\nduty_cycle: 0.000\n"
            "data: 500\n",
            "line 6: duty_cycle '0.000'");
        row("flipper a bad code after a good one",
            head + "NEC\naddress: 07 00 00 00\ncommand: 02 00 00 00\nname: Q\ntype: nope\n",
            "line 10: type 'nope'");
        row("pronto cut", "0000 006D 0000 0002 0155 00AA 0016",
            "line 1: the code ends after 7 words; its counts call for 8");
        row("pronto longer than its counts", "0000 006D 0000 0001 0155 00AA 0016", "line 1: more words than");
        row("pronto zero burst", "0000 006D 0001 0000 0155 0000", "line 1: burst word 6 is 0000");
        row("pronto intro too long, its repeat alone would fit",
            "0000 006D 1001 0001" + QByteArray(" 0010").repeated(8196),
            "line 1: the intro and repeat parts are more than 8192 values");
        row("pronto unknown form on a later line",
            "5000 0073 0000 0001 0000 000C\n7000 0073 0000 0001 0000 000C",
            "line 2: Pronto form 7000 is not read here");
        row("pronto rc5 command over 127", "5000 0073 0000 0001 0000 0080",
            "line 1: RC5 command 128 is above 127");
        row("broadlink cut packet", "2600100000011289113311",
            "line 1: the packet is cut: its length says 16 bytes, 7 follow");
        row("broadlink a zero duration with more after it", "26000c00000112891133110000001100",
            "line 1: a duration of 0 inside the packet");
        row("broadlink sent 256 times is too long", "26ff2800" + QByteArray(80, '1'),
            "line 1: the packet sent 256 times is more than 8192 values");
        row("smartir value not a packet", "{\n \"commands\": {\n  \"off\": 5\n }\n}",
            "line 3: 'off' holds neither");
        row("json nested too deep", QByteArray("{\"a\":").repeated(40) + "1" + QByteArray("}").repeated(40),
            "line 1: objects nested too deep");
        row("json not closed", "{\n \"off\": \"JgAHAAABEokRMxE=\"\n", "line 3: expected ',' or '}'");
        row("sendir even offset", "sendir,1:1,1,40000,1,2,96,24,48,24",
            "line 1: offset '2' is not an odd number");
        row("sendir offset past the durations", "sendir,1:1,1,40000,1,5,96,24",
            "line 1: offset '5' is not an odd number from 1 to 1");
        row("sendir odd count", "sendir,1:1,1,40000,1,1,96,24,48",
            "line 1: the durations must come in on/off pairs");
        row("sendir letter before its pair", "sendir,1:1,1,40000,1,1,A,96,24",
            "line 1: letter A stands for no");
        row("sendir duration past 16 bits", "sendir,1:1,1,40000,1,1,96,65536",
            "line 1: '65536' is not a duration of 1 to 65535 carrier periods");
        row("sendir repeated past the value limit", "sendir,1:1,1,40000,50,1" + QByteArray(",10,10").repeated(100),
            "line 1: repeated 50 times the code is more than 8192 values");
        row("sendir repeat 51", "sendir,1:1,1,40000,51,1,96,24", "line 1: repeat '51' is not 1 to 50");
        row("lircd flag out of scope", "begin remote\n name x\n flags RCMM\nend remote\n",
            "line 3: flag 'RCMM' is not one read here");
        row("lircd flags without a value", "begin remote\n name x\n flags\nend remote\n",
            "line 3: 'flags' needs 1 value");
        row("pronto frequency word 0000", "0000 0000 0000 0001 0010 0010",
            "line 1: frequency word 0000 gives no carrier");
        row("only comments", "# begin remote\n\n# end remote\n", "no pulses in the file");
        row("lircd no end", "begin remote\n name x\n bits 8\n", "line 1: the remote has no 'end remote'");
        row("lircd code wider than bits",
            "begin remote\n bits 8\n one 500 1500\n zero 500 500\n begin codes\n  k 0x100\n end codes\nend "
            "remote\n",
            "line 6: code 0x100 has more than the remote's 8 bits");
        row("csv unknown protocol", "functionname,protocol,device,subdevice,function\nk,XMP,1,2,3\n",
            "line 2: 'XMP': protocol is not one read here");
        row("csv device out of range", "functionname,protocol,device,subdevice,function\nk,RC5,32,-1,3\n",
            "line 2: 'RC5': device 32 is above 31");
        row("csv hex in a decimal field", "functionname,protocol,device,subdevice,function\nk,RC5,1a,-1,3\n",
            "line 2: device '1a' is not a whole number");
        row("csv quote not closed", "functionname,protocol,device,subdevice,function\n\"k,RC5,1,-1,3\n",
            "line 2: a quoted field is not closed");
        row("json string across lines", "{\n \"off\": \"JgAHAAAB\nEokRMxE=\"\n}",
            "line 2: a string runs past the end of its line");
        row("csv short row", "functionname,protocol,device,subdevice,function\nk,RC5,1\n",
            "line 2: the row has 3 fields");
    }

    // Nothing half-read: the error names the line and no code comes back.
    void refuses()
    {
        QFETCH(QByteArray, source);
        QFETCH(QString, error);
        CodeFile file;
        file.codes.resize(1);
        std::string why;
        QVERIFY(!readCodeFile(source.toStdString(), file, why));
        QVERIFY2(QString::fromStdString(why).startsWith(error), why.c_str());
        QVERIFY(file.codes.empty());
    }

    void writtenReadBack_data()
    {
        QTest::addColumn<int>("protocol"); // -1: the raw values below
        QTest::addColumn<qulonglong>("scancode");
        QTest::addColumn<bool>("flipperParsed");
        const auto row = [](const char *tag, Protocol p, qulonglong sc, bool parsed) {
            QTest::newRow(tag) << int(p) << sc << parsed;
        };
        row("nec", Protocol::Nec, 0x40bf, true);
        row("necx", Protocol::Necx, 0x7f0015, true);
        row("nec32", Protocol::Nec32, 0x6b863412, true);
        row("samsung32", Protocol::Samsung32, 0x70702, true);
        row("samsung32 with another subdevice: raw", Protocol::Samsung32, 0x70802, false);
        row("rc5", Protocol::Rc5, 0x1e0c, true);
        row("rc5 extended command: RC5X", Protocol::Rc5, 0x1e4c, true);
        row("rc6_0", Protocol::Rc6_0, 0x800c, true);
        row("sony12", Protocol::Sony12, 0x10015, true);
        row("sony15", Protocol::Sony15, 0xa4003a, true);
        row("sony20", Protocol::Sony20, 0x1a7215, true);
        row("panasonic", Protocol::Panasonic, 0x80003d, true);
        row("panasonic, device's low nibble set: raw", Protocol::Panasonic, 0x81003d, false);
        row("jvc: raw", Protocol::Jvc, 0x317, false);
        row("sanyo: NEC42", Protocol::Sanyo, 0x123456, true);
        row("nec42: NEC42ext", Protocol::Nec42, 0x2345678abcdull, true);
        row("pioneer", Protocol::Pioneer, 0xaa1c, true);
        row("pioneer two-frame: raw", Protocol::Pioneer, 0xaa1c55e3, false);
        row("rca", Protocol::Rca, 0xa48, true);
        row("kaseikyo", Protocol::Kaseikyo, 0x325440f110a1ull, true);
        row("kaseikyo its check byte not Flipper's: raw", Protocol::Kaseikyo, 0x325440f110a2ull, false);
        QTest::newRow("raw values") << -1 << 0ull << false;
    }

    // Flipper (parsed or raw), Pronto and mode2 give the same code back;
    // Pronto's periods round each value by less than one.
    void writtenReadBack()
    {
        QFETCH(int, protocol);
        QFETCH(qulonglong, scancode);
        QFETCH(bool, flipperParsed);
        const Code code = protocol < 0
            ? codeFromSignal(Signal{ 40000, { 2400, 600, 1200, 25000, 600 } }, "Vol +")
            : codeFromCommand(Protocol(protocol), scancode, "Vol +");
        const std::string flipper = writeFlipper({ code, code });
        QCOMPARE(QByteArray::fromStdString(flipper).contains("type: parsed"), flipperParsed);
        const QList<QByteArray> written = { QByteArray::fromStdString(flipper),
                                            QByteArray::fromStdString(writePronto(code.signal)),
                                            QByteArray::fromStdString(writeMode2(code, { "from a test" })) };
        for (const QByteArray &w : written) {
            const CodeFile back = readOk(w);
            QVERIFY2(!back.codes.empty(), w.constData());
            const Code &c = back.codes[0];
            QCOMPARE(c.command.has_value(), code.command.has_value());
            if (code.command) {
                QCOMPARE(int(c.command->protocol), protocol);
                QCOMPARE(c.command->scancode, uint64_t(scancode));
                continue;
            }
            QCOMPARE(c.signal.values.size(), code.signal.values.size());
            for (std::size_t i = 0; i < c.signal.values.size(); ++i)
                QVERIFY(std::abs(int(c.signal.values[i]) - int(code.signal.values[i])) <= 25);
            QVERIFY(std::abs(int(c.signal.carrier) - int(code.signal.carrier)) <= 400); // Pronto's word
        }
    }

    void irplay_data()
    {
        QTest::addColumn<QStringList>("args"); // FILE: the file below
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("output"); // in stdout + stderr
        QTest::addColumn<QString>("sent");   // what the device got, in ir-ctl's form; "": nothing
        const QByteArray two =
            "Filetype: IR signals file\nVersion: 1\nname: Vol +\ntype: raw\nfrequency: 40000\n"
            "duty_cycle: 0.33\ndata: 2400 600 1200\nname: Power\ntype: parsed\nprotocol: NEC\n"
            "address: 07 00 00 00\ncommand: 02 00 00 00\n";
        QTest::newRow("--code picks, ignoring case")
            << QStringList{ "--code", "VOL +", "FILE" } << two << 0 << ""
            << "+2400 -600 +1200 # carrier 40000";
        QTest::newRow("several codes need --code")
            << QStringList{ "FILE" } << two << 2 << "holds 2 codes; pick one with --code NAME"
            << "";
        QTest::newRow("no such code")
            << QStringList{ "--code", "Mute", "FILE" } << two << 2 << "no code named 'Mute'"
            << "";
        QTest::newRow("--describe names the form and each code")
            << QStringList{ "--describe", "FILE" } << two << 0
            << "Flipper .ir, 2 codes\nVol +\traw 1 frame 4.2 ms carrier 40000\nPower\tnec:0x702 carrier "
               "38000\n"
            << "";
        QTest::newRow("one pronto code is sent as it is")
            << QStringList{ "--", "FILE" } << QByteArray("0000 006D 0001 0000 0010 0020\n") << 0 << ""
            << "+421 # carrier 38000";
        QTest::newRow("a bad code anywhere sends nothing")
            << QStringList{ "--code", "Power", "FILE" } << two + "name: Bad\ntype: raw\n"
            << 5 << ": line 13: signal 'Bad' has no 'frequency:'"
            << "";
    }

    void irplay()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, source);
        QFETCH(int, code);
        QFETCH(QString, output);
        QFETCH(QString, sent);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("device"));
        QFile f(dir.filePath("codes.ir"));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(source) == source.size());
        f.close();
        args.replaceInStrings(QRegularExpression("^FILE$"), f.fileName());
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LUMO_IR_DEVICE", "sim:" + dir.filePath("device"));
        env.insert("XDG_STATE_HOME", dir.filePath("state"));
        p.setProcessEnvironment(env);
        p.start(kPlay, args);
        QVERIFY(p.waitForFinished(10000));
        const QByteArray out = p.readAllStandardOutput() + p.readAllStandardError();
        QCOMPARE(p.exitCode(), code);
        QVERIFY2(out.contains(output.toUtf8()), out.constData());
        QFile log(dir.filePath("device/sent.log"));
        const QByteArray logged = log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
        QCOMPARE(QString::fromUtf8(logged.left(logged.indexOf(','))), sent);
    }
};

QTEST_GUILESS_MAIN(TstCodeFiles)
#include "tst_codefiles.moc"
