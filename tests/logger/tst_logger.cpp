// zk61ar-log run for real as a child process: on the emulated device with fixed
// levels, on the recording stand-in, on a library that lacks operations and
// with no driver at all. What is checked is what it leaves: the files, the
// exit status and its lines on standard error.
#include "childprocess.h"
#include "device/qb7api.h"
#include "plaintest.h"

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <set>
#include <sstream>
#ifdef __linux__
#include <sys/mount.h>
#endif
#include <string_view>
#include <system_error>

namespace fs = std::filesystem;
using childprocess::readFile;
using childprocess::waitFor;

namespace {

constexpr double kEnds = 60;
#ifdef _WIN32
constexpr int kStop = childprocess::kCtrlC;
#else
constexpr int kStop = SIGINT;
#endif // seconds any run may take, however loaded the machine

// Where the program looks for the driver library.
#ifdef _WIN32
const std::string kSearchPath = "PATH=";
#else
const std::string kSearchPath = "LD_LIBRARY_PATH=";
#endif

// A folder of the test's own: the program runs in run/, its output streams lie beside.
struct Folder
{
    plaintest::TemporaryFolder own{"tst_logger"};
    fs::path root = own.path;
    Folder() { fs::create_directories(root / "run"); }
    std::string operator/(const std::string &name) const { return (root / "run" / name).string(); }
    std::set<std::string> names() const
    {
        std::set<std::string> found;
        for (const auto &entry : fs::directory_iterator(root / "run"))
            found.insert(entry.path().filename().string());
        return found;
    }
};

std::vector<std::string> prepend(std::string first, std::vector<std::string> rest)
{
    rest.insert(rest.begin(), std::move(first));
    return rest;
}

#ifdef __linux__
// The C library's words for `error` in the language the environment names, as
// the program gives them.
std::string systemWords(int error)
{
    std::setlocale(LC_CTYPE, "");
    std::setlocale(LC_MESSAGES, "");
    const std::string words = std::strerror(error);
    std::setlocale(LC_ALL, "C");
    return words;
}
#endif

// zk61ar-log in the folder's run/, finding the driver library in `library`.
struct Logger
{
    Logger(const Folder &folder, std::vector<std::string> args, std::vector<std::string> env = {},
           const std::string &library = ZK_EMULATOR_DIR, const std::string &out = {},
           const std::string &errName = "stderr")
        : errPath((folder.root / errName).string()),
          process(prepend(ZK_LOGGER, std::move(args)), (folder.root / "run").string(),
                  prepend(kSearchPath + library, std::move(env)),
                  out.empty() ? (folder.root / "stdout").string() : out, errPath)
    {
    }
    childprocess::Ended wait() { return process.wait(kEnds); }
    std::string err() const { return readFile(errPath); }

    std::string errPath;
    childprocess::Process process;
};

std::vector<std::string> fields(const std::string &line)
{
    std::vector<std::string> out;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, ',');)
        out.push_back(field);
    return out;
}

struct Csv
{
    std::vector<std::string> comments; // the # lines
    std::string header;
    std::vector<std::vector<std::string>> rows;
    bool whole = true; // every line ends in CRLF, the last one too
};

Csv readCsv(const std::string &path)
{
    const std::string text = readFile(path);
    Csv csv;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find("\r\n", at);
        const std::string line = text.substr(at, end - at);
        csv.whole = csv.whole && end != std::string::npos && line.find('\n') == std::string::npos;
        if (line.rfind('#', 0) == 0)
            csv.comments.push_back(line);
        else if (csv.header.empty())
            csv.header = line;
        else
            csv.rows.push_back(fields(line));
        at = end == std::string::npos ? text.size() : end + 2;
    }
    return csv;
}

// Rows and skipped scans, as the summary line gives them.
std::pair<long long, long long> summaryOf(const std::string &err)
{
    // Read by hand: the C library's scanf of Windows does not match the
    // format's multibyte text.
    long long rows = -1, skipped = -1;
    const std::string lead = "zk61ar-log: ", between = " 行，超时跳过 ";
    const std::size_t at = err.rfind(lead);
    if (at == std::string::npos)
        return {rows, skipped};
    const char *const end = err.data() + err.size();
    const char *next = std::from_chars(err.data() + at + lead.size(), end, rows).ptr;
    if (std::string_view(next, std::size_t(end - next)).substr(0, between.size()) == between)
        std::from_chars(next + between.size(), end, skipped);
    return {rows, skipped};
}

