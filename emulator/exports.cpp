// The driver library's operations, as the program binds them by name. One
// emulated device per process, set up when the library is loaded.
#include "channelsignals.h"
#include "dcoverrides.h"
#include "device.h"
#include "device/qb7api.h"
#include "unplugging.h"

#include <cstdio>
#include <cstdlib>
#include <type_traits>

#ifdef _WIN32
#define QB7EMU_EXPORT
#else
#define QB7EMU_EXPORT __attribute__((visibility("default")))
#endif

namespace {

// A made-up firmware revision; the program never asks for it.
constexpr int kFirmware = 0x0103;

emu::DcLevels dcLevelsFromEnvironment()
{
    const char *text = std::getenv("QB7EMU_DC");
    if (!text)
        return {};
    std::vector<std::string> rejected;
    emu::DcLevels levels = emu::parseDcLevels(text, rejected);
    for (const std::string &entry : rejected)
        std::fprintf(stderr,
                     "qb7io emulator: QB7EMU_DC: ignoring \"%s\" (expected channel 0-7=volts)\n",
                     entry.c_str());
    return levels;
}

// QB7EMU_UNPLUG="N" (reads), "250ms" or "2s" (after loading): the device
// stops answering from then on.
std::optional<emu::Unplugging> unpluggingFromEnvironment()
{
    const char *text = std::getenv("QB7EMU_UNPLUG");
    if (!text)
        return std::nullopt;
    std::optional<emu::Unplugging> unplugging = emu::Unplugging::parse(text);
    if (!unplugging)
        std::fprintf(stderr,
                     "qb7io emulator: QB7EMU_UNPLUG: ignoring \"%s\" (expected a number of reads, "
                     "or milliseconds or seconds as 250ms, 2s)\n",
                     text);
    return unplugging;
}

std::optional<emu::Unplugging> g_unplugging = unpluggingFromEnvironment();

// Built in this order at load time: the signals before the device that samples them.
emu::ChannelSignals g_signals(dcLevelsFromEnvironment());
emu::Device g_device(g_signals);

} // namespace

extern "C" {

QB7EMU_EXPORT int QB7_CALL OpenQB7()
{
    g_device.open();
    return 1;
}

QB7EMU_EXPORT int QB7_CALL CloseQB7()
{
    g_device.close();
    return 1;
}

QB7EMU_EXPORT int QB7_CALL SetQB7(int address, int directionMask, int mode)
{
    return g_device.setDirection(address, directionMask, mode) ? 1 : 0;
}

QB7EMU_EXPORT int QB7_CALL QB7Out(int address, unsigned char value)
{
    return g_device.write(address, value) ? 1 : 0;
}

QB7EMU_EXPORT int QB7_CALL QB7In(int address, unsigned char *value)
{
    if (g_unplugging && !g_unplugging->answers())
        return 0; // nothing came back: the byte stays as it was
    return value && g_device.read(address, *value) ? 1 : 0;
}

QB7EMU_EXPORT int QB7_CALL GetQB7State()
{
    return g_device.isOpen() ? 1 : 0;
}

QB7EMU_EXPORT int QB7_CALL GetQB7FW()
{
    return kFirmware;
}

// The whole-device operations exist so that the library offers the full set of
// names; the emulated device does not act on them.
QB7EMU_EXPORT int QB7_CALL SetQB7All(int, int, int)
{
    return 0;
}

QB7EMU_EXPORT int QB7_CALL QB7OutAll(unsigned char, unsigned char)
{
    return 0;
}

QB7EMU_EXPORT int QB7_CALL QB7InAll(unsigned char *, unsigned char *)
{
    return 0;
}

} // extern "C"

// The binding casts what it looks up to these types; keep the definitions in step.
static_assert(std::is_same_v<decltype(&OpenQB7), OpenQB7Fn>);
static_assert(std::is_same_v<decltype(&CloseQB7), CloseQB7Fn>);
static_assert(std::is_same_v<decltype(&SetQB7), SetQB7Fn>);
static_assert(std::is_same_v<decltype(&QB7Out), QB7OutFn>);
static_assert(std::is_same_v<decltype(&QB7In), QB7InFn>);
static_assert(std::is_same_v<decltype(&GetQB7State), GetQB7StateFn>);
static_assert(std::is_same_v<decltype(&GetQB7FW), GetQB7FWFn>);
static_assert(std::is_same_v<decltype(&SetQB7All), SetQB7AllFn>);
static_assert(std::is_same_v<decltype(&QB7OutAll), QB7OutAllFn>);
static_assert(std::is_same_v<decltype(&QB7InAll), QB7InAllFn>);
