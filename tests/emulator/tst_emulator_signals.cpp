// The emulated device's own signals, read through the real binding over a bit
// more than a second: each channel stays within its waveform's bounds, the
// moving ones move, and no two channels read alike.
#include "device/adc.h"
#include "device/qb7driver.h"

#include <QElapsedTimer>
#include <QTest>

#include <algorithm>
#include <array>
#include <set>

namespace {

constexpr int kChannels = 8;
constexpr int kWideRange = 3; // ±10 V holds every channel's signal

// The range each channel is best seen in.
constexpr std::array<int, kChannels> kOwnRange = {0, 0, 0, 1, 0, 0, 3, 3};

} // namespace

class TestEmulatorSignals : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void withinBounds_data();
    void withinBounds();
    void channelsDiffer_data();
    void channelsDiffer();

private:
    Qb7Driver m_driver;
    std::array<QList<int>, kChannels> m_own;  // in the channel's own range
    std::array<QList<int>, kChannels> m_wide; // all in ±10 V
};

void TestEmulatorSignals::initTestCase()
{
    QVERIFY2(qEnvironmentVariableIsEmpty("QB7EMU_DC"), "QB7EMU_DC would replace the signals");

    // 1.2 s covers a full period of the 1 Hz square and 2 Hz sawtooth and a
    // good part of the slower waves.
    Adc adc(m_driver);
    std::int16_t adValue = 0;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 1200) {
        for (int ch = 0; ch < kChannels; ++ch) {
            m_own[ch] << adc.adc(ch, kOwnRange[ch], adValue);
            m_wide[ch] << adc.adc(ch, kWideRange, adValue);
        }
        QTest::qSleep(5);
    }
    QVERIFY(m_own[0].size() > 50);
}

void TestEmulatorSignals::withinBounds_data()
{
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("lowest");
    QTest::addColumn<int>("highest");
    QTest::addColumn<QList<int>>("onlyValues"); // empty: any value within bounds
    QTest::addColumn<int>("distinctAtLeast");

    // Codes are floor(V × 4096 / width) of the channel's own range.
    QTest::newRow("ch0 sine 0.5..4.5V") << 0 << 409 << 3686 << QList<int>{} << 20;
    QTest::newRow("ch1 square 1V/4V") << 1 << 819 << 3276 << QList<int>{819, 3276} << 2;
    QTest::newRow("ch2 triangle 0..5V") << 2 << 0 << 4095 << QList<int>{} << 20;
    QTest::newRow("ch3 sawtooth -4..4V") << 3 << -1639 << 1638 << QList<int>{} << 20;
    QTest::newRow("ch4 3.3V") << 4 << 2703 << 2703 << QList<int>{} << 1;
    QTest::newRow("ch5 0.1V noisy") << 5 << 65 << 98 << QList<int>{} << 5;
    QTest::newRow("ch6 sine +-8V") << 6 << -1639 << 1638 << QList<int>{} << 10;
    QTest::newRow("ch7 0V") << 7 << 0 << 0 << QList<int>{} << 1;
}

void TestEmulatorSignals::withinBounds()
{
    QFETCH(int, channel);
    QFETCH(int, lowest);
    QFETCH(int, highest);
    QFETCH(QList<int>, onlyValues);
    QFETCH(int, distinctAtLeast);

    const QList<int> &readings = m_own[channel];
    std::set<int> distinct;
    for (int code : readings) {
        QVERIFY2(code >= lowest && code <= highest, qPrintable(QString::number(code)));
        if (!onlyValues.isEmpty())
            QVERIFY2(onlyValues.contains(code), qPrintable(QString::number(code)));
        distinct.insert(code);
    }
    QVERIFY2(int(distinct.size()) >= distinctAtLeast,
             qPrintable(QStringLiteral("%1 distinct readings").arg(distinct.size())));
}

void TestEmulatorSignals::channelsDiffer_data()
{
    QTest::addColumn<int>("channel");
    for (int ch = 0; ch < kChannels; ++ch)
        QTest::addRow("ch%d", ch) << ch;
}

void TestEmulatorSignals::channelsDiffer()
{
    QFETCH(int, channel);

    for (int other = 0; other < kChannels; ++other) {
        if (other != channel)
            QVERIFY2(m_wide[channel] != m_wide[other],
                     qPrintable(QStringLiteral("ch%1 reads like ch%2").arg(channel).arg(other)));
    }
}

QTEST_GUILESS_MAIN(TestEmulatorSignals)
#include "tst_emulator_signals.moc"
