// The emulated device through the real binding: conversions of fixed DC levels
// give the codes of each range, and a conversion driven in the wrong order
// does not give the channel's code. The test's environment sets QB7EMU_DC.
#include "bindingtest.h"
#include "device/adc.h"
#include "device/dynamiclibrary.h"
#include "device/qb7driver.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <set>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#define pipe(fds) _pipe(fds, 4096, _O_BINARY)
#else
#include <unistd.h>
#endif

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
std::vector<int> convert(Qb7Driver &driver, int channel, int range, Fault fault)
{
    const int wrongMode = kMode - 1;
    std::uint8_t controlByte = static_cast<std::uint8_t>(channel + 8 * range + 64);
    if (fault == NoConvertBit)
        controlByte &= ~64;

    std::vector<int> reads(5, kUnfilled);
    auto readLine = [&](int index, int lineNumber) {
        std::uint8_t byte = kUnfilled;
        driver.QB7In(kPortA + line(lineNumber), byte);
        reads[index] = byte;
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
    reads[4] = low;
    driver.CloseQB7();
    return reads;
}

std::vector<int> readsOf(int code12)
{
    std::vector<int> reads;
    for (int n = 11; n >= 8; --n)
        reads.push_back((code12 >> n) & 1);
    reads.push_back(code12 & 0xFF);
    return reads;
}

// What `action` writes to standard error, through a pipe in its place.
template <typename Action> std::string standardErrorOf(Action action)
{
    int fds[2];
    PT_CHECK(pipe(fds) == 0);
    std::fflush(stderr);
    struct Restore
    {
        int saved = dup(2);
        ~Restore()
        {
            std::fflush(stderr);
            dup2(saved, 2);
            close(saved);
        }
    };
    {
        const Restore restore;
        dup2(fds[1], 2);
        close(fds[1]);
        action();
    }
    std::string text;
    char buffer[512];
    for (int n; (n = int(read(fds[0], buffer, sizeof buffer))) > 0;)
        text.append(buffer, std::size_t(n));
    close(fds[0]);
    return text;
}

struct Fixture
{
    Qb7Driver driver;
    // The library reports what it skips in QB7EMU_DC while it loads, which is
    // during the first call.
    std::string loadMessages = standardErrorOf([this] {
        driver.OpenQB7();
        driver.CloseQB7();
    });
};

Fixture &fixture()
{
    static Fixture once;
    return once;
}

Qb7Driver &driver()
{
    return fixture().driver;
}

} // namespace

// Runs first, before any conversion has changed the ports.
PT_TEST(startsWithBothPortsInput)
{
    // Port B's lines float high, so the converter is disabled and port A's
    // lines float high as well; nothing is driven, so every read is filled.
    driver().OpenQB7();
    std::uint8_t a = 0;
    std::uint8_t b = 0;
    driver().QB7In(kPortA, a);
    driver().QB7In(kPortB, b);
    driver().CloseQB7();
    PT_EQUAL(a, std::uint8_t(0xFF));
    PT_EQUAL(b, std::uint8_t(0xFF));
}

PT_TEST(malformedEntriesReported)
{
    const std::string &messages = fixture().loadMessages;
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; start < messages.size(); start = end + 1) {
        end = std::min(messages.find('\n', start), messages.size());
        lines.push_back(messages.substr(start, end - start));
    }
    PT_EQUAL(lines.size(), std::size_t(4));
    for (const std::string entry : {"\"7=2.5V\"", "\"9=1\"", "\"6=\"", "\"junk\""}) {
        const plaintest::Row row(entry);
        const auto naming = std::count_if(lines.begin(), lines.end(), [&](const std::string &line) {
            return line.find(entry) != std::string::npos;
        });
        PT_CHECK_MSG(naming == 1, messages);
    }
}

