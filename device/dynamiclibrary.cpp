#include "device/dynamiclibrary.h"

#include "device/drivererror.h"

#ifdef _WIN32
#include "system/file.h"

#include <algorithm>
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

#ifdef _WIN32
std::string lastLoaderError()
{
    return os::errorText(os::Error(GetLastError()));
}

// A file that is not there, nor its folder: the search goes on.
bool notThere(DWORD error)
{
    return error == ERROR_MOD_NOT_FOUND || error == ERROR_FILE_NOT_FOUND ||
           error == ERROR_PATH_NOT_FOUND;
}

bool isAbsoluteFolder(const std::wstring &folder)
{
    const bool onDrive =
        folder.size() >= 3 && folder[1] == L':' && (folder[2] == L'\\' || folder[2] == L'/');
    return onDrive || folder.rfind(L"\\\\", 0) == 0; // C:\... or \\server\share
}

// The platform's search order without the current directory, where the
// operator saves and opens files: a qb7io.dll lying there would be loaded and
// run. The program's folder, the system folder and any folder the process has
// added come first; then the Windows folder and every folder on PATH, but only
// those named in full, as an empty or relative entry of PATH (a trailing ';',
// a '.') would bring the current directory back in. A file that is found and
// fails to load ends the search with its own reason, as the standard search
// does.
HMODULE loadWithoutCurrentDirectory(const std::wstring &name)
{
    if (HMODULE module = LoadLibraryExW(name.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DEFAULT_DIRS))
        return module;
    if (!notThere(GetLastError()))
        return nullptr;

    std::wstring folders(MAX_PATH, L'\0');
    folders.resize(GetWindowsDirectoryW(folders.data(), MAX_PATH));
    const DWORD pathLength = GetEnvironmentVariableW(L"PATH", nullptr, 0);
    if (pathLength > 0) {
        std::wstring path(pathLength, L'\0');
        path.resize(GetEnvironmentVariableW(L"PATH", path.data(), pathLength));
        folders += L';' + path;
    }
    for (std::size_t start = 0, end; start <= folders.size(); start = end + 1) {
        end = std::min(folders.find(L';', start), folders.size());
        std::wstring folder = folders.substr(start, end - start);
        if (folder.size() >= 2 && folder.front() == L'"' && folder.back() == L'"')
            folder = folder.substr(1, folder.size() - 2);
        if (!isAbsoluteFolder(folder))
            continue;
        // A full path for the loader has backslashes only.
        std::replace(folder.begin(), folder.end(), L'/', L'\\');
        if (folder.back() != L'\\')
            folder += L'\\';
        // What the library itself needs is looked for beside it first.
        if (HMODULE module =
                LoadLibraryExW((folder + name).c_str(), nullptr,
                               LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS))
            return module;
        if (!notThere(GetLastError()))
            return nullptr;
    }
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
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
    // An ASCII file name.
    m_handle = loadWithoutCurrentDirectory(std::wstring(m_fileName.begin(), m_fileName.end()));
#else
    m_handle = dlopen(m_fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
    if (!m_handle) {
        const std::string reason = lastLoaderError();
        throw DriverError("无法加载驱动程序库 " + m_fileName + "：" + reason);
    }
}

void *DynamicLibrary::lookup(const char *symbol)
{
#ifdef _WIN32
    return reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(m_handle), symbol));
#else
    dlerror();
    return dlsym(m_handle, symbol);
#endif
}

void *DynamicLibrary::resolve(const char *symbol, const std::string &otherName)
{
    if (!m_handle)
        load();
    if (void *address = lookup(symbol))
        return address;
    // The reason given is the one for the name asked for.
    const std::string reason = lastLoaderError();
    if (!otherName.empty())
        if (void *address = lookup(otherName.c_str()))
            return address;
    throw DriverError("驱动程序库 " + m_fileName + " 中没有操作 " + symbol + "：" + reason);
}
