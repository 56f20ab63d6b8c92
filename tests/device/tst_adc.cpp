// The conversion sequence as the driver library sees it: the exact calls, the
// bytes handed to every read, and the decoding of what the reads return. The
// recording stand-in library answers reads from a scripted 12-bit code.
#include "device/adc.h"
#include "device/qb7driver.h"
#include "recordeddriver.h"

#include <QTest>

#include <memory>
#include <vector>

namespace {

struct Read
{
    int address;
    int before;
    int after;
};

// The reads of one conversion's calls, in order.
std::vector<Read> readsOf(const RecordedDriver &recorder, int firstCall, int callCount)
{
    std::vector<Read> reads;
    for (int i = firstCall; i < firstCall + callCount; ++i) {
        const RecordedCall c = recorder.call(i);
        if (QLatin1String(c.op) == QLatin1String("QB7In"))
            reads.push_back({c.address, c.before, c.value});
    }
    return reads;
}

int bit(int code, int n)
{
    return (code >> n) & 1;
}

// The 17 calls of the first conversion of a new Adc, whose reads are all handed 0.
QStringList firstConversionTrace(int controlByte, int code)
{
    auto in = [](int address, int value) {
        return QStringLiteral("QB7In %1 %2 (was 0)").arg(address).arg(value);
    };
    return {
        QStringLiteral("OpenQB7"),
        QStringLiteral("SetQB7 2048 255 4098"),
        QStringLiteral("QB7Out 2048 255"),
        QStringLiteral("QB7Out 2056 0"),
        QStringLiteral("QB7Out 2052 0"),
        QStringLiteral("SetQB7 1024 255 4098"),
        QStringLiteral("QB7Out 1024 %1").arg(controlByte),
        QStringLiteral("QB7Out 2052 1"),
        QStringLiteral("QB7Out 2050 0"),
        QStringLiteral("SetQB7 1024 0 4098"),
        in(1032, bit(code, 11)),
        in(1028, bit(code, 10)),
        in(1026, bit(code, 9)),
        in(1025, bit(code, 8)),
        QStringLiteral("QB7Out 2049 0"),
        in(1024, code & 0xFF),
        QStringLiteral("CloseQB7"),
    };
}

constexpr int kCallsPerConversion = 17;

} // namespace

class TestAdc : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void traceOfOneConversion_data();
    void traceOfOneConversion();
    void readsArePrefilledWithPreviousReading_data();
    void readsArePrefilledWithPreviousReading();
    void unfilledReadsRepeatLastFilled_data();
    void unfilledReadsRepeatLastFilled();
    void rangeOutsideCodesGivesZero_data();
    void rangeOutsideCodesGivesZero();
    void openFirstCloseLast_data();
    void openFirstCloseLast();
    void decoding_data();
    void decoding();

private:
    std::unique_ptr<RecordedDriver> m_recorder;
    Qb7Driver m_driver;
};

void TestAdc::initTestCase()
{
    try {
        m_recorder = std::make_unique<RecordedDriver>();
    } catch (const std::exception &e) {
        QFAIL(e.what());
    }
}

void TestAdc::init()
{
    m_recorder->reset();
}

void TestAdc::traceOfOneConversion_data()
{
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("range");
    QTest::addColumn<int>("controlByte");
    QTest::addColumn<int>("code");

    QTest::newRow("ch0 0-5V") << 0 << 0 << 64 << 0x000;
    QTest::newRow("ch7 +-10V") << 7 << 3 << 95 << 0xFFF;
    QTest::newRow("ch3 +-5V") << 3 << 1 << 75 << 0xA34;
    QTest::newRow("ch5 0-10V") << 5 << 2 << 85 << 0x5C3;
    QTest::newRow("ch1 0-5V") << 1 << 0 << 65 << 0x800;
    QTest::newRow("ch6 +-5V") << 6 << 1 << 78 << 0x17E;
}

void TestAdc::traceOfOneConversion()
{
    QFETCH(int, channel);
    QFETCH(int, range);
    QFETCH(int, controlByte);
    QFETCH(int, code);

    m_recorder->setCode(code);
    Adc adc(m_driver);
    std::int16_t adValue = 0;
    adc.adc(channel, range, adValue);

    QCOMPARE(m_recorder->trace(), firstConversionTrace(controlByte, code));
    QCOMPARE(int(adc.controlByte), controlByte);
}

