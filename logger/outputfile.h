#pragma once
#include "system/file.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// The recording's output, written in whole lines: a file that grows in place as
// rows come (system/output.h), so that the name always holds the rows so far,
// or standard output. A write that fails leaves the file as it was before that
// write, so the file always ends on a whole line. Failures throw LogError with
// a message that names the file and the system's reason.
class OutputFile
{
public:
    // Creates `name` for writing: an existing name is refused, and with `force`
    // only a regular file (or a link to one) is replaced, emptied.
    static std::unique_ptr<OutputFile> create(const std::string &name, bool force);
    // The same, but nothing when the name is taken already (and not to be
    // replaced): a name another program took in the meantime.
    static std::unique_ptr<OutputFile> createUnlessTaken(const std::string &name, bool force);
    // Named kStandardOutput in messages.
    static std::unique_ptr<OutputFile> standardOutput();
    static constexpr const char *kStandardOutput = "标准输出";

    const std::string &name() const { return m_name; }
    // All of `size` bytes, or LogError and nothing of them.
    void write(const char *data, std::size_t size);
    // Makes what was written durable; may run on another thread than write().
    void sync();
    void close();
    // Closes the file and removes it (standard output stays): for a file that
    // holds no row.
    void closeAndRemove();

private:
    explicit OutputFile(std::string name) : m_name(std::move(name)) {}
    void start();

    std::string m_name;
    os::File m_file;
    bool m_regular = false;
    bool m_named = false;   // made by its name, not standard output
    std::int64_t m_end = 0; // the size after the last whole write
};
