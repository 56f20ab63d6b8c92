// The emulated device through the real binding: conversions of fixed DC levels
// give the codes of each range, and a conversion driven in the wrong order
// does not give the channel's code. The test's environment sets QB7EMU_DC.
#include "device/adc.h"
#include "device/qb7driver.h"

#include <QTemporaryFile>
#include <QTest>

#include <dlfcn.h>
#include <unistd.h>

using namespace qb7;

namespace {

constexpr std::uint8_t kUnfilled = 0x5A;

// Ways to get the conversion sequence wrong, each one step off the right one.
enum Fault {
    None,
    NotOpened,
    EnableLeftHigh,
    EnableLoweredLate,
    NoStartPulse,
    ReadsBeforeStart,
    PortALeftOutput,
    PortBInput,
    WrongModePortAOutput,
    WrongModePortAInput,
    NoConvertBit,
    SelectNotLowered,
};

// The conversion sequence step by step, with `fault` applied. Returns the five
// reads: port A lines 3, 2, 1, 0, then the whole port; each is handed
// kUnfilled, so a read the library leaves alone shows as such.
QByteArray convert(Qb7Driver &driver, int channel, int range, Fault fault)
{
    const int wrongMode = kMode - 1;
    std::uint8_t controlByte = static_cast<std::uint8_t>(channel + 8 * range + 64);
    if (fault == NoConvertBit)
        controlByte &= ~64;

    QByteArray reads(5, char(kUnfilled));
    auto readLine = [&](int index, int lineNumber) {
        std::uint8_t byte = kUnfilled;
        driver.QB7In(kPortA + line(lineNumber), byte);
        reads[index] = char(byte);
    };
    auto readHighBits = [&] {
        for (int n = 3; n >= 0; --n)
            readLine(3 - n, n);
    };

    if (fault != NotOpened)
        driver.OpenQB7();
    driver.SetQB7(kPortB, fault == PortBInput ? kAllInput : kAllOutput, kMode);
    driver.QB7Out(kPortB, 255);
    if (fault != EnableLeftHigh && fault != EnableLoweredLate)
        driver.QB7Out(kPortB + line(3), 0);
    driver.QB7Out(kPortB + line(2), 0);
    driver.SetQB7(kPortA, kAllOutput, fault == WrongModePortAOutput ? wrongMode : kMode);
    driver.QB7Out(kPortA, controlByte);
    driver.QB7Out(kPortB + line(2), 1);
    if (fault != NoStartPulse && fault != ReadsBeforeStart)
        driver.QB7Out(kPortB + line(1), 0);
    if (fault == EnableLoweredLate)
        driver.QB7Out(kPortB + line(3), 0);
    if (fault != PortALeftOutput)
        driver.SetQB7(kPortA, kAllInput, fault == WrongModePortAInput ? wrongMode : kMode);
    readHighBits();
    if (fault == ReadsBeforeStart)
        driver.QB7Out(kPortB + line(1), 0);
    if (fault != SelectNotLowered)
        driver.QB7Out(kPortB + line(0), 0);
    std::uint8_t low = kUnfilled;
    driver.QB7In(kPortA, low);
    reads[4] = char(low);
    driver.CloseQB7();
    return reads;
}

QByteArray readsOf(int code12)
{
    QByteArray reads;
    for (int n = 11; n >= 8; --n)
        reads += char((code12 >> n) & 1);
    reads += char(code12 & 0xFF);
    return reads;
}

} // namespace

class TestEmulator : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    // Runs first, before any conversion has changed the ports.
    void startsWithBothPortsInput();
    void malformedEntriesReported_data();
    void malformedEntriesReported();
    void conversionCodes_data();
    void conversionCodes();
    void builtInSignalsKept();
    void wrongSequence_data();
    void wrongSequence();
    void writesToInputLinesIgnored_data();
    void writesToInputLinesIgnored();
    void closedDeviceIgnoresCalls_data();
    void closedDeviceIgnoresCalls();
    void singleLineReads_data();
    void singleLineReads();
    void otherOperations();

