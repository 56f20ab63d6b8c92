// A recording stand-in for the driver library: it remembers every call in order
// and answers reads from a scripted 12-bit code, so tests see exactly what the
// program asked of the library. Built as libqb7io.so (qb7io.dll) in its own
// folder and found by the ordinary library search, like the real library.
#include "device/qb7api.h"
#include "recorderhooks.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace {

std::vector<RecordedCall> g_calls;
int g_code = 0;
bool g_filling = true;

// With QB7REC_LOG set, each call's name is also appended there as one line, as
// it happens, for tests that watch another process; the program's children do
// not inherit the file ("e" on glibc, "N" on Windows), and a line ends in \n
// alone on Windows too ("b").
std::FILE *const g_log = [] {
    const char *path = std::getenv("QB7REC_LOG");
#ifdef _WIN32
    return path ? std::fopen(path, "abN") : nullptr;
#else
    return path ? std::fopen(path, "abe") : nullptr;
#endif
}();

// With QB7REC_STALL_AFTER=N the Nth call never returns, as a driver hung in
// its transport: a test sees what the program left before it, then ends it.
const long g_stallAfter = [] {
    const char *text = std::getenv("QB7REC_STALL_AFTER");
    return text ? std::strtol(text, nullptr, 10) : 0L;
}();
long g_callsMade = 0;

void record(const char *op, int address = 0, int value = 0, int mode = 0, int before = -1)
{
    if (g_log) {
        std::fprintf(g_log, "%.*s\n", int(sizeof RecordedCall::op - 1), op);
        std::fflush(g_log);
    }
    RecordedCall call{};
    std::strncpy(call.op, op, sizeof call.op - 1);
    call.address = address;
    call.value = value;
    call.mode = mode;
    call.before = before;
    g_calls.push_back(call);
    if (++g_callsMade == g_stallAfter)
        for (;;)
            std::this_thread::sleep_for(std::chrono::hours(1));
}

unsigned char scriptedRead(int address)
{
    if (address == qb7::kPortA)
        return static_cast<unsigned char>(g_code & 0xFF);
    for (int n = 0; n < 4; ++n)
        if (address == qb7::kPortA + qb7::line(n))
            return static_cast<unsigned char>((g_code >> (8 + n)) & 1);
    return 0;
}

} // namespace

extern "C" {

int QB7_CALL OpenQB7()
{
    record("OpenQB7");
    return 1;
}
int QB7_CALL CloseQB7()
{
    record("CloseQB7");
    return 1;
}
int QB7_CALL SetQB7(int address, int mask, int mode)
{
    record("SetQB7", address, mask, mode);
    return 1;
}
int QB7_CALL QB7Out(int address, unsigned char value)
{
    record("QB7Out", address, value);
    return 1;
}
int QB7_CALL QB7In(int address, unsigned char *value)
{
    const int before = *value;
    if (g_filling)
        *value = scriptedRead(address);
    record("QB7In", address, *value, 0, before);
    return 1;
}
int QB7_CALL GetQB7State()
{
    record("GetQB7State");
    return 0;
}
int QB7_CALL GetQB7FW()
{
    record("GetQB7FW");
    return 0;
}
int QB7_CALL SetQB7All(int, int, int)
{
    record("SetQB7All");
    return 0;
}
int QB7_CALL QB7OutAll(unsigned char, unsigned char)
{
    record("QB7OutAll");
    return 0;
}
int QB7_CALL QB7InAll(unsigned char *, unsigned char *)
{
    record("QB7InAll");
    return 0;
}

void qb7rec_reset()
{
    g_calls.clear();
    g_code = 0;
    g_filling = true;
}
int qb7rec_count()
{
    return static_cast<int>(g_calls.size());
}
RecordedCall qb7rec_call(int index)
{
    return g_calls.at(static_cast<std::size_t>(index));
}
void qb7rec_setCode(int code12)
{
    g_code = code12 & 0xFFF;
}
void qb7rec_setFilling(int filling)
{
    g_filling = filling != 0;
}
}
