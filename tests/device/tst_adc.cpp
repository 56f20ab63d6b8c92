// The conversion sequence as the driver library sees it: the exact calls, the
// bytes handed to every read, and the decoding of what the reads return. The
// recording stand-in library answers reads from a scripted 12-bit code.
#include "device/adc.h"
#include "device/qb7driver.h"
#include "plaintest.h"
#include "recordeddriver.h"

#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

struct Read
{
    int address;
    int before;
    int after;
};

// The recorder, emptied for the row that asks for it, and the binding.
RecordedDriver &recorder()
{
    static RecordedDriver calls;
    calls.reset();
    return calls;
}

Qb7Driver &driver()
{
    static Qb7Driver binding;
    return binding;
}

// The reads of one conversion's calls, in order.
std::vector<Read> readsOf(const RecordedDriver &recorder, int firstCall, int callCount)
{
    std::vector<Read> reads;
    for (int i = firstCall; i < firstCall + callCount; ++i) {
        const RecordedCall c = recorder.call(i);
        if (std::strcmp(c.op, "QB7In") == 0)
            reads.push_back({c.address, c.before, c.value});
    }
    return reads;
}

int bit(int code, int n)
{
    return (code >> n) & 1;
}

// The 17 calls of the first conversion of a new Adc, whose reads are all handed 0.
std::vector<std::string> firstConversionTrace(int controlByte, int code)
{
    auto in = [](int address, int value) {
        return "QB7In " + std::to_string(address) + " " + std::to_string(value) + " (was 0)";
    };
    return {
        "OpenQB7",
        "SetQB7 2048 255 4098",
        "QB7Out 2048 255",
        "QB7Out 2056 0",
        "QB7Out 2052 0",
        "SetQB7 1024 255 4098",
        "QB7Out 1024 " + std::to_string(controlByte),
        "QB7Out 2052 1",
        "QB7Out 2050 0",
        "SetQB7 1024 0 4098",
        in(1032, bit(code, 11)),
        in(1028, bit(code, 10)),
        in(1026, bit(code, 9)),
        in(1025, bit(code, 8)),
        "QB7Out 2049 0",
        in(1024, code & 0xFF),
        "CloseQB7",
    };
}

constexpr int kCallsPerConversion = 17;

} // namespace

PT_TEST(traceOfOneConversion)
{
    struct
    {
        const char *name;
        int channel, range, controlByte, code;
    } const rows[] = {
        {"ch0 0-5V", 0, 0, 64, 0x000}, {"ch7 +-10V", 7, 3, 95, 0xFFF},
        {"ch3 +-5V", 3, 1, 75, 0xA34}, {"ch5 0-10V", 5, 2, 85, 0x5C3},
        {"ch1 0-5V", 1, 0, 65, 0x800}, {"ch6 +-5V", 6, 1, 78, 0x17E},
    };
    for (const auto &row : rows) {
        const plaintest::Row current(row.name);
        RecordedDriver &calls = recorder();
        calls.setCode(row.code);
        Adc adc(driver());
        std::int16_t adValue = 0;
        adc.adc(row.channel, row.range, adValue);

        PT_EQUAL(calls.trace(), firstConversionTrace(row.controlByte, row.code));
        PT_EQUAL(int(adc.controlByte), row.controlByte);
    }
}

PT_TEST(readsArePrefilledWithPreviousReading)
{
    struct
    {
        const char *name;
        int firstCode, secondCode;
    } const rows[] = {
        {"all ones then zero", 0xFFF, 0x000},
        {"zero then all ones", 0x000, 0xFFF},
        {"worked example then its complement", 0xA34, 0x5CB},
        {"bit 11 then bits 8-10", 0x800, 0x7FF},
    };
    for (const auto &row : rows) {
        const plaintest::Row current(row.name);
        RecordedDriver &calls = recorder();
        Adc adc(driver());
        std::int16_t adValue = 0;
        calls.setCode(row.firstCode);
        adc.adc(2, 0, adValue);
        calls.setCode(row.secondCode);
        adc.adc(2, 0, adValue);

        PT_EQUAL(calls.count(), 2 * kCallsPerConversion);
        const std::vector<Read> first = readsOf(calls, 0, kCallsPerConversion);
        const std::vector<Read> second = readsOf(calls, kCallsPerConversion, kCallsPerConversion);
        PT_EQUAL(first.size(), std::size_t(5));
        PT_EQUAL(second.size(), std::size_t(5));
        for (std::size_t i = 0; i < first.size(); ++i) {
            PT_EQUAL(first[i].before, 0);
            PT_EQUAL(second[i].address, first[i].address);
            PT_EQUAL(second[i].before, first[i].after);
        }
        PT_EQUAL(adValue, std::int16_t(row.secondCode));
    }
}