double seconds(const std::vector<std::string> &row)
{
    double value = -1;
    std::from_chars(row.at(1).data(), row.at(1).data() + row.at(1).size(), value);
    return value;
}

// Scans strictly increasing below `scans`, the times too (at -r max as well);
// with a rate, each scan
// taken at or after its due time and less than a period late; rows and skipped
// scans as the summary says.
void checkScans(const std::vector<std::vector<std::string>> &rows, const std::string &err,
                long long scans, double rate)
{
    long long previous = -1;
    double before = -1;
    bool measured = rate == 0; // a time taken from the clock, not worked out from the scan
    for (const auto &row : rows) {
        const long long scan = std::stoll(row.at(0));
        PT_CHECK(scan > previous && scan < scans);
        PT_CHECK_MSG(seconds(row) > before, row[0] + " at " + row[1]); // nanoseconds where needed
        if (rate > 0)
            PT_CHECK_MSG(seconds(row) - scan / rate >= -1e-6 &&
                             seconds(row) - scan / rate <= 1 / rate + 1e-6,
                         row[0] + " at " + row[1]);
        measured = measured || seconds(row) != scan / rate;
        previous = scan;
        before = seconds(row);
    }
    PT_CHECK(measured);
    const auto [written, skipped] = summaryOf(err);
    PT_EQUAL(written, (long long)rows.size());
    PT_EQUAL(written + skipped, scans);
}

} // namespace

PT_TEST(recordsExactMillivoltsOnSchedule)
{
    struct Channel
    {
        const char *option, *volts, *name, *mV; // codes: floor(volts x 4096 / full scale)
    };
    const Channel channels[] = {
        {"0:0-5V", "0.0013", "0-5V", "1.220703125"},    // code 1
        {"1:±5V", "-0.001", "±5V", "-2.44140625"},      // -1: floor, not toward zero
        {"2:0-10V", "9.999", "0-10V", "9997.55859375"}, // 4095
        {"3:+-10v", "-10", "±10V", "-10000"},           // -2048
        {"4", "20", "0-5V", "4998.779296875"},          // clamps at 4095
        {"5:3", "2.5", "±10V", "2500"},                 // 512
    };
    std::string list, dc = "QB7EMU_DC=", header = "scan,time_s";
    for (const Channel &c : channels) {
        list += std::string(list.empty() ? "" : ",") + c.option;
        dc += std::string(dc.back() == '=' ? "" : ",") + c.option[0] + "=" + c.volts;
        header += std::string(",ch") + c.option[0] + "_mV";
    }
    for (const std::string rate : {"200", "max"}) {
        const plaintest::Row row(rate);
        Folder folder;
        Logger run(folder, {"-c", list, "-r", rate, "-n", "40", "-o", "run.csv"}, {dc});
        PT_EQUAL(run.wait().status, 0);
        const Csv csv = readCsv(folder / "run.csv");
        PT_CHECK(csv.whole);
        PT_EQUAL(csv.comments.size(), std::size(channels) + 4);
        // How the schedule was kept: what the system granted, or why not.
        PT_CHECK_MSG(csv.comments.back().rfind("# schedule: ", 0) == 0, csv.comments.back());
        PT_EQUAL(csv.comments[0], std::string("# zk61ar-log " ZK61AR_VERSION));
        const std::string start = csv.comments[1];
        PT_CHECK_MSG(start.size() == 36 && start.rfind("# start: 20", 0) == 0 && start[19] == 'T' &&
                         start[28] == '.' && start.back() == 'Z',
                     start);
        PT_EQUAL(csv.comments[2], "# rate: " + (rate == "max" ? rate : rate + " scans/s"));
        for (std::size_t i = 0; i < std::size(channels); ++i)
            PT_EQUAL(csv.comments[3 + i],
                     std::string("# ch") + channels[i].option[0] + ": " + channels[i].name);
        PT_EQUAL(csv.header, header);
        for (const auto &r : csv.rows)
            for (std::size_t i = 0; i < std::size(channels); ++i)
                PT_EQUAL(r.at(2 + i), std::string(channels[i].mV));
        checkScans(csv.rows, run.err(), 40, rate == "max" ? 0 : 200);
        if (rate == "max")
            PT_EQUAL(csv.rows.size(), std::size_t(40)); // nothing to be late for
    }
}

