// Binding with no driver library on the search path: nothing is loaded before
// the first call, and every call fails with the library's name and the loader's
// reason, again on every later call.
#include "bindingtest.h"
#include "device/drivererror.h"
#include "device/qb7driver.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace {

Qb7Driver &driver()
{
    static Qb7Driver binding;
    return binding;
}

// What the loader itself says about loading the library, and the system's
// "no such file" that must be in it.
#ifdef _WIN32
std::string loaderReason()
{
    if (HMODULE handle = LoadLibraryA(QB7_LIBRARY_FILE)) {
        FreeLibrary(handle);
        return "loaded";
    }
    return systemText(GetLastError());
}
const std::string kNoSuchFile = systemText(ERROR_MOD_NOT_FOUND);
#else
std::string loaderReason()
{
    void *handle = dlopen(QB7_LIBRARY_FILE, RTLD_NOW);
    if (handle) {
        dlclose(handle);
        return "loaded";
    }
    const char *reason = dlerror();
    return reason ? reason : "no reason";
}
// The loader's words follow the locale.
const std::string kNoSuchFile = std::strerror(ENOENT);
#endif

} // namespace

PT_TEST(nothingLoadedBeforeFirstCall)
{
    PT_CHECK(!driverLibraryLoaded());
    driver();
    Qb7Driver another;
    PT_CHECK(!driverLibraryLoaded());
}

PT_TEST(everyCallFails)
{
    for (const std::string operation : {"OpenQB7", "CloseQB7", "SetQB7", "QB7Out", "QB7In"}) {
        const plaintest::Row row(operation);
        // A fresh binding and the one that has failed before must both fail, and
        // keep failing: nothing is left half-bound by a failed load.
        Qb7Driver fresh;
        for (Qb7Driver *binding : {&fresh, &driver()}) {
            for (int attempt = 1; attempt <= 2; ++attempt) {
                std::uint8_t readByte = 0x5A;
                bool thrown = false;
                try {
                    callOperation(*binding, operation, readByte);
                } catch (const DriverError &e) {
                    thrown = true;
                    std::string message = e.what();
                    // The system's own words, in UTF-8 whatever the code page, and
                    // no line end of theirs at the end of the line.
                    PT_CHECK_MSG(isUtf8(message), message);
                    PT_CHECK_MSG(message.back() != '\n' && message.back() != '\r', message);
                    const std::string reason = loaderReason();
                    PT_CHECK_MSG(reason.find(kNoSuchFile) != std::string::npos, reason);
                    // The loader's reason names the file already; the message must too
                    // without it.
                    const std::size_t at = message.find(reason);
                    PT_CHECK_MSG(at != std::string::npos, e.what());
                    message.erase(at, reason.size());
                    PT_CHECK_MSG(message.find(QB7_LIBRARY_FILE) != std::string::npos, e.what());
                }
                PT_CHECK_MSG(thrown, "attempt " + std::to_string(attempt));
                PT_EQUAL(readByte, std::uint8_t(0x5A));
            }
        }
    }
    PT_CHECK(!driverLibraryLoaded());
}

PT_MAIN()
