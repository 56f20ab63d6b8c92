// Binding against a driver library that has OpenQB7 and none of the other
// operations: the present one binds and runs, each missing one fails its own
// call with the library's name, the operation's name and the loader's reason.
#include "bindingtest.h"
#include "device/drivererror.h"
#include "device/qb7driver.h"

#include <cstdlib>
#include <string>

namespace {

Qb7Driver &driver()
{
    static Qb7Driver binding;
    return binding;
}

// The stand-in counts its OpenQB7 calls in the environment.
int opensSeen()
{
    const char *count = std::getenv("QB7PARTIAL_OPENS");
    return count ? std::atoi(count) : 0;
}

// What the loader itself says about looking `symbol` up in the loaded library,
// and the words for a missing symbol that must be in it.
#ifdef _WIN32
std::string loaderReason(const char *symbol)
{
    const HMODULE handle = GetModuleHandleA(QB7_LIBRARY_FILE);
    if (!handle)
        return "library not loaded";
    return GetProcAddress(handle, symbol) ? "found" : systemText(GetLastError());
}
const std::string kNoSuchSymbol = systemText(ERROR_PROC_NOT_FOUND);
#else
std::string loaderReason(const char *symbol)
{
    void *handle = dlopen(QB7_LIBRARY_FILE, RTLD_NOW | RTLD_NOLOAD);
    if (!handle)
        return "library not loaded";
    dlerror();
    const void *address = dlsym(handle, symbol);
    const char *reason = dlerror();
    const std::string text = address ? "found" : reason ? reason : "no reason";
    dlclose(handle);
    return text;
}
const std::string kNoSuchSymbol = "undefined symbol";
#endif

} // namespace

// Runs first: nothing in this process may have touched the library before.
PT_TEST(nothingLoadedBeforeFirstCall)
{
    PT_CHECK(!driverLibraryLoaded());
    driver();
    Qb7Driver another;
    PT_CHECK(!driverLibraryLoaded());
}

PT_TEST(presentOperationWorks)
{
    const int before = opensSeen();
    driver().OpenQB7();
    PT_CHECK(driverLibraryLoaded());
    PT_EQUAL(opensSeen(), before + 1);
    driver().OpenQB7();
    PT_EQUAL(opensSeen(), before + 2);
}

PT_TEST(missingOperationFailsItsCall)
{
    for (const std::string operation : {"CloseQB7", "SetQB7", "QB7Out", "QB7In"}) {
        const plaintest::Row row(operation);
        // Twice: a failed lookup leaves nothing behind that a later call could use.
        for (int attempt = 1; attempt <= 2; ++attempt) {
            std::uint8_t readByte = 0x5A;
            bool thrown = false;
            try {
                callOperation(driver(), operation, readByte);
            } catch (const DriverError &e) {
                thrown = true;
                std::string message = e.what();
                const std::string reason = loaderReason(operation.c_str());
                PT_CHECK_MSG(reason.find(kNoSuchSymbol) != std::string::npos, reason);
                // The loader's reason names both already; the message must too without it.
                const std::size_t at = message.find(reason);
                PT_CHECK_MSG(at != std::string::npos, e.what());
                message.erase(at, reason.size());
                PT_CHECK_MSG(message.find(QB7_LIBRARY_FILE) != std::string::npos, e.what());
                PT_CHECK_MSG(message.find(operation) != std::string::npos, e.what());
                // By its plain name, whatever other name the binding tried.
                PT_CHECK_MSG(message.find('@') == std::string::npos, e.what());
            }
            PT_CHECK_MSG(thrown, "attempt " + std::to_string(attempt));
            PT_EQUAL(readByte, std::uint8_t(0x5A));
        }

        // The operation that is there keeps working beside the ones that are not.
        const int before = opensSeen();
        driver().OpenQB7();
        PT_EQUAL(opensSeen(), before + 1);
    }
}

PT_MAIN()
