// Files on Windows: names cross the wide API from UTF-8, and the system's words
// come back through FormatMessageW, so neither depends on the ANSI code page
// (GBK on a Chinese system).
#include "system/file.h"

#include "system/windowstext.h"

#include <windows.h>

#include <algorithm>

namespace os {

namespace {
using windowstext::widened;

// Looking never keeps another program from reading, writing or removing.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kLongestWrite = 1u << 30;

Error lastError()
{
    return Error(GetLastError());
}

HANDLE handleOf(const File &file)
{
    return reinterpret_cast<HANDLE>(file.handle());
}

bool isMissing(Error error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Only a file on a disk is one; a device (NUL, COM1) or a pipe is something else.
Kind kindOfHandle(HANDLE handle, std::int64_t *size)
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info))
        return Kind::Other;
    if (size)
        *size = std::int64_t(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
    return info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? Kind::Folder : Kind::Regular;
}

// Opened only to be looked at, through links; a folder opens too.
HANDLE openToLook(const std::string &name)
{
    return CreateFileW(widened(name).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}
} // namespace

const Error kNameTaken = ERROR_FILE_EXISTS;

std::string errorText(Error error)
{
    return windowstext::systemText(DWORD(error));
}

Kind kindOf(const std::string &name, Error *error)
{
    const HANDLE handle = openToLook(name);
    if (handle == INVALID_HANDLE_VALUE) {
        const Error why = lastError();
        if (isMissing(why))
            return Kind::Missing;
        if (error)
            *error = why;
        return Kind::Other;
    }
    const Kind kind = kindOfHandle(handle, nullptr);
    CloseHandle(handle);
    return kind;
}

bool exists(const std::string &name)
{
    // Without following a link. A pipe has no attributes (under Wine at least),
    // so failing that, what is there is opened; a file another program holds
    // without sharing cannot be opened, but has attributes.
    const std::wstring wide = widened(name);
    if (GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES)
        return true;
    const HANDLE handle =
        CreateFileW(wide.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(handle);
    return true;
}

std::string folderOf(const std::string &name)
{
    const bool drive = name.size() >= 2 && name[1] == ':';
    const std::size_t slash = name.find_last_of("/\\");
    if (slash == std::string::npos)
        return drive ? name.substr(0, 2) : ".";
    // The root of a drive or of the current one keeps its separator.
    if (slash == 0 || (drive && slash == 2))
        return name.substr(0, slash + 1);
    return name.substr(0, slash);
}

namespace {
// A console or a pipe has no index; only a file on a disk has.
FileId idOf(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (handle == INVALID_HANDLE_VALUE || GetFileType(handle) != FILE_TYPE_DISK ||
        !GetFileInformationByHandle(handle, &info))
        return {};
    return {true, info.dwVolumeSerialNumber,
            std::uint64_t(info.nFileIndexHigh) << 32 | info.nFileIndexLow};
}
} // namespace

FileId fileId(const std::string &name)
{
    const HANDLE handle = openToLook(name);
    const FileId id = idOf(handle);
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
    return id;
}

FileId standardOutputId()
{
    return idOf(GetStdHandle(STD_OUTPUT_HANDLE));
}

Error File::close()
{
    if (!isOpen())
        return 0;
    const HANDLE handle = handleOf(*this);
    m_handle = kClosed;
    if (!m_owned)
        return 0;
    return CloseHandle(handle) ? 0 : lastError();
}

bool holdClosedStandardStreams()
{
    return false;
}

void failWritesOverFileSizeLimit() {}

void takeStandardOutput(File &file)
{
    file.take(reinterpret_cast<std::intptr_t>(GetStdHandle(STD_OUTPUT_HANDLE)), false);
}

void takeStandardError(File &file)
{
    file.take(reinterpret_cast<std::intptr_t>(GetStdHandle(STD_ERROR_HANDLE)), false);
}

bool isTerminal(const File &file)
{
    DWORD mode = 0;
    return GetConsoleMode(handleOf(file), &mode) != 0;
}

Error createNew(const std::string &name, File &file)
{
    const HANDLE handle = CreateFileW(widened(name).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                      nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const Error error = lastError();
        // A folder by that name is refused as denied access.
        return error == ERROR_ALREADY_EXISTS || (error == ERROR_ACCESS_DENIED && exists(name))
                   ? kNameTaken
                   : error;
    }
    // A device's name opens the device whatever is asked: it is taken.
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        return kNameTaken;
    }
    file.take(reinterpret_cast<std::intptr_t>(handle));
    return 0;
}

Error openForReading(const std::string &name, File &file)
{
    // Opening a pipe never waits on Windows: a busy one fails.
    const HANDLE handle = CreateFileW(widened(name).c_str(), GENERIC_READ, kShareAll, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return lastError();
    file.take(reinterpret_cast<std::intptr_t>(handle));
    return 0;
}

Error openForWriting(const std::string &name, File &file)
{
    // Through links; a pipe that is busy fails at once.
    const HANDLE handle = CreateFileW(widened(name).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return lastError();
    file.take(reinterpret_cast<std::intptr_t>(handle));
    return 0;
}

Kind kindOf(const File &file, std::int64_t *size)
{
    return kindOfHandle(handleOf(file), size);
}

Error writeAll(File &file, const char *bytes, std::size_t size)
{
    if (isTerminal(file)) {
        const std::wstring text = widened(std::string(bytes, size));
        DWORD written = 0;
        return WriteConsoleW(handleOf(file), text.data(), DWORD(text.size()), &written, nullptr)
                   ? 0
                   : lastError();
    }
    for (std::size_t written = 0; written < size;) {
        DWORD n = 0;
        const DWORD chunk = DWORD(std::min<std::size_t>(size - written, kLongestWrite));
        if (!WriteFile(handleOf(file), bytes + written, chunk, &n, nullptr))
            return lastError();
        if (n == 0)
            return ERROR_DISK_FULL;
        written += n;
    }
    return 0;
}

Error readUpTo(File &file, char *buffer, std::size_t size, std::size_t *got)
{
    *got = 0;
    while (*got < size) {
        DWORD n = 0;
        const DWORD chunk = DWORD(std::min<std::size_t>(size - *got, kLongestWrite));
        if (!ReadFile(handleOf(file), buffer + *got, chunk, &n, nullptr)) {
            const Error error = lastError();
            return error == ERROR_HANDLE_EOF || error == ERROR_BROKEN_PIPE ? 0 : error;
        }
        if (n == 0)
            break;
        *got += n;
    }
    return 0;
}

std::int64_t writePosition(const File &file)
{
    LARGE_INTEGER at{};
    return SetFilePointerEx(handleOf(file), LARGE_INTEGER{}, &at, FILE_CURRENT) ? at.QuadPart : 0;
}

Error cutBack(File &file, std::int64_t size)
{
    LARGE_INTEGER end{};
    end.QuadPart = size;
    return SetFilePointerEx(handleOf(file), end, nullptr, FILE_BEGIN) &&
                   SetEndOfFile(handleOf(file))
               ? 0
               : lastError();
}

Error sync(File &file)
{
    return FlushFileBuffers(handleOf(file)) ? 0 : lastError();
}

Error readAt(File &file, std::int64_t offset, char *buffer, std::size_t size, std::size_t *got)
{
    *got = 0;
    while (*got < size) {
        const std::int64_t at = offset + std::int64_t(*got);
        OVERLAPPED where{};
        where.Offset = DWORD(at & 0xFFFFFFFF);
        where.OffsetHigh = DWORD(at >> 32);
        DWORD n = 0;
        const DWORD chunk = DWORD(std::min<std::size_t>(size - *got, kLongestWrite));
        if (!ReadFile(handleOf(file), buffer + *got, chunk, &n, &where)) {
            const Error error = lastError();
            return error == ERROR_HANDLE_EOF ? 0 : error;
        }
        if (n == 0)
            break;
        *got += n;
    }
    return 0;
}

Writers writersOf(File &, const std::string &name)
{
    // Refused while another handle may write: a writer is there.
    const HANDLE handle = CreateFileW(widened(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
        return Writers::None;
    }
    return GetLastError() == ERROR_SHARING_VIOLATION ? Writers::Some : Writers::Unknown;
}

const Error kInUse = ERROR_SHARING_VIOLATION;

Error lockForWriting(File &)
{
    return 0; // opened for writing with FILE_SHARE_READ alone: locked already
}

bool isLockedForWriting(const std::string &name)
{
    File file;
    return writersOf(file, name) == Writers::Some;
}

Error namesIn(const std::string &folder, std::vector<std::string> *names)
{
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(widened(folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        const Error error = lastError();
        return error == ERROR_FILE_NOT_FOUND ? 0 : error;
    }
    do {
        const std::string name = windowstext::narrowed(found.cFileName);
        if (name != "." && name != "..")
            names->push_back(name);
    } while (FindNextFileW(search, &found));
    const Error error = lastError();
    FindClose(search);
    return error == ERROR_NO_MORE_FILES ? 0 : error;
}

void remove(const std::string &name)
{
    DeleteFileW(widened(name).c_str());
}

std::string realName(const std::string &name)
{
    const HANDLE handle = openToLook(name);
    if (handle == INVALID_HANDLE_VALUE)
        return name;
    std::wstring real(MAX_PATH, L'\0');
    DWORD length = 0;
    // Too small a buffer gives the size it needs, its terminating zero counted.
    while ((length = GetFinalPathNameByHandleW(handle, real.data(), DWORD(real.size()),
                                               FILE_NAME_NORMALIZED | VOLUME_NAME_DOS)) >=
           real.size())
        real.resize(length);
    CloseHandle(handle);
    if (length == 0)
        return name;
    real.resize(length);
    return windowstext::narrowed(real);
}

Error replace(const std::string &target, const std::string &replacement)
{
    // ReplaceFileW itself takes the place of an empty folder, under Wine at
    // least: what is there is looked at first.
    if (Error error = 0; kindOf(target, &error) != Kind::Regular)
        return error != 0 ? error : ERROR_ACCESS_DENIED;
    // The replaced file's permissions, attributes and time of creation go over
    // to the new one.
    return ReplaceFileW(widened(target).c_str(), widened(replacement).c_str(), nullptr,
                        REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
               ? 0
               : lastError();
}

} // namespace os
