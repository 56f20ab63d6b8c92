#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The "#" lines and the header row that begin every file of a recording, as
// zk61ar-log writes them and zk61ar-dat reads them:
//
//     # zk61ar-log 1.0
//     # start: 2026-12-09T03:10:47.464698Z
//     # rate: 1000 scans/s          (or "# rate: max")
//     # ch0: 0-5V
//     # ch3: ±5V
//     # part: 2                      (only in the parts of a split set)
//     scan,time_s,ch0_mV,ch3_mV
//
// Every line ends in CRLF.
namespace logformat {

struct ChannelRange
{
    int channel = 0; // 0..7
    int range = 0;   // range code 0..3
};

struct Heading
{
    std::string version;                // of the program that wrote the file: "1.0"
    std::string start;                  // the start in UTC, ISO 8601, as written
    std::string rateText;               // "1000" (scans a second) or "max"
    double rate = 0;                    // scans a second; 0 for "max"
    std::vector<ChannelRange> channels; // in the order of the columns
    int part = 0;                       // 1, 2, ... in a split set; 0 in a single file
    // "#" lines the reader does not know, kept as they are (without CRLF),
    // in their order; the writer writes them after the known ones.
    std::vector<std::string> otherLines;
};

inline constexpr const char kProgram[] = "zk61ar-log";
inline constexpr const char kRateMax[] = "max";

// The "#" lines and the header row, each ended by CRLF.
std::string headingText(const Heading &heading);

// The header row's name of a channel's column: "ch3_mV".
std::string columnName(int channel);

// A heading read back from the start of a file: what it says, and the bytes
// and lines it takes, the header row included.
struct HeadingRead
{
    Heading heading;
    std::size_t bytes = 0;
    std::int64_t lines = 0;
};

// The heading at the start of `text`, the first `size` bytes of the file
// shown as `shown`. `whole` says that the file ends there; when it does not,
// a heading cut short gives nothing (more may come). Throws RecordingError,
// naming the file and line, for a file that does not begin as a recording:
// its first line must be "# zk61ar-log VERSION"; "#" lines it does not know
// are kept in otherLines; every column needs its "# chN" line.
std::optional<HeadingRead> readHeading(const char *text, std::size_t size, const std::string &shown,
                                       bool whole);

// The message of a RecordingError about line `line` (1 the first) of `shown`.
std::string lineProblem(const std::string &shown, std::int64_t line, const std::string &what);

} // namespace logformat