void TestAdc::readsArePrefilledWithPreviousReading_data()
{
    QTest::addColumn<int>("firstCode");
    QTest::addColumn<int>("secondCode");

    QTest::newRow("all ones then zero") << 0xFFF << 0x000;
    QTest::newRow("zero then all ones") << 0x000 << 0xFFF;
    QTest::newRow("worked example then its complement") << 0xA34 << 0x5CB;
    QTest::newRow("bit 11 then bits 8-10") << 0x800 << 0x7FF;
}

void TestAdc::readsArePrefilledWithPreviousReading()
{
    QFETCH(int, firstCode);
    QFETCH(int, secondCode);

    Adc adc(m_driver);
    std::int16_t adValue = 0;
    m_recorder->setCode(firstCode);
    adc.adc(2, 0, adValue);
    m_recorder->setCode(secondCode);
    adc.adc(2, 0, adValue);

    QCOMPARE(m_recorder->count(), 2 * kCallsPerConversion);
    const std::vector<Read> first = readsOf(*m_recorder, 0, kCallsPerConversion);
    const std::vector<Read> second = readsOf(*m_recorder, kCallsPerConversion, kCallsPerConversion);
    QCOMPARE(first.size(), std::size_t(5));
    QCOMPARE(second.size(), std::size_t(5));
    for (std::size_t i = 0; i < first.size(); ++i) {
        QCOMPARE(first[i].before, 0);
        QCOMPARE(second[i].address, first[i].address);
        QCOMPARE(second[i].before, first[i].after);
    }
    QCOMPARE(adValue, std::int16_t(secondCode));
}

void TestAdc::unfilledReadsRepeatLastFilled_data()
{
    QTest::addColumn<int>("filledCode");
    QTest::addColumn<int>("range");
    QTest::addColumn<int>("expected");

    QTest::newRow("worked example unipolar") << 0xA34 << 0 << 2612;
    QTest::newRow("worked example bipolar") << 0xA34 << 1 << -1484;
    QTest::newRow("all ones 0-10V") << 0xFFF << 2 << 4095;
    QTest::newRow("all ones +-10V") << 0xFFF << 3 << -1;
    QTest::newRow("low byte only") << 0x0C9 << 0 << 201;
}

void TestAdc::unfilledReadsRepeatLastFilled()
{
    QFETCH(int, filledCode);
    QFETCH(int, range);
    QFETCH(int, expected);

    Adc adc(m_driver);
    std::int16_t adValue = 0;

    // Nothing ever filled: every reading is the initial 0.
    m_recorder->setFilling(0);
    m_recorder->setCode(filledCode);
    QCOMPARE(adc.adc(4, range, adValue), std::int16_t(0));
    QCOMPARE(adValue, std::int16_t(0));

    m_recorder->setFilling(1);
    QCOMPARE(adc.adc(4, range, adValue), std::int16_t(expected));

    // The library stops filling and would now answer with a different code:
    // the readings of the last filled conversion come back, again and again.
    m_recorder->setFilling(0);
    m_recorder->setCode(~filledCode & 0xFFF);
    const int callsBefore = m_recorder->count();
    for (int i = 0; i < 3; ++i) {
        adValue = 1234;
        QCOMPARE(adc.adc(4, range, adValue), std::int16_t(expected));
        QCOMPARE(adValue, std::int16_t(expected));
    }
    for (const Read &r : readsOf(*m_recorder, callsBefore, m_recorder->count() - callsBefore))
        QCOMPARE(r.after, r.before);
}

void TestAdc::rangeOutsideCodesGivesZero_data()
{
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("range");

    QTest::newRow("range 4") << 0 << 4;
    QTest::newRow("range -1") << 3 << -1;
    QTest::newRow("range 5, ch 7") << 7 << 5;
    QTest::newRow("range 100") << 2 << 100;
}