PT_TEST(conversionCodes)
{
    struct
    {
        const char *name;
        int channel, range, expected;
    } const rows[] = {
        // 2.5 V
        {"2.5V 0-5V", 0, 0, 2048},
        {"2.5V +-5V", 0, 1, 1024},
        {"2.5V 0-10V", 0, 2, 1024},
        {"2.5V +-10V", 0, 3, 512},
        // -1.25 V: below the unipolar ranges
        {"-1.25V 0-5V clamps", 1, 0, 0},
        {"-1.25V +-5V", 1, 1, -512},
        {"-1.25V 0-10V clamps", 1, 2, 0},
        {"-1.25V +-10V", 1, 3, -256},
        // 7.5 V: above the 5 V ranges
        {"7.5V 0-5V clamps", 2, 0, 4095},
        {"7.5V +-5V clamps", 2, 1, 2047},
        {"7.5V 0-10V", 2, 2, 3072},
        {"7.5V +-10V", 2, 3, 1536},
        // -20 V: below every range
        {"-20V 0-5V clamps", 3, 0, 0},
        {"-20V +-5V clamps", 3, 1, -2048},
        {"-20V 0-10V clamps", 3, 2, 0},
        {"-20V +-10V clamps", 3, 3, -2048},
        // -1 mV: rounds down to -1 in the bipolar ranges, not towards zero
        {"-1mV 0-5V clamps", 4, 0, 0},
        {"-1mV +-5V", 4, 1, -1},
        {"-1mV 0-10V clamps", 4, 2, 0},
        {"-1mV +-10V", 4, 3, -1},
        // 4.99 V
        {"4.99V 0-5V", 5, 0, 4087},
        {"4.99V +-5V", 5, 1, 2043},
        {"4.99V 0-10V", 5, 2, 2043},
        {"4.99V +-10V", 5, 3, 1021},
        // Channel 7's own 0 V: its malformed override was skipped.
        {"0V 0-5V", 7, 0, 0},
        {"0V +-10V", 7, 3, 0},
    };
    for (const auto &row : rows) {
        const plaintest::Row current(row.name);
        Adc adc(driver());
        std::int16_t adValue = 0;
        // A different reading first, so that a read left unfilled cannot pass.
        const int decoy = row.channel == 2 ? 0 : 2;
        adc.adc(decoy, 0, adValue);
        PT_EQUAL(adValue, std::int16_t(row.channel == 2 ? 2048 : 4095));

        for (int i = 0; i < 2; ++i) {
            PT_EQUAL(adc.adc(row.channel, row.range, adValue), std::int16_t(row.expected));
            PT_EQUAL(adValue, std::int16_t(row.expected));
            for (int bit = 8; bit <= 11; ++bit)
                PT_CHECK(adc.bitLines(bit) <= 1);
        }
    }
}

