#pragma once
// Shared by the tests that bind the driver library: whether the library is
// loaded, one operation of the binding called by its name, and what the
// platform's loader says, in its own words.
#include "device/qb7driver.h"
#include "plaintest.h"

#include <cstdint>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

inline bool driverLibraryLoaded()
{
#ifdef _WIN32
    return GetModuleHandleA(QB7_LIBRARY_FILE) != nullptr;
#else
    void *handle = dlopen(QB7_LIBRARY_FILE, RTLD_NOW | RTLD_NOLOAD);
    if (handle)
        dlclose(handle);
    return handle != nullptr;
#endif
}

inline void callOperation(Qb7Driver &driver, const std::string &operation, std::uint8_t &readByte)
{
    if (operation == "OpenQB7")
        driver.OpenQB7();
    else if (operation == "CloseQB7")
        driver.CloseQB7();
    else if (operation == "SetQB7")
        driver.SetQB7(qb7::kPortA, qb7::kAllInput, qb7::kMode);
    else if (operation == "QB7Out")
        driver.QB7Out(qb7::kPortB + qb7::line(3), 0);
    else if (operation == "QB7In")
        driver.QB7In(qb7::kPortA, readByte);
    else
        PT_FAIL("unknown operation");
}

// Whether `text` is well-formed UTF-8.
inline bool isUtf8(const std::string &text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i++]);
        const int more = lead < 0x80   ? 0
                         : lead < 0xC2 ? -1
                         : lead < 0xE0 ? 1
                         : lead < 0xF0 ? 2
                         : lead < 0xF5 ? 3
                                       : -1;
        if (more < 0)
            return false;
        for (int k = 0; k < more; ++k)
            if (i == text.size() || (static_cast<unsigned char>(text[i++]) & 0xC0) != 0x80)
                return false;
    }
    return true;
}

#ifdef _WIN32
// What Windows says for `error`: its wide text in UTF-8, without the line end.
inline std::string systemText(DWORD error)
{
    wchar_t text[512] = {};
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             error, 0, text, 512, nullptr);
    while (n > 0 && (text[n - 1] == L'\r' || text[n - 1] == L'\n' || text[n - 1] == L' '))
        --n;
    std::string utf8(std::size_t(4 * n), '\0');
    utf8.resize(std::size_t(WideCharToMultiByte(CP_UTF8, 0, text, int(n), utf8.data(),
                                                int(utf8.size()), nullptr, nullptr)));
    return utf8;
}
#endif