void TestAdc::rangeOutsideCodesGivesZero()
{
    QFETCH(int, channel);
    QFETCH(int, range);

    m_recorder->setCode(0xA34);
    Adc adc(m_driver);
    std::int16_t adValue = 1234;
    QCOMPARE(adc.adc(channel, range, adValue), std::int16_t(0));
    QCOMPARE(adValue, std::int16_t(0));

    // The whole sequence still runs; the control byte is whatever the byte holds.
    const int controlByte = (channel + 8 * range + 64) & 0xFF;
    QCOMPARE(m_recorder->trace(), firstConversionTrace(controlByte, 0xA34));
}

void TestAdc::openFirstCloseLast_data()
{
    QTest::addColumn<int>("conversions");
    QTest::addColumn<int>("range");
    QTest::addColumn<bool>("filling");

    QTest::newRow("one") << 1 << 0 << true;
    QTest::newRow("three bipolar") << 3 << 3 << true;
    QTest::newRow("two, reads unfilled") << 2 << 1 << false;
    QTest::newRow("two, range outside") << 2 << 9 << true;
}

void TestAdc::openFirstCloseLast()
{
    QFETCH(int, conversions);
    QFETCH(int, range);
    QFETCH(bool, filling);

    m_recorder->setFilling(filling ? 1 : 0);
    m_recorder->setCode(0x7FF);
    Adc adc(m_driver);
    std::int16_t adValue = 0;
    for (int i = 0; i < conversions; ++i)
        adc.adc(i % 8, range, adValue);

    QCOMPARE(m_recorder->count(), conversions * kCallsPerConversion);
    QCOMPARE(m_recorder->countOf("OpenQB7"), conversions);
    QCOMPARE(m_recorder->countOf("CloseQB7"), conversions);
    for (int i = 0; i < conversions; ++i) {
        const int first = i * kCallsPerConversion;
        QCOMPARE(QLatin1String(m_recorder->call(first).op), QLatin1String("OpenQB7"));
        QCOMPARE(QLatin1String(m_recorder->call(first + kCallsPerConversion - 1).op),
                 QLatin1String("CloseQB7"));
    }
}

void TestAdc::decoding_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("range");
    QTest::addColumn<int>("expected");

    QTest::newRow("all ones 0-5V") << 0xFFF << 0 << 4095;
    QTest::newRow("all ones +-5V") << 0xFFF << 1 << -1;
    QTest::newRow("all ones 0-10V") << 0xFFF << 2 << 4095;
    QTest::newRow("all ones +-10V") << 0xFFF << 3 << -1;
    QTest::newRow("bit 11 0-5V") << 0x800 << 0 << 2048;
    QTest::newRow("bit 11 +-5V") << 0x800 << 1 << -2048;
    QTest::newRow("bit 11 0-10V") << 0x800 << 2 << 2048;
    QTest::newRow("bit 11 +-10V") << 0x800 << 3 << -2048;
    QTest::newRow("worked example 0-5V") << 0xA34 << 0 << 2612;
    QTest::newRow("worked example +-5V") << 0xA34 << 1 << -1484;
    QTest::newRow("worked example 0-10V") << 0xA34 << 2 << 2612;
    QTest::newRow("worked example +-10V") << 0xA34 << 3 << -1484;
    QTest::newRow("largest positive +-10V") << 0x7FF << 3 << 2047;
    QTest::newRow("bit 8 alone +-5V") << 0x100 << 1 << 256;
    QTest::newRow("zero 0-5V") << 0 << 0 << 0;
    QTest::newRow("zero +-5V") << 0 << 1 << 0;
    QTest::newRow("zero 0-10V") << 0 << 2 << 0;
    QTest::newRow("zero +-10V") << 0 << 3 << 0;
}

void TestAdc::decoding()
{
    QFETCH(int, code);
    QFETCH(int, range);
    QFETCH(int, expected);

    m_recorder->setCode(code);
    Adc adc(m_driver);
    std::int16_t adValue = 0;
    QCOMPARE(adc.adc(1, range, adValue), std::int16_t(expected));
    QCOMPARE(adValue, std::int16_t(expected));
    QCOMPARE(adc.highBits, std::int16_t(code & 0xF00));
    QCOMPARE(adc.lowByte, std::uint8_t(code & 0xFF));
}

QTEST_GUILESS_MAIN(TestAdc)
#include "tst_adc.moc"