PT_TEST(signalsMoveBetweenRowsAtAKilohertz)
{
    Folder folder;
    Logger run(folder, {"-c", "3:±5V", "-r", "1000", "-n", "400", "-o", "run.csv"}, {"QB7EMU_DC="});
    PT_EQUAL(run.wait().status, 0);
    // The 2 Hz sawtooth climbs about 6 codes a millisecond.
    int pairs = 0, moved = 0;
    const Csv csv = readCsv(folder / "run.csv");
    for (std::size_t i = 1; i < csv.rows.size(); ++i) {
        if (std::stoll(csv.rows[i][0]) != std::stoll(csv.rows[i - 1][0]) + 1)
            continue;
        ++pairs;
        moved += csv.rows[i][2] != csv.rows[i - 1][2];
    }
    PT_CHECK_MSG(pairs > 100 && moved >= pairs * 9 / 10,
                 std::to_string(moved) + " of " + std::to_string(pairs));
}

PT_TEST(stopsWithWholeLines)
{
    struct Stop
    {
        const char *name;
        int signal, times;
        bool early = false; // before the first rows are written
    };
#ifdef _WIN32
    using namespace childprocess;
    const Stop stops[] = {{"Ctrl-C", kCtrlC, 1},
                          {"Ctrl-Break", kCtrlBreak, 1},
                          {"console closed", kConsoleClosed, 1},
                          {"Ctrl-C twice", kCtrlC, 2},
                          {"killed", kKill, 1},
                          {"killed before the first rows are written", kKill, 1, true}};
    constexpr int kKilled = kKill;
#else
    const Stop stops[] = {
        {"SIGINT", SIGINT, 1},   {"SIGTERM", SIGTERM, 1},
        {"SIGHUP", SIGHUP, 1},   {"SIGINT twice", SIGINT, 2},
        {"SIGKILL", SIGKILL, 1}, {"SIGKILL before the first rows are written", SIGKILL, 1, true}};
    constexpr int kKilled = SIGKILL;
#endif
    for (const Stop stop : stops) {
        const plaintest::Row row(stop.name);
        Folder folder;
        // Early: the driver hangs in the second scan's first call, while
        // scan 0 is still held; the "#" lines and the header are in the file.
        const std::string calls = folder / "calls";
        Logger run(folder, {"-c", "0,7", "-r", stop.early ? "1000" : "20", "-o", "run.csv"},
                   stop.early
                       ? std::vector<std::string>{"QB7REC_LOG=" + calls, "QB7REC_STALL_AFTER=35"}
                       : std::vector<std::string>{},
                   stop.early ? ZK_RECORDER_DIR : ZK_EMULATOR_DIR);
        if (stop.early) {
            waitFor(
                [&] {
                    const std::string made = readFile(calls);
                    return std::count(made.begin(), made.end(), '\n') >= 35;
                },
                kEnds, "the driver hung in scan 1");
        } else {
            // Rows at 20 scans/s would take minutes to fill a buffer: they
            // reach the file because they are never held for long.
            waitFor(
                [&] {
                    const Csv csv = readCsv(folder / "run.csv");
                    return !csv.rows.empty() && seconds(csv.rows.back()) >= 1.2;
                },
                kEnds, "rows of the second second in the file");
        }
        for (int i = 0; i < stop.times; ++i)
            run.process.signal(stop.signal);
        const childprocess::Ended ended = run.wait();
        const Csv csv = readCsv(folder / "run.csv");
        PT_CHECK(csv.whole);
        PT_EQUAL(csv.header, std::string("scan,time_s,ch0_mV,ch7_mV"));
        PT_EQUAL(csv.comments.size(), std::size_t(6));
        if (stop.early)
            PT_CHECK(csv.rows.empty());
        for (const auto &r : csv.rows)
            PT_EQUAL(r.size(), std::size_t(4));
        if (stop.signal == kKilled || stop.times == 2) {
            PT_CHECK(ended.signal == stop.signal || (stop.times == 2 && ended.status == 0));
            continue;
        }
        PT_EQUAL(ended.status, 0);
        PT_EQUAL(summaryOf(run.err()).first, (long long)csv.rows.size());
    }
}