private:
    Qb7Driver m_driver;
    QByteArray m_loadMessages;
};

void TestEmulator::initTestCase()
{
    // The library reports what it skips in QB7EMU_DC while it loads, which is
    // during the first call.
    QTemporaryFile capture;
    QVERIFY(capture.open());
    std::fflush(stderr);
    const int savedStderr = dup(STDERR_FILENO);
    QVERIFY(savedStderr >= 0);
    dup2(capture.handle(), STDERR_FILENO);
    try {
        m_driver.OpenQB7();
        m_driver.CloseQB7();
    } catch (const std::exception &e) {
        dup2(savedStderr, STDERR_FILENO);
        QFAIL(e.what());
    }
    std::fflush(stderr);
    dup2(savedStderr, STDERR_FILENO);
    close(savedStderr);
    capture.seek(0);
    m_loadMessages = capture.readAll();
}

void TestEmulator::startsWithBothPortsInput()
{
    // Port B's lines float high, so the converter is disabled and port A's
    // lines float high as well; nothing is driven, so every read is filled.
    m_driver.OpenQB7();
    std::uint8_t a = 0;
    std::uint8_t b = 0;
    m_driver.QB7In(kPortA, a);
    m_driver.QB7In(kPortB, b);
    m_driver.CloseQB7();
    QCOMPARE(a, std::uint8_t(0xFF));
    QCOMPARE(b, std::uint8_t(0xFF));
}

void TestEmulator::malformedEntriesReported_data()
{
    QTest::addColumn<QByteArray>("entry");

    QTest::newRow("trailing unit") << QByteArray("\"7=2.5V\"");
    QTest::newRow("channel 9") << QByteArray("\"9=1\"");
    QTest::newRow("no level") << QByteArray("\"6=\"");
    QTest::newRow("no equals sign") << QByteArray("\"junk\"");
}

void TestEmulator::malformedEntriesReported()
{
    QFETCH(QByteArray, entry);

    const QList<QByteArray> lines = m_loadMessages.trimmed().split('\n');
    QCOMPARE(lines.size(), 4);
    int naming = 0;
    for (const QByteArray &line : lines)
        naming += line.contains(entry);
    QVERIFY2(naming == 1, m_loadMessages.constData());
}

void TestEmulator::conversionCodes_data()
{
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("range");
    QTest::addColumn<int>("expected");

    // 2.5 V
    QTest::newRow("2.5V 0-5V") << 0 << 0 << 2048;
    QTest::newRow("2.5V +-5V") << 0 << 1 << 1024;
    QTest::newRow("2.5V 0-10V") << 0 << 2 << 1024;
    QTest::newRow("2.5V +-10V") << 0 << 3 << 512;
    // -1.25 V: below the unipolar ranges
    QTest::newRow("-1.25V 0-5V clamps") << 1 << 0 << 0;
    QTest::newRow("-1.25V +-5V") << 1 << 1 << -512;
    QTest::newRow("-1.25V 0-10V clamps") << 1 << 2 << 0;
    QTest::newRow("-1.25V +-10V") << 1 << 3 << -256;
    // 7.5 V: above the 5 V ranges
    QTest::newRow("7.5V 0-5V clamps") << 2 << 0 << 4095;
    QTest::newRow("7.5V +-5V clamps") << 2 << 1 << 2047;
    QTest::newRow("7.5V 0-10V") << 2 << 2 << 3072;
    QTest::newRow("7.5V +-10V") << 2 << 3 << 1536;
    // -20 V: below every range
    QTest::newRow("-20V 0-5V clamps") << 3 << 0 << 0;
    QTest::newRow("-20V +-5V clamps") << 3 << 1 << -2048;
    QTest::newRow("-20V 0-10V clamps") << 3 << 2 << 0;
    QTest::newRow("-20V +-10V clamps") << 3 << 3 << -2048;
    // -1 mV: rounds down to -1 in the bipolar ranges, not towards zero
    QTest::newRow("-1mV 0-5V clamps") << 4 << 0 << 0;
    QTest::newRow("-1mV +-5V") << 4 << 1 << -1;
    QTest::newRow("-1mV 0-10V clamps") << 4 << 2 << 0;
    QTest::newRow("-1mV +-10V") << 4 << 3 << -1;
    // 4.99 V
    QTest::newRow("4.99V 0-5V") << 5 << 0 << 4087;
    QTest::newRow("4.99V +-5V") << 5 << 1 << 2043;
    QTest::newRow("4.99V 0-10V") << 5 << 2 << 2043;
    QTest::newRow("4.99V +-10V") << 5 << 3 << 1021;
    // Channel 7's own 0 V: its malformed override was skipped.
    QTest::newRow("0V 0-5V") << 7 << 0 << 0;
    QTest::newRow("0V +-10V") << 7 << 3 << 0;
}

