#include "device/dynamiclibrary.h"

#include "device/drivererror.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

#ifdef _WIN32
std::string lastLoaderError()
{
    char text[512] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   GetLastError(), 0, text, sizeof text, nullptr);
    return text;
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
    if (!m_handle)
        throw DriverError("无法加载驱动程序库 " + m_fileName + "：" + lastLoaderError());
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
    if (!address)
        throw DriverError("驱动程序库 " + m_fileName + " 中没有操作 " + symbol + "：" +
                          lastLoaderError());
    return address;
}