PT_TEST(writeFailureStopsWithWholeRows)
{
#ifndef __linux__
    PT_SKIP("a full device (/dev/full) and a small tmpfs are Linux's");
#else
    const std::string reason = systemWords(ENOSPC);
    {
        const plaintest::Row row("standard output on /dev/full");
        Folder folder;
        Logger run(folder, {"-r", "max", "-o", "-"}, {}, ZK_EMULATOR_DIR, "/dev/full");
        PT_EQUAL(run.wait().status, 1);
        PT_CHECK_MSG(run.err().find("无法写入 标准输出：" + reason + "\n") != std::string::npos,
                     run.err());
    }
    const plaintest::Row row("a full tmpfs");
    Folder folder;
    fs::create_directory(folder / "small");
    if (mount("tmpfs", (folder / "small").c_str(), "tmpfs", 0, "size=1m") != 0)
        PT_SKIP("a small tmpfs needs root: " + std::generic_category().message(errno));
    struct Unmount
    {
        std::string path;
        ~Unmount() { umount2(path.c_str(), MNT_DETACH); }
    } unmount{folder / "small"};
    Logger run(folder, {"-c", "0,1,2,3,4,5,6,7", "-r", "max", "-o", "small/run.csv"});
    PT_EQUAL(run.wait().status, 1);
    PT_CHECK_MSG(run.err().find("zk61ar-log: 无法写入 small/run.csv：" + reason + "\n") !=
                     std::string::npos,
                 run.err());
    const Csv csv = readCsv(folder / "small/run.csv");
    PT_CHECK(csv.whole && csv.rows.size() > 100);
    PT_EQUAL(summaryOf(run.err()).first, (long long)csv.rows.size());
#endif
}

PT_TEST(missingDriverCreatesNothing)
{
    struct Missing
    {
        const char *name, *dir, *named;
    };
    for (const Missing m : {Missing{"no library", ZK_NO_DRIVER_DIR, QB7_LIBRARY_FILE},
                            {"no SetQB7", ZK_PARTIAL_DIR, "SetQB7"}}) {
        const plaintest::Row row(m.name);
        Folder folder;
        Logger run(folder, {"-o", "run.csv"}, {}, m.dir);
        PT_EQUAL(run.wait().status, 1);
        const std::string err = run.err();
        PT_CHECK_MSG(err.rfind("zk61ar-log: ", 0) == 0 && err.find('\n') == err.size() - 1 &&
                         err.find(m.named) != std::string::npos,
                     err);
        PT_CHECK(folder.names().empty());
    }
}

// A device that stops answering (the emulator unplugged after so many reads or
// so long) ends the recording with its line; the rows before stay, whole, and
// no row comes from the conversion that failed.
PT_TEST(unansweredDeviceStopsKeepingTheRowsBefore)
{
    struct Unplugged
    {
        const char *name, *after;
        std::vector<std::string> args;
        long long scan; // the scan named, -1 where the clock decides
        int channel;
    };
    // Each conversion makes 5 reads: with 2 channels, read 1008 is the third
    // one of channel 1 in scan 100.
    for (const Unplugged &u :
         {Unplugged{"after 1007 reads", "1007", {"-r", "max", "-n", "1000"}, 100, 1},
          {"after 300 ms", "300ms", {"-r", "100", "-t", "20s"}, -1, -1}}) {
        const plaintest::Row row(u.name);
        Folder folder;
        std::vector<std::string> args = u.args;
        args.insert(args.end(), {"-c", "0,1:±5V", "-o", "run.csv"});
        Logger run(folder, args, {"QB7EMU_UNPLUG=" + std::string(u.after), "QB7EMU_DC=0=2.5,1=-2"});
        PT_EQUAL(run.wait().status, 1);
        const std::string err = run.err();
        const std::string lead = "zk61ar-log: 设备无应答：扫描 ";
        const std::size_t at = err.find(lead);
        PT_CHECK_MSG(at != std::string::npos && err.find("不是 0 或 1") != std::string::npos, err);
        long long scan = -1;
        std::from_chars(err.data() + at + lead.size(), err.data() + err.size(), scan);
        const Csv csv = readCsv(folder / "run.csv");
        PT_CHECK(csv.whole && !csv.rows.empty());
        for (const auto &r : csv.rows) {
            PT_EQUAL(r.at(2), std::string("2500"));
            PT_EQUAL(r.at(3), std::string("-2001.953125"));
        }
        PT_CHECK_MSG(std::stoll(csv.rows.back().at(0)) < scan, err);
        if (u.scan >= 0) {
            PT_EQUAL(scan, u.scan);
            PT_CHECK_MSG(err.find("中通道 " + std::to_string(u.channel) + " ") != std::string::npos,
                         err);
            PT_EQUAL((long long)csv.rows.size(), u.scan);
        }
        PT_EQUAL(summaryOf(err).first, (long long)csv.rows.size());
    }
}

