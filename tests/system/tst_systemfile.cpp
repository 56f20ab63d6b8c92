// The system layer's files on their own, natively and under Wine. What the
// layer wrote is read back through the standard library, which reaches the
// system its own way (the wide API on Windows).
#include "plaintest.h"
#include "system/file.h"
#include "system/output.h"

#include <fstream>
#include <iterator>
#include <vector>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;
using namespace os;

namespace {

std::string contents(const fs::path &name)
{
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeNew(const std::string &name, const std::string &bytes)
{
    File file;
    PT_EQUAL(createNew(name, file), 0);
    PT_EQUAL(writeAll(file, bytes.data(), bytes.size()), 0);
    PT_EQUAL(file.close(), 0);
}

bool isUtf8(const std::string &text)
{
    for (std::size_t i = 0, length = 0; i < text.size(); i += length) {
        const auto lead = static_cast<unsigned char>(text[i]);
        length = lead < 0x80                    ? 1
                 : lead >= 0xC2 && lead <= 0xDF ? 2
                 : lead >= 0xE0 && lead <= 0xEF ? 3
                 : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
    }
    return true;
}

} // namespace

// Whatever holds a name, an exclusive create leaves it alone; replace takes the
// place of a regular file whole and refuses a folder. A device or a pipe is
// refused by its kind before any replace (files/wholefile.cpp).
PT_TEST(whatHoldsAName)
{
    const plaintest::TemporaryFolder folder("tst_systemfile");
    const std::string regular = (folder.path / "file.dat").string();
    const std::string subfolder = (folder.path / "folder").string();
    std::ofstream(regular, std::ios::binary) << "old and longer";
    fs::create_directory(subfolder);
#ifdef _WIN32
    const std::string device = "NUL";
    // One instance of the pipe for each look at it, as each look connects.
    const std::string pipe = "\\\\.\\pipe\\tst_systemfile-" + std::to_string(GetCurrentProcessId());
    std::vector<HANDLE> instances;
    for (int i = 0; i < 4; ++i) {
        instances.push_back(CreateNamedPipeA(pipe.c_str(), PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE,
                                             PIPE_UNLIMITED_INSTANCES, 0, 0, 0, nullptr));
        PT_CHECK(instances.back() != INVALID_HANDLE_VALUE);
    }
#else
    const std::string device = "/dev/null";
    const std::string pipe = (folder.path / "pipe").string();
    PT_EQUAL(mkfifo(pipe.c_str(), 0600), 0);
#endif
    struct Row
    {
        const char *name;
        std::string path;
        Kind kind;
    };
    const Row rows[] = {{"regular file", regular, Kind::Regular},
                        {"folder", subfolder, Kind::Folder},
                        {"device", device, Kind::Other},
                        {"pipe", pipe, Kind::Other}};
    for (const Row &row : rows) {
        const plaintest::Row current(row.name);
        Error error = 0;
        PT_EQUAL(int(kindOf(row.path, &error)), int(row.kind));
        PT_EQUAL(error, 0);
        PT_CHECK(exists(row.path));
        File file;
        PT_EQUAL(createNew(row.path, file), kNameTaken);
        PT_CHECK(!file.isOpen());
        if (row.kind == Kind::Other)
            continue;
        const std::string replacement = (folder.path / "new.dat").string();
        writeNew(replacement, "new");
        PT_EQUAL(replace(row.path, replacement) == 0, row.kind == Kind::Regular);
        PT_EQUAL(int(kindOf(row.path)), int(row.kind));
        PT_EQUAL(exists(replacement), row.kind != Kind::Regular);
        remove(replacement);
    }
    PT_EQUAL(contents(regular), std::string("new"));
    PT_EQUAL(int(kindOf((folder.path / "none").string())), int(Kind::Missing));
#ifdef _WIN32
    for (const HANDLE instance : instances)
        CloseHandle(instance);
#endif
}

// The --force rule for whatever holds an output's name, looked at before and
// met again by both ways of making the output: without --force only a free
// name is taken; with it a regular file (or the one a link points to) is
// replaced, and nothing else is touched.
PT_TEST(forceRuleBothWays)
{
    const plaintest::TemporaryFolder folder("tst_systemfile");
#ifdef _WIN32
    const std::string device = "NUL";
    // Each look at a pipe connects to an instance of it and uses it up.
    const std::string pipe =
        "\\\\.\\pipe\\tst_systemfile-force-" + std::to_string(GetCurrentProcessId());
    std::vector<HANDLE> instances;
    for (int i = 0; i < 16; ++i)
        instances.push_back(CreateNamedPipeA(pipe.c_str(), PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE,
                                             PIPE_UNLIMITED_INSTANCES, 0, 0, 0, nullptr));
#else
    const std::string device = "/dev/null";
    const std::string pipe = (folder.path / "pipe").string();
    PT_EQUAL(mkfifo(pipe.c_str(), 0600), 0);
#endif
    struct Row
    {
        const char *name;
        Refusal withForce;
    };
    const Row rows[] = {{"nothing", Refusal::None},      {"regular file", Refusal::None},
#ifndef _WIN32 // Windows makes symbolic links for the privileged only, Wine none
                        {"link", Refusal::None},         {"link to nothing", Refusal::NotRegular},
#endif
                        {"folder", Refusal::NotRegular}, {"device", Refusal::NotRegular},
                        {"pipe", Refusal::NotRegular},   {"file being recorded", Refusal::InUse}};
    int made = 0;
    for (const Row &row : rows) {
        for (const bool force : {false, true}) {
            for (const bool growing : {false, true}) {
                const plaintest::Row current(std::string(row.name) + (force ? ", --force" : "") +
                                             (growing ? ", growing" : ", whole"));
                const std::string kind = row.name;
                const fs::path own = folder.path / std::to_string(made++);
                fs::create_directory(own);
                const std::string target = (own / "target.dat").string();
                std::string name = (own / "out.dat").string();
                if (kind == "regular file" || kind == "file being recorded")
                    std::ofstream(name, std::ios::binary) << "old";
                // Held as a recording holds its file, by another open of it.
                File recording;
                if (kind == "file being recorded") {
                    PT_EQUAL(openForWriting(name, recording), 0);
                    PT_EQUAL(lockForWriting(recording), 0);
                }
                if (kind == "link" || kind == "link to nothing") {
                    if (kind == "link")
                        std::ofstream(target, std::ios::binary) << "old";
                    fs::create_symlink("target.dat", name);
                }
                if (kind == "folder")
                    fs::create_directory(name);
                if (kind == "device")
                    name = device;
                if (kind == "pipe")
                    name = pipe;
                const Refusal expected = kind == "nothing"                        ? Refusal::None
                                         : force || kind == "file being recorded" ? row.withForce
                                                                                  : Refusal::Exists;
                PT_EQUAL(int(refusalOf(name, force)), int(expected));

                Outcome outcome;
                if (growing) {
                    File file;
                    outcome = createGrowing(name, force, file);
                    PT_EQUAL(file.isOpen(), outcome.done());
                    if (outcome.done())
                        PT_EQUAL(writeAll(file, "new", 3), 0);
                } else {
                    outcome = writeWhole(name, "new", 3, force);
                }
                PT_EQUAL(int(outcome.refusal), int(expected));
                PT_EQUAL(outcome.error, 0);
                const std::string holds = kind == "link" ? target : name;
                if (kind == "file being recorded") {
                    PT_EQUAL(contents(name), std::string("old"));
                    // Readers never meet the lock; a writer that asks, once it is gone.
                    File reader;
                    PT_EQUAL(openForReading(name, reader), 0);
                    PT_EQUAL(int(writersOf(reader, name)), int(Writers::Some));
                    recording.close();
                    PT_CHECK(!isLockedForWriting(name));
                }
                if (kind == "nothing" || kind == "regular file" || kind == "link")
                    PT_EQUAL(contents(holds),
                             std::string(expected == Refusal::None ? "new" : "old"));
                if (kind == "link" || kind == "link to nothing")
                    PT_CHECK(fs::is_symlink(name));
                if (kind == "folder")
                    PT_CHECK(fs::is_directory(name));
                // Nothing left beside the name, a replacement's own name included.
                std::size_t entries = 0;
                for ([[maybe_unused]] const auto &entry : fs::directory_iterator(own))
                    ++entries;
                PT_EQUAL(entries,
                         std::size_t(kind == "nothing" || kind == "regular file" ||
                                             kind == "folder" || kind == "link to nothing" ||
                                             kind == "file being recorded"
                                         ? 1
                                     : kind == "link" ? 2
                                                      : 0));
            }
        }
    }
    PT_EQUAL(refusalText(Refusal::Exists, "out.dat"),
             std::string("输出文件 out.dat 已存在；加 --force 才会替换"));
    PT_EQUAL(refusalText(Refusal::NotRegular, "out.dat"),
             std::string("输出文件 out.dat 不是普通文件；--force 只替换普通文件"));
    PT_EQUAL(refusalText(Refusal::InUse, "out.dat"),
             std::string("输出文件 out.dat 正由另一个程序记录（已锁定）；加 --force 也不会替换"));
#ifdef _WIN32
    for (const HANDLE instance : instances)
        CloseHandle(instance);
#endif
}

// One file under two names is one file, through a hard link and a symbolic
// one alike; another file with the same bytes is another.
PT_TEST(oneFileByAnyName)
{
    const plaintest::TemporaryFolder folder("tst_systemfile");
    const std::string file = (folder.path / "file.dat").string();
    const std::string copy = (folder.path / "copy.dat").string();
    writeNew(file, "same");
    writeNew(copy, "same");
    fs::create_hard_link(file, folder.path / "hard.dat");
    struct Row
    {
        const char *name;
        std::string path;
        bool same;
    };
    std::vector<Row> rows{{"itself", file, true},
                          {"hard link", (folder.path / "hard.dat").string(), true},
                          {"through its folder", (folder.path / "." / "file.dat").string(), true},
                          {"a copy", copy, false},
                          {"missing", (folder.path / "none.dat").string(), false}};
#ifndef _WIN32
    // Windows makes symbolic links for the privileged only.
    fs::create_symlink("file.dat", folder.path / "link.dat");
    rows.push_back({"symbolic link", (folder.path / "link.dat").string(), true});
#endif
    PT_CHECK(fileId(file).known && !fileId((folder.path / "none.dat").string()).known);
    for (const Row &row : rows) {
        const plaintest::Row current(row.name);
        PT_EQUAL(fileId(file) == fileId(row.path), row.same);
        PT_EQUAL(fileId(row.path) == fileId(file), row.same);
        PT_CHECK(!(standardOutputId() == fileId(row.path)));
    }
}

// A Chinese name is the system's own name for the file, both ways, and the
// system's words come as UTF-8 (on Windows whatever the ANSI code page).
PT_TEST(chineseNameAndReasons)
{
    const plaintest::TemporaryFolder folder("tst_systemfile");
    const std::string name = u8"采样数据-样本.dat";
    const std::string path = (folder.path / fs::u8path(name)).u8string();
    writeNew(path, u8"样本");
    std::vector<std::string> listed;
    for (const auto &entry : fs::directory_iterator(folder.path))
        listed.push_back(entry.path().filename().u8string());
    PT_EQUAL(listed, std::vector<std::string>{name});
    PT_EQUAL(fs::u8path(realName(path)).filename().u8string(), name);

    File file;
    PT_EQUAL(openForReading(path, file), 0);
    std::int64_t size = 0;
    PT_EQUAL(int(kindOf(file, &size)), int(Kind::Regular));
    PT_EQUAL(size, 6);
    char bytes[16];
    std::size_t got = 0;
    PT_EQUAL(readUpTo(file, bytes, sizeof bytes, &got), 0);
    PT_EQUAL(std::string(bytes, got), std::string(u8"样本"));

    File missing;
    for (const Error error : {openForReading(path + ".none", missing), kNameTaken}) {
        const std::string text = errorText(error);
        PT_CHECK_MSG(!text.empty() && isUtf8(text) && text.back() != '\n', text);
    }
}

PT_MAIN()
