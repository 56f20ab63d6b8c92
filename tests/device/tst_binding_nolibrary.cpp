// Binding with no driver library on the search path: nothing is loaded before
// the first call, and every call fails with the library's name and the loader's
// reason, again on every later call.
#include "bindingtest.h"
#include "device/drivererror.h"
#include "device/qb7driver.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
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

// A driver library in the current directory, where the operator saves and opens
// files, is never loaded: whoever put it there, it is not one the search was
// pointed at.
PT_TEST(currentDirectoryNotSearched)
{
    namespace fs = std::filesystem;
    const fs::path folder =
        fs::temp_directory_path() /
        ("zk61ar-planted-" +
         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directory(folder);
    fs::copy_file(ZK_PLANTED_DRIVER, folder / QB7_LIBRARY_FILE);
    const fs::path before = fs::current_path();
    fs::current_path(folder);
#ifdef _WIN32
    // Nor through PATH: a '.' or an empty entry (a trailing ';') is no folder
    // added on purpose.
    char path[32767] = {};
    GetEnvironmentVariableA("PATH", path, sizeof path);
    SetEnvironmentVariableA("PATH", (std::string(".;;") + path).c_str());
#endif
    std::string failure;
    try {
        Qb7Driver fresh;
        fresh.OpenQB7();
    } catch (const DriverError &e) {
        failure = e.what();
    }
    const bool loaded = driverLibraryLoaded();
#ifdef _WIN32
    SetEnvironmentVariableA("PATH", path);
#endif
    fs::current_path(before);
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    PT_CHECK_MSG(!failure.empty(), "the planted library was loaded");
    PT_CHECK(!loaded);
}

PT_MAIN()