PT_TEST(refusesBadOptionsCreatingNothing)
{
    struct Bad
    {
        const char *name;
        std::vector<std::string> args;
        const char *before; // what run.csv is beforehand: "" none, "file", "folder", "link"
    };
    const Bad rows[] = {
        {"unknown range", {"-c", "0:5V"}, ""},
        {"channel 9", {"-c", "9"}, ""},
        {"channel twice", {"-c", "1,2:0-10V,1:±5V"}, ""},
        {"rate 0", {"-r", "0"}, ""},
        {"negative rate", {"-r", "-10"}, ""},
        {"rate in words", {"-r", "fast"}, ""},
        {"duration without unit", {"-t", "10"}, ""},
        {"duration unparsed", {"-t", "5x"}, ""},
        {"no scans", {"-n", "0"}, ""},
        {"unknown option", {"--fast"}, ""},
        {"-c without a value", {"-c", "-o", "run.csv"}, ""},
        {"output twice", {"-o", "run.csv", "-o", "b.csv"}, ""},
        {"split unparsed", {"--split", "100"}, ""},
        {"split to standard output", {"--split", "1M", "-o", "-"}, ""},
        {"no output", {"-o", ""}, ""},
        {"empty duration", {"-t", ""}, ""},
        {"empty scans", {"-n", " "}, ""},
        {"missing folder", {"-o", "none/run.csv"}, ""},
        {"existing output", {}, "file"},
        {"--force on a folder", {"--force"}, "folder"},
        {"--force on a file being recorded", {"--force"}, "recorded"},
#ifndef _WIN32 // Windows makes symbolic links for the privileged only, Wine none
        {"--force on a link to nothing", {"--force"}, "link"},
#endif
    };
    for (const Bad &bad : rows) {
        const plaintest::Row row(bad.name);
        Folder folder;
        if (std::string(bad.before) == "file")
            std::ofstream(folder / "run.csv") << "kept";
        if (std::string(bad.before) == "folder")
            fs::create_directory(folder / "run.csv");
        if (std::string(bad.before) == "link")
            fs::create_symlink("nowhere.csv", folder / "run.csv");
        std::optional<Logger> first;
        if (std::string(bad.before) == "recorded") {
            first.emplace(folder,
                          std::vector<std::string>{"-c", "0,7", "-r", "20", "-o", "run.csv"},
                          std::vector<std::string>{}, ZK_EMULATOR_DIR,
                          (folder.root / "first-stdout").string(), "first-stderr");
            waitFor([&] { return !readCsv(folder / "run.csv").rows.empty(); }, kEnds,
                    "the first recorder's rows");
        }
        const std::set<std::string> before = folder.names();
        std::vector<std::string> args = bad.args;
        if (std::find(args.begin(), args.end(), "-o") == args.end())
            args.insert(args.end(), {"-o", "run.csv"});
        Logger run(folder, args);
        PT_EQUAL(run.wait().status, 2);
        const std::string err = run.err();
        PT_CHECK_MSG(err.rfind("zk61ar-log: ", 0) == 0 && err.find('\n') == err.size() - 1, err);
        // In Chinese, as the rest: none of the parser's English.
        for (const char *english : {"expected", "required", "At Most", "argument"})
            PT_CHECK_MSG(err.find(english) == std::string::npos, err);
        PT_CHECK(folder.names() == before);
        if (std::string(bad.before) == "file")
            PT_EQUAL(readFile(folder / "run.csv"), std::string("kept"));
        if (first) { // the first recording goes on, its file its own
            PT_CHECK_MSG(err.find("正由另一个程序记录") != std::string::npos, err);
            first->process.signal(kStop);
            PT_EQUAL(first->wait().status, 0);
            const Csv csv = readCsv(folder / "run.csv");
            PT_CHECK(csv.whole && csv.comments.size() == 6);
            const auto [rows, skipped] = summaryOf(first->err());
            checkScans(csv.rows, first->err(), rows + skipped, 20);
        }
    }
}

PT_TEST(helpIsChineseThroughout)
{
    Folder folder;
    Logger run(folder, {"--help"});
    PT_EQUAL(run.wait().status, 0);
    const std::string help = readFile((folder.root / "stdout").string());
    PT_CHECK_MSG(help.find("用法：zk61ar-log [选项]") != std::string::npos &&
                     help.find("显示此帮助并退出") != std::string::npos,
                 help);
    for (const char *english : {"Usage", "Options", "Print this help"})
        PT_CHECK_MSG(help.find(english) == std::string::npos, help);
}