void TestEmulator::conversionCodes()
{
    QFETCH(int, channel);
    QFETCH(int, range);
    QFETCH(int, expected);

    Adc adc(m_driver);
    std::int16_t adValue = 0;
    // A different reading first, so that a read left unfilled cannot pass.
    const int decoy = channel == 2 ? 0 : 2;
    adc.adc(decoy, 0, adValue);
    QCOMPARE(adValue, std::int16_t(channel == 2 ? 2048 : 4095));

    for (int i = 0; i < 2; ++i) {
        QCOMPARE(adc.adc(channel, range, adValue), std::int16_t(expected));
        QCOMPARE(adValue, std::int16_t(expected));
        for (int bit = 8; bit <= 11; ++bit)
            QVERIFY(adc.bitLines(bit) <= 1);
    }
}

void TestEmulator::builtInSignalsKept()
{
    // Channel 6's override had no level, so its ±8 V sine stays and moves.
    Adc adc(m_driver);
    std::int16_t adValue = 0;
    QList<int> seen;
    for (int i = 0; i < 40 && seen.size() < 2; ++i) {
        const int code = adc.adc(6, 3, adValue);
        QVERIFY2(code >= -1639 && code <= 1638, qPrintable(QString::number(code)));
        if (!seen.contains(code))
            seen << code;
        QTest::qSleep(25);
    }
    QCOMPARE(seen.size(), 2);
}

void TestEmulator::wrongSequence_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<QByteArray>("expectedReads");

    // Channel 5 holds 4.99 V: code 0x7FB in the ±5 V range.
    const QByteArray unfilled(5, char(kUnfilled));
    QTest::newRow("right sequence") << int(None) << readsOf(0x7FB);
    QTest::newRow("device not opened") << int(NotOpened) << unfilled;
    QTest::newRow("line 3 left high") << int(EnableLeftHigh) << readsOf(0xFFF);
    QTest::newRow("line 3 lowered after line 1 falls") << int(EnableLoweredLate) << readsOf(0xFFF);
    QTest::newRow("line 1 never falls") << int(NoStartPulse) << readsOf(0xFFF);
    QTest::newRow("high bits read before line 1 falls") << int(ReadsBeforeStart) << readsOf(0xFFB);
    QTest::newRow("port A left as output") << int(PortALeftOutput) << unfilled;
    QTest::newRow("port B set as input") << int(PortBInput) << readsOf(0xFFF);
    // Port A stays input, the control byte floats to 0xFF: channel 7 (0 V), ±10 V.
    QTest::newRow("wrong mode making port A output") << int(WrongModePortAOutput) << readsOf(0);
    QTest::newRow("wrong mode making port A input") << int(WrongModePortAInput) << unfilled;
    QTest::newRow("control byte without bit 6") << int(NoConvertBit) << readsOf(0xFFF);
    QTest::newRow("line 0 never lowered") << int(SelectNotLowered) << readsOf(0x707);
}

void TestEmulator::wrongSequence()
{
    QFETCH(int, fault);
    QFETCH(QByteArray, expectedReads);

    // A right conversion of another channel first, so that nothing of it can
    // pass for this one.
    QCOMPARE(convert(m_driver, 2, 2, None), readsOf(3072));

    QCOMPARE(convert(m_driver, 5, 1, Fault(fault)).toHex(' '), expectedReads.toHex(' '));
}