PT_TEST(unfilledReadsRepeatLastFilled)
{
    struct
    {
        const char *name;
        int filledCode, range, expected;
    } const rows[] = {
        {"worked example unipolar", 0xA34, 0, 2612},
        {"worked example bipolar", 0xA34, 1, -1484},
        {"all ones 0-10V", 0xFFF, 2, 4095},
        {"all ones +-10V", 0xFFF, 3, -1},
        {"low byte only", 0x0C9, 0, 201},
    };
    for (const auto &row : rows) {
        const plaintest::Row current(row.name);
        RecordedDriver &calls = recorder();
        Adc adc(driver());
        std::int16_t adValue = 0;

        // Nothing ever filled: every reading is the initial 0.
        calls.setFilling(0);
        calls.setCode(row.filledCode);
        PT_EQUAL(adc.adc(4, row.range, adValue), std::int16_t(0));
        PT_EQUAL(adValue, std::int16_t(0));

        calls.setFilling(1);
        PT_EQUAL(adc.adc(4, row.range, adValue), std::int16_t(row.expected));

        // The library stops filling and would now answer with a different code:
        // the readings of the last filled conversion come back, again and again.
        calls.setFilling(0);
        calls.setCode(~row.filledCode & 0xFFF);
        const int callsBefore = calls.count();
        for (int i = 0; i < 3; ++i) {
            adValue = 1234;
            PT_EQUAL(adc.adc(4, row.range, adValue), std::int16_t(row.expected));
            PT_EQUAL(adValue, std::int16_t(row.expected));
        }
        for (const Read &r : readsOf(calls, callsBefore, calls.count() - callsBefore))
            PT_EQUAL(r.after, r.before);
    }
}

// The recorder's conversion: every line read is handed a byte no answering
// library leaves there, so an unanswered read is told from a reading.
PT_TEST(checkedConversionTellsUnansweredReads)
{
    struct
    {
        const char *name;
        bool filling;
        int code, range;
        std::optional<std::int16_t> expected;
    } const rows[] = {
        {"answered, worked example bipolar", true, 0xA34, 1, std::int16_t(-1484)},
        {"answered, all zeros after all ones", true, 0x000, 0, std::int16_t(0)},
        {"unanswered", false, 0xA34, 0, std::nullopt},
    };
    for (const auto &row : rows) {
        const plaintest::Row current(row.name);
        RecordedDriver &calls = recorder();
        Adc adc(driver());
        std::int16_t adValue = 0;
        calls.setCode(0xFFF);
        adc.adc(0, 0, adValue); // readings of 1 kept: they must not carry over
        calls.setCode(row.code);
        calls.setFilling(row.filling ? 1 : 0);
        const Adc::Checked checked = adc.checkedAdc(5, row.range);
        PT_CHECK(checked.code == row.expected);
        if (!row.expected) {
            PT_EQUAL(checked.bit, 11);
            PT_EQUAL(int(checked.found), int(Adc::kUnanswered));
        }
        // The whole sequence, the device closed last, the line reads pre-filled.
        PT_EQUAL(calls.count(), 2 * kCallsPerConversion);
        PT_EQUAL(std::string(calls.call(calls.count() - 1).op), std::string("CloseQB7"));
        const std::vector<Read> reads = readsOf(calls, kCallsPerConversion, kCallsPerConversion);
        for (std::size_t i = 0; i < 4; ++i)
            PT_EQUAL(reads.at(i).before, int(Adc::kUnanswered));
    }
}