PT_TEST(builtInSignalsKept)
{
    // Channel 6's override had no level, so its ±8 V sine stays and moves.
    Adc adc(driver());
    std::int16_t adValue = 0;
    std::vector<int> seen;
    for (int i = 0; i < 40 && seen.size() < 2; ++i) {
        const int code = adc.adc(6, 3, adValue);
        PT_CHECK_MSG(code >= -1639 && code <= 1638, std::to_string(code));
        if (std::find(seen.begin(), seen.end(), code) == seen.end())
            seen.push_back(code);
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    PT_EQUAL(seen.size(), std::size_t(2));
}

PT_TEST(wrongSequence)
{
    // Channel 5 holds 4.99 V: code 0x7FB in the ±5 V range.
    const std::vector<int> unfilled(5, kUnfilled);
    struct
    {
        const char *name;
        Fault fault;
        std::vector<int> expectedReads;
    } const rows[] = {
        {"right sequence", None, readsOf(0x7FB)},
        {"device not opened", NotOpened, unfilled},
        {"line 3 left high", EnableLeftHigh, readsOf(0xFFF)},
        {"line 3 lowered after line 1 falls", EnableLoweredLate, readsOf(0xFFF)},
        {"line 1 never falls", NoStartPulse, readsOf(0xFFF)},
        {"high bits read before line 1 falls", ReadsBeforeStart, readsOf(0xFFB)},
        {"port A left as output", PortALeftOutput, unfilled},
        {"port B set as input", PortBInput, readsOf(0xFFF)},
        // Port A stays input, the control byte floats to 0xFF: channel 7 (0 V), ±10 V.
        {"wrong mode making port A output", WrongModePortAOutput, readsOf(0)},
        {"wrong mode making port A input", WrongModePortAInput, unfilled},
        {"control byte without bit 6", NoConvertBit, readsOf(0xFFF)},
        {"line 0 never lowered", SelectNotLowered, readsOf(0x707)},
    };
    for (const auto &row : rows) {
        const plaintest::Row current(row.name);
        // A right conversion of another channel first, so that nothing of it can
        // pass for this one.
        PT_EQUAL(convert(driver(), 2, 2, None), readsOf(3072));

        PT_EQUAL(convert(driver(), 5, 1, row.fault), row.expectedReads);
    }
}

PT_TEST(writesToInputLinesIgnored)
{
    struct
    {
        const char *name;
        int address, value;
    } const rows[] = {
        {"port A whole", kPortA, 0x12},
        {"port A line 0", kPortA + 1, 0},
        {"port B whole", kPortB, 0xFF},
        {"port B line 3", kPortB + 8, 1},
    };
    for (const auto &row : rows) {
        const plaintest::Row current(row.name);
        // Leaves port A input holding control byte 77 (4.99 V, ±5 V) in its latch,
        // and port B output at 1111 0100.
        PT_EQUAL(convert(driver(), 5, 1, None), readsOf(0x7FB));

        // The write goes to a port set for input; making the port output again
        // afterwards must bring back what its latch held before.
        const int port = row.address & ~0xF;
        driver().OpenQB7();
        driver().SetQB7(port, kAllInput, kMode);
        driver().QB7Out(row.address, std::uint8_t(row.value));
        driver().SetQB7(port, kAllOutput, kMode);

        std::uint8_t levelsB = kUnfilled;
        driver().QB7In(kPortB, levelsB);
        PT_EQUAL(levelsB, std::uint8_t(0xF4));

        // Latch port A's byte as the control byte and convert again: still 77.
        driver().SetQB7(kPortA, kAllOutput, kMode);
        driver().QB7Out(kPortB + line(2), 0);
        driver().QB7Out(kPortB + line(2), 1);
        driver().QB7Out(kPortB + line(1), 1);
        driver().QB7Out(kPortB + line(1), 0);
        driver().SetQB7(kPortA, kAllInput, kMode);
        std::vector<int> reads;
        driver().QB7Out(kPortB + line(0), 1);
        for (int n = 3; n >= 0; --n) {
            std::uint8_t byte = kUnfilled;
            driver().QB7In(kPortA + line(n), byte);
            reads.push_back(byte);
        }
        driver().QB7Out(kPortB + line(0), 0);
        std::uint8_t low = kUnfilled;
        driver().QB7In(kPortA, low);
        reads.push_back(low);
        driver().CloseQB7();
        PT_EQUAL(reads, readsOf(0x7FB));
    }
}

PT_TEST(closedDeviceIgnoresCalls)
{
    for (const std::string call :
         {"SetQB7 1024 255", "QB7Out 2049 1", "QB7Out 2056 1", "QB7Out 2052 0, 2052 1"}) {
        const plaintest::Row row(call);
        // Leaves the device closed with 4.99 V in ±5 V ready, bits 7..0 selected.
        PT_EQUAL(convert(driver(), 5, 1, None), readsOf(0x7FB));

        if (call == "SetQB7 1024 255") {
            driver().SetQB7(kPortA, kAllOutput, kMode);
        } else if (call == "QB7Out 2049 1") {
            driver().QB7Out(kPortB + line(0), 1);
        } else if (call == "QB7Out 2056 1") {
            driver().QB7Out(kPortB + line(3), 1);
        } else {
            driver().QB7Out(kPortB + line(2), 0);
            driver().QB7Out(kPortB + line(2), 1);
        }
        std::uint8_t whileClosed = kUnfilled;
        driver().QB7In(kPortA, whileClosed);
        PT_EQUAL(whileClosed, kUnfilled);

        driver().OpenQB7();
        std::uint8_t low = kUnfilled;
        driver().QB7In(kPortA, low);
        driver().CloseQB7();
        PT_EQUAL(low, std::uint8_t(0xFB));
    }
}

PT_TEST(singleLineReads)
{
    // After a conversion of 4.99 V in ±5 V, 0x7FB; port B left at 1111 0100.
    struct
    {
        const char *name;
        bool converted, selectHigh;
        int address, expected;
    } const rows[] = {
        {"A line 3, bits 11..8", true, true, kPortA + 8, 0},
        {"A line 2, bits 11..8", true, true, kPortA + 4, 1},
        {"A line 1, bits 11..8", true, true, kPortA + 2, 1},
        {"A line 0, bits 11..8", true, true, kPortA + 1, 1},
        {"A line 3, bits 7..0", true, false, kPortA + 8, 1},
        {"A line 2, bits 7..0", true, false, kPortA + 4, 0},
        {"A line 1, bits 7..0", true, false, kPortA + 2, 1},
        {"A line 0, bits 7..0", true, false, kPortA + 1, 1},
        {"A line 3, no result", false, false, kPortA + 8, 1},
        {"A line 0, no result", false, false, kPortA + 1, 1},
        {"B line 3", true, false, kPortB + 8, 0},
        {"B line 2", true, false, kPortB + 4, 1},
        {"B line 1", true, false, kPortB + 2, 0},
        {"B line 0", true, false, kPortB + 1, 0},
    };
    for (const auto &row : rows) {
        const plaintest::Row current(row.name);
        convert(driver(), 5, 1, row.converted ? None : NoStartPulse);
        driver().OpenQB7();
        if (row.selectHigh)
            driver().QB7Out(kPortB + line(0), 1);
        std::uint8_t byte = kUnfilled;
        driver().QB7In(row.address, byte);
        driver().CloseQB7();
        PT_EQUAL(int(byte), row.expected);
    }
}

PT_TEST(otherOperations)
{
    // The binding never calls these; reach them directly in the library the
    // binding has loaded.
    driver();
    PT_CHECK(driverLibraryLoaded());
    DynamicLibrary library(QB7_LIBRARY_FILE);
    auto state = reinterpret_cast<GetQB7StateFn>(library.resolve("GetQB7State"));
    auto firmware = reinterpret_cast<GetQB7FWFn>(library.resolve("GetQB7FW"));
    auto setAll = reinterpret_cast<SetQB7AllFn>(library.resolve("SetQB7All"));
    auto outAll = reinterpret_cast<QB7OutAllFn>(library.resolve("QB7OutAll"));
    auto inAll = reinterpret_cast<QB7InAllFn>(library.resolve("QB7InAll"));
    PT_CHECK(state && firmware && setAll && outAll && inAll);

    PT_EQUAL(state(), 0);
    driver().OpenQB7();
    PT_EQUAL(state(), 1);
    const int revision = firmware();
    PT_CHECK(revision > 0);
    PT_EQUAL(firmware(), revision);

    // The whole-device operations leave the ports alone: port B stays as the
    // last conversion left it, and nothing is filled in.
    std::uint8_t before = 0;
    driver().QB7In(kPortB, before);
    PT_EQUAL(setAll(0, 0, kMode), 0);
    PT_EQUAL(outAll(0x12, 0x34), 0);
    std::uint8_t a = kUnfilled;
    std::uint8_t b = kUnfilled;
    PT_EQUAL(inAll(&a, &b), 0);
    PT_EQUAL(a, kUnfilled);
    PT_EQUAL(b, kUnfilled);
    std::uint8_t after = 0;
    driver().QB7In(kPortB, after);
    PT_EQUAL(after, before);

    driver().CloseQB7();
    PT_EQUAL(state(), 0);
}

// As the real driver does: the ten operations under their plain names, and
// nothing else, none of the compiler's runtime.
PT_TEST(exportsTheOperationsAlone)
{
#ifdef _WIN32
    driver();
    const auto *base = reinterpret_cast<const char *>(GetModuleHandleA(QB7_LIBRARY_FILE));
    PT_CHECK(base);
    const auto *headers = reinterpret_cast<const IMAGE_NT_HEADERS *>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER *>(base)->e_lfanew);
    const auto *table = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY *>(
        base + headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT].VirtualAddress);
    const auto *names = reinterpret_cast<const DWORD *>(base + table->AddressOfNames);
    std::set<std::string> exported;
    for (DWORD i = 0; i < table->NumberOfNames; ++i)
        exported.insert(base + names[i]);
    PT_EQUAL(exported,
             (std::set<std::string>{"CloseQB7", "GetQB7FW", "GetQB7State", "OpenQB7", "QB7In",
                                    "QB7InAll", "QB7Out", "QB7OutAll", "SetQB7", "SetQB7All"}));
    PT_EQUAL(table->NumberOfFunctions, DWORD(10));
#else
    PT_SKIP("the export table checked is a DLL's; here hidden visibility keeps the rest in");
#endif
}

PT_MAIN()