void TestEmulator::writesToInputLinesIgnored_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("value");

    QTest::newRow("port A whole") << kPortA << 0x12;
    QTest::newRow("port A line 0") << kPortA + 1 << 0;
    QTest::newRow("port B whole") << kPortB << 0xFF;
    QTest::newRow("port B line 3") << kPortB + 8 << 1;
}

void TestEmulator::writesToInputLinesIgnored()
{
    QFETCH(int, address);
    QFETCH(int, value);

    // Leaves port A input holding control byte 77 (4.99 V, ±5 V) in its latch,
    // and port B output at 1111 0100.
    QCOMPARE(convert(m_driver, 5, 1, None), readsOf(0x7FB));

    // The write goes to a port set for input; making the port output again
    // afterwards must bring back what its latch held before.
    const int port = address & ~0xF;
    m_driver.OpenQB7();
    m_driver.SetQB7(port, kAllInput, kMode);
    m_driver.QB7Out(address, std::uint8_t(value));
    m_driver.SetQB7(port, kAllOutput, kMode);

    std::uint8_t levelsB = kUnfilled;
    m_driver.QB7In(kPortB, levelsB);
    QCOMPARE(levelsB, std::uint8_t(0xF4));

    // Latch port A's byte as the control byte and convert again: still 77.
    m_driver.SetQB7(kPortA, kAllOutput, kMode);
    m_driver.QB7Out(kPortB + line(2), 0);
    m_driver.QB7Out(kPortB + line(2), 1);
    m_driver.QB7Out(kPortB + line(1), 1);
    m_driver.QB7Out(kPortB + line(1), 0);
    m_driver.SetQB7(kPortA, kAllInput, kMode);
    QByteArray reads;
    m_driver.QB7Out(kPortB + line(0), 1);
    for (int n = 3; n >= 0; --n) {
        std::uint8_t byte = kUnfilled;
        m_driver.QB7In(kPortA + line(n), byte);
        reads += char(byte);
    }
    m_driver.QB7Out(kPortB + line(0), 0);
    std::uint8_t low = kUnfilled;
    m_driver.QB7In(kPortA, low);
    reads += char(low);
    m_driver.CloseQB7();
    QCOMPARE(reads.toHex(' '), readsOf(0x7FB).toHex(' '));
}

void TestEmulator::closedDeviceIgnoresCalls_data()
{
    QTest::addColumn<QString>("call");

    QTest::newRow("port A made output") << QStringLiteral("SetQB7 1024 255");
    QTest::newRow("line 0 raised") << QStringLiteral("QB7Out 2049 1");
    QTest::newRow("line 3 raised") << QStringLiteral("QB7Out 2056 1");
    QTest::newRow("line 2 pulsed") << QStringLiteral("QB7Out 2052 0, 2052 1");
}

void TestEmulator::closedDeviceIgnoresCalls()
{
    QFETCH(QString, call);

    // Leaves the device closed with 4.99 V in ±5 V ready, bits 7..0 selected.
    QCOMPARE(convert(m_driver, 5, 1, None), readsOf(0x7FB));

    if (call == QLatin1String("SetQB7 1024 255")) {
        m_driver.SetQB7(kPortA, kAllOutput, kMode);
    } else if (call == QLatin1String("QB7Out 2049 1")) {
        m_driver.QB7Out(kPortB + line(0), 1);
    } else if (call == QLatin1String("QB7Out 2056 1")) {
        m_driver.QB7Out(kPortB + line(3), 1);
    } else {
        m_driver.QB7Out(kPortB + line(2), 0);
        m_driver.QB7Out(kPortB + line(2), 1);
    }
    std::uint8_t whileClosed = kUnfilled;
    m_driver.QB7In(kPortA, whileClosed);
    QCOMPARE(whileClosed, kUnfilled);

    m_driver.OpenQB7();
    std::uint8_t low = kUnfilled;
    m_driver.QB7In(kPortA, low);
    m_driver.CloseQB7();
    QCOMPARE(low, std::uint8_t(0xFB));
}

