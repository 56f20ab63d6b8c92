#pragma once
#include <string>

// A shared library found by its bare file name through the platform's ordinary
// library search, on Windows without the current directory. It is loaded at the
// first symbol lookup, never before.
class DynamicLibrary
{
public:
    explicit DynamicLibrary(std::string fileName);
    ~DynamicLibrary();
    DynamicLibrary(const DynamicLibrary &) = delete;
    DynamicLibrary &operator=(const DynamicLibrary &) = delete;

    // The address of `symbol`, else of `otherName` when one is given. Throws
    // DriverError naming the library, `symbol` and the loader's reason.
    void *resolve(const char *symbol, const std::string &otherName = {});

private:
    void load();
    void *lookup(const char *symbol);

    std::string m_fileName;
    void *m_handle = nullptr;
};