PT_TEST(splitsIntoWholeParts)
{
    struct Split
    {
        const char *name;
        std::vector<std::string> args;
        const char *part3; // what run-0003.csv is beforehand: "" none, "file", "link"
        int status;
    };
    for (const Split &split :
         {Split{"4K", {"--split", "4K", "-r", "max", "-n", "400"}, "", 0},
          {"100ms", {"--split", "100ms", "-r", "200", "-n", "70"}, "", 0},
          {"--force replaces part 3",
           {"--split", "4K", "-r", "max", "-n", "400", "--force"},
           "file",
           0},
#ifndef _WIN32 // Windows makes symbolic links for the privileged only, Wine none
          {"--force replaces the file part 3 links to",
           {"--split", "4K", "-r", "max", "-n", "400", "--force"},
           "link",
           0},
#endif
          // Refused before the first scan, not when the recording reaches it.
          {"part 3 exists", {"--split", "4K", "-r", "max", "-n", "400"}, "file", 2}}) {
        const plaintest::Row row(split.name);
        Folder folder;
        if (std::string(split.part3) == "file")
            std::ofstream(folder / "run-0003.csv") << "kept";
        if (std::string(split.part3) == "link") {
            std::ofstream(folder / "kept.csv") << "kept";
            fs::create_symlink("kept.csv", folder / "run-0003.csv");
        }
        std::vector<std::string> args = split.args;
        args.insert(args.end(), {"-c", "0,4:±10V", "-o", "run.csv"});
        Logger run(folder, args);
        PT_EQUAL(run.wait().status, split.status);
        if (split.status != 0) {
            PT_CHECK_MSG(run.err().find("run-0003.csv 已存在") != std::string::npos, run.err());
            PT_EQUAL(readFile(folder / "run-0003.csv"), std::string("kept"));
            PT_CHECK(folder.names() == std::set<std::string>{"run-0003.csv"});
            continue;
        }
        std::vector<std::vector<std::string>> all;
        int part = 1;
        for (std::string name;
             fs::exists(name = folder / ("run-000" + std::to_string(part) + ".csv")); ++part) {
            const Csv csv = readCsv(name);
            PT_CHECK(csv.whole && !csv.rows.empty());
            PT_EQUAL(csv.comments.at(csv.comments.size() - 2), "# part: " + std::to_string(part));
            PT_EQUAL(csv.header, std::string("scan,time_s,ch0_mV,ch4_mV"));
            if (split.args[1] == "4K")
                PT_CHECK(fs::file_size(name) <= 4096);
            else // one tenth of a second each
                PT_EQUAL(int(seconds(csv.rows.front()) * 10), int(seconds(csv.rows.back()) * 10));
            all.insert(all.end(), csv.rows.begin(), csv.rows.end());
        }
        PT_CHECK_MSG(part > 3, std::to_string(part - 1) + " parts");
        if (std::string(split.part3) == "link")
            PT_CHECK(fs::is_symlink(folder / "run-0003.csv") &&
                     readFile(folder / "kept.csv") == readFile(folder / "run-0003.csv"));
        checkScans(all, run.err(), std::stoll(split.args[5]), split.args[3] == "max" ? 0 : 200);
    }
}

PT_TEST(everyScanMakesSeventeenCallsPerChannel)
{
    // On 32-bit Windows a driver may export its operations under their
    // decorated names only (_OpenQB7@0, ...): the same calls.
    for (const char *library : {ZK_RECORDER_DIR, ZK_DECORATED_RECORDER_DIR}) {
        if (!*library)
            continue;
        const plaintest::Row row(library);
        Folder folder;
        const std::string calls = folder / "calls";
        Logger run(folder, {"-c", "0,5,7", "-r", "max", "-n", "4", "-o", "run.csv"},
                   {"QB7REC_LOG=" + calls}, library);
        PT_EQUAL(run.wait().status, 0);
        const std::string conversion =
            "OpenQB7\nSetQB7\nQB7Out\nQB7Out\nQB7Out\nSetQB7\nQB7Out\nQB7Out\nQB7Out\n"
            "SetQB7\nQB7In\nQB7In\nQB7In\nQB7In\nQB7Out\nQB7In\nCloseQB7\n";
        std::string expected;
        for (int i = 0; i < 4 * 3; ++i)
            expected += conversion;
        PT_EQUAL(readFile(calls), expected);
        PT_EQUAL(readCsv(folder / "run.csv").rows.size(), std::size_t(4));
    }
}

PT_MAIN()