PT_TEST(rangeOutsideCodesGivesZero)
{
    struct
    {
        const char *name;
        int channel, range;
    } const rows[] = {
        {"range 4", 0, 4}, {"range -1", 3, -1}, {"range 5, ch 7", 7, 5}, {"range 100", 2, 100}};
    for (const auto &row : rows) {
        const plaintest::Row current(row.name);
        RecordedDriver &calls = recorder();
        calls.setCode(0xA34);
        Adc adc(driver());
        std::int16_t adValue = 1234;
        PT_EQUAL(adc.adc(row.channel, row.range, adValue), std::int16_t(0));
        PT_EQUAL(adValue, std::int16_t(0));

        // The whole sequence still runs; the control byte is whatever the byte holds.
        const int controlByte = (row.channel + 8 * row.range + 64) & 0xFF;
        PT_EQUAL(calls.trace(), firstConversionTrace(controlByte, 0xA34));
    }
}

PT_TEST(openFirstCloseLast)
{
    struct
    {
        const char *name;
        int conversions, range;
        bool filling;
    } const rows[] = {
        {"one", 1, 0, true},
        {"three bipolar", 3, 3, true},
        {"two, reads unfilled", 2, 1, false},
        {"two, range outside", 2, 9, true},
    };
    for (const auto &row : rows) {
        const plaintest::Row current(row.name);
        RecordedDriver &calls = recorder();
        calls.setFilling(row.filling ? 1 : 0);
        calls.setCode(0x7FF);
        Adc adc(driver());
        std::int16_t adValue = 0;
        for (int i = 0; i < row.conversions; ++i)
            adc.adc(i % 8, row.range, adValue);

        PT_EQUAL(calls.count(), row.conversions * kCallsPerConversion);
        PT_EQUAL(calls.countOf("OpenQB7"), row.conversions);
        PT_EQUAL(calls.countOf("CloseQB7"), row.conversions);
        for (int i = 0; i < row.conversions; ++i) {
            const int first = i * kCallsPerConversion;
            PT_EQUAL(std::string(calls.call(first).op), std::string("OpenQB7"));
            PT_EQUAL(std::string(calls.call(first + kCallsPerConversion - 1).op),
                     std::string("CloseQB7"));
        }
    }
}

PT_TEST(decoding)
{
    struct
    {
        const char *name;
        int code, range, expected;
    } const rows[] = {
        {"all ones 0-5V", 0xFFF, 0, 4095},
        {"all ones +-5V", 0xFFF, 1, -1},
        {"all ones 0-10V", 0xFFF, 2, 4095},
        {"all ones +-10V", 0xFFF, 3, -1},
        {"bit 11 0-5V", 0x800, 0, 2048},
        {"bit 11 +-5V", 0x800, 1, -2048},
        {"bit 11 0-10V", 0x800, 2, 2048},
        {"bit 11 +-10V", 0x800, 3, -2048},
        {"worked example 0-5V", 0xA34, 0, 2612},
        {"worked example +-5V", 0xA34, 1, -1484},
        {"worked example 0-10V", 0xA34, 2, 2612},
        {"worked example +-10V", 0xA34, 3, -1484},
        {"largest positive +-10V", 0x7FF, 3, 2047},
        {"bit 8 alone +-5V", 0x100, 1, 256},
        {"zero 0-5V", 0, 0, 0},
        {"zero +-5V", 0, 1, 0},
        {"zero 0-10V", 0, 2, 0},
        {"zero +-10V", 0, 3, 0},
    };
    for (const auto &row : rows) {
        const plaintest::Row current(row.name);
        recorder().setCode(row.code);
        Adc adc(driver());
        std::int16_t adValue = 0;
        PT_EQUAL(adc.adc(1, row.range, adValue), std::int16_t(row.expected));
        PT_EQUAL(adValue, std::int16_t(row.expected));
        PT_EQUAL(adc.highBits, std::int16_t(row.code & 0xF00));
        PT_EQUAL(adc.lowByte, std::uint8_t(row.code & 0xFF));
    }
}

PT_MAIN()
