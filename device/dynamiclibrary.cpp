#include "device/dynamiclibrary.h"

#include "device/drivererror.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

#ifdef _WIN32
// The system's text for `error`, as UTF-8 without the line end Windows gives it.
// The wide call is the one whose text does not depend on the ANSI code page
// (GBK on a Chinese system, where the ANSI text is not UTF-8).
std::string systemText(DWORD error)
{
    wchar_t text[512] = {};
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, error, 0, text, sizeof text / sizeof *text, nullptr);
    while (length > 0 &&
           (text[length - 1] == L'\r' || text[length - 1] == L'\n' || text[length - 1] == L' '))
        --length;
    if (length == 0)
        return "error " + std::to_string(error);
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text, int(length), nullptr, 0, nullptr, nullptr);
    std::string utf8(std::size_t(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, int(length), utf8.data(), size, nullptr, nullptr);
    return utf8;
}

std::string lastLoaderError()
{
    return systemText(GetLastError());
}
#else
std::string lastLoaderError()
{
    const char *text = dlerror();
    return text ? text : "unknown loader error";
}
#endif

} // namespace

DynamicLibrary::DynamicLibrary(std::string fileName) : m_fileName(std::move(fileName)) {}

DynamicLibrary::~DynamicLibrary()
{
#ifdef _WIN32
    if (m_handle)
        FreeLibrary(static_cast<HMODULE>(m_handle));
#else
    if (m_handle)
        dlclose(m_handle);
#endif
}

void DynamicLibrary::load()
{
#ifdef _WIN32
    m_handle = LoadLibraryA(m_fileName.c_str());
#else
    m_handle = dlopen(m_fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
    if (!m_handle) {
        const std::string reason = lastLoaderError();
        throw DriverError("无法加载驱动程序库 " + m_fileName + "：" + reason);
    }
}

void *DynamicLibrary::resolve(const char *symbol)
{
    if (!m_handle)
        load();
#ifdef _WIN32
    void *address =
        reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(m_handle), symbol));
#else
    dlerror();
    void *address = dlsym(m_handle, symbol);
#endif
    if (!address) {
        const std::string reason = lastLoaderError();
        throw DriverError("驱动程序库 " + m_fileName + " 中没有操作 " + symbol + "：" + reason);
    }
    return address;
}