void TestEmulator::singleLineReads_data()
{
    QTest::addColumn<bool>("converted");
    QTest::addColumn<bool>("selectHigh");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("expected");

    // After a conversion of 4.99 V in ±5 V, 0x7FB; port B left at 1111 0100.
    QTest::newRow("A line 3, bits 11..8") << true << true << kPortA + 8 << 0;
    QTest::newRow("A line 2, bits 11..8") << true << true << kPortA + 4 << 1;
    QTest::newRow("A line 1, bits 11..8") << true << true << kPortA + 2 << 1;
    QTest::newRow("A line 0, bits 11..8") << true << true << kPortA + 1 << 1;
    QTest::newRow("A line 3, bits 7..0") << true << false << kPortA + 8 << 1;
    QTest::newRow("A line 2, bits 7..0") << true << false << kPortA + 4 << 0;
    QTest::newRow("A line 1, bits 7..0") << true << false << kPortA + 2 << 1;
    QTest::newRow("A line 0, bits 7..0") << true << false << kPortA + 1 << 1;
    QTest::newRow("A line 3, no result") << false << false << kPortA + 8 << 1;
    QTest::newRow("A line 0, no result") << false << false << kPortA + 1 << 1;
    QTest::newRow("B line 3") << true << false << kPortB + 8 << 0;
    QTest::newRow("B line 2") << true << false << kPortB + 4 << 1;
    QTest::newRow("B line 1") << true << false << kPortB + 2 << 0;
    QTest::newRow("B line 0") << true << false << kPortB + 1 << 0;
}

void TestEmulator::singleLineReads()
{
    QFETCH(bool, converted);
    QFETCH(bool, selectHigh);
    QFETCH(int, address);
    QFETCH(int, expected);

    convert(m_driver, 5, 1, converted ? None : NoStartPulse);
    m_driver.OpenQB7();
    if (selectHigh)
        m_driver.QB7Out(kPortB + line(0), 1);
    std::uint8_t byte = kUnfilled;
    m_driver.QB7In(address, byte);
    m_driver.CloseQB7();
    QCOMPARE(int(byte), expected);
}

void TestEmulator::otherOperations()
{
    // The binding never calls these; reach them directly in the library the
    // binding has loaded.
    void *library = dlopen(QB7_LIBRARY_FILE, RTLD_NOW | RTLD_NOLOAD);
    QVERIFY(library);
    auto state = reinterpret_cast<GetQB7StateFn>(dlsym(library, "GetQB7State"));
    auto firmware = reinterpret_cast<GetQB7FWFn>(dlsym(library, "GetQB7FW"));
    auto setAll = reinterpret_cast<SetQB7AllFn>(dlsym(library, "SetQB7All"));
    auto outAll = reinterpret_cast<QB7OutAllFn>(dlsym(library, "QB7OutAll"));
    auto inAll = reinterpret_cast<QB7InAllFn>(dlsym(library, "QB7InAll"));
    QVERIFY(state && firmware && setAll && outAll && inAll);

    QCOMPARE(state(), 0);
    m_driver.OpenQB7();
    QCOMPARE(state(), 1);
    const int revision = firmware();
    QVERIFY(revision > 0);
    QCOMPARE(firmware(), revision);

    // The whole-device operations leave the ports alone: port B stays as the
    // last conversion left it, and nothing is filled in.
    std::uint8_t before = 0;
    m_driver.QB7In(kPortB, before);
    QCOMPARE(setAll(0, 0, kMode), 0);
    QCOMPARE(outAll(0x12, 0x34), 0);
    std::uint8_t a = kUnfilled;
    std::uint8_t b = kUnfilled;
    QCOMPARE(inAll(&a, &b), 0);
    QCOMPARE(a, kUnfilled);
    QCOMPARE(b, kUnfilled);
    std::uint8_t after = 0;
    m_driver.QB7In(kPortB, after);
    QCOMPARE(after, before);

    m_driver.CloseQB7();
    QCOMPARE(state(), 0);
    dlclose(library);
}

QTEST_GUILESS_MAIN(TestEmulator)
#include "tst_emulator.moc"
