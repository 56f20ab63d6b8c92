#pragma once
#include "logformat/heading.h"
#include "logformat/recording.h"

#include <cstdint>
#include <string>
#include <vector>

// The rows of a recording turned back into numbers: the scan number, the time
// in nanoseconds (any number of decimals up to nine) and each channel's
// millivolts as the exact code of its range, which the text must give
// exactly. Lines end in CRLF (or LF alone).
namespace logformat {

// A line refused: which one of the text (0 the first) and why.
struct RowProblem
{
    std::int64_t line = -1;
    std::string reason;
};

class RowParser
{
public:
    explicit RowParser(const Heading &heading);

    // Adds the rows of the whole lines in [begin, end), which ends just after
    // a line feed, to `rows`. False at the first line it refuses, described
    // in `problem`; the rows before it are added. Within the text, scans must
    // rise and times must not fall.
    bool parse(const char *begin, const char *end, RowBlock &rows, RowProblem &problem) const;

    // Why a row that follows one of scan `previousScan` at `previousNs` may
    // not: its scan is not above it, or its time is earlier; empty if fine.
    static std::string orderProblem(std::int64_t previousScan, std::int64_t previousNs,
                                    std::int64_t scan, std::int64_t timeNs);

private:
    struct Column
    {
        int range;
        int shift; // full scale 5000 mV x 2^shift
        int lowest, highest;
        std::string name;
    };

    std::string diagnose(const char *line, const char *end) const;

    std::vector<Column> m_columns;
};

// `ns` nanoseconds in seconds, with six decimals or as many more as it takes.
std::string secondsText(std::int64_t ns);

} // namespace logformat
