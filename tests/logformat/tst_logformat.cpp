// The recording format read back: files written here byte by byte (or through
// the logger's own writer) in a private folder, read by the reader as
// zk61ar-dat reads them.
#include "logformat/columns.h"
#include "logformat/excerpt.h"
#include "logformat/heading.h"
#include "logformat/reader.h"
#include "logformat/recordingerror.h"
#include "logformat/rowtext.h"
#include "logformat/splitset.h"
#include "plaintest.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

namespace fs = std::filesystem;

namespace {

const std::string kHeading = "# zk61ar-log 1.0\r\n"
                             "# start: 2026-12-09T03:10:47.464698Z\r\n"
                             "# rate: 1000 scans/s\r\n"
                             "# ch0: 0-5V\r\n"
                             "# ch3: ±5V\r\n"
                             "scan,time_s,ch0_mV,ch3_mV\r\n";

struct Folder
{
    plaintest::TemporaryFolder own{"tst_logformat"};
    std::string operator/(const std::string &name) const { return (own.path / name).string(); }
    void write(const std::string &name, const std::string &text,
               std::ios::openmode mode = std::ios::trunc) const
    {
        std::ofstream(*this / name, std::ios::binary | mode) << text;
    }
};

// What reading `name` threw, or "" when it did not.
std::string failureOf(const std::string &name)
{
    try {
        logformat::RecordingReader(name).read();
    } catch (const RecordingError &error) {
        return error.message();
    }
    return {};
}

logformat::Heading headingOf(int part, const std::string &start = "2026-12-09T03:10:47.464698Z")
{
    logformat::Heading h;
    h.version = "1.0";
    h.start = start;
    h.rateText = "1000";
    h.channels = {{0, 0}, {3, 1}};
    h.part = part;
    return h;
}

// Rows `first`..`last` - 1 as the logger writes them: scan k at k ms, codes k
// and -k folded into the ranges.
std::string rows(std::int64_t first, std::int64_t last)
{
    const logformat::RowText text(headingOf(0).channels);
    std::string out;
    char row[logformat::RowText::kMaxLength];
    for (std::int64_t k = first; k < last; ++k) {
        const std::int16_t codes[] = {std::int16_t(k % 4096), std::int16_t(-(k % 2048))};
        out.append(row, text.write(row, k, k * 1'000'000 + 1000, codes));
    }
    return out;
}

// Rows of three pages (65536 rows each), with skipped scans between the
// parts, so that the middle page spans three parts.
const std::int64_t kPieces[][2] = {{0, 50000}, {50003, 100000}, {100010, 150000}};

// What a lane draws of `channel` of `r` over `span` in `columns` pixel
// columns, one line a column: its rows, their extent, its join to the one
// before. Checks on the way, against the rows of `whole` (every page held),
// that the columns are honest: every row of the span in one column, none
// taken more than an eighth of a column's time after it, each column's extent
// that of its codes, a join's ends in the extents it joins.
std::vector<std::string> columnLines(const logformat::Recording &r,
                                     const logformat::Recording &whole, int channel,
                                     const logformat::TimeSpan &span, int columns)
{
    const std::vector<logformat::ColumnRows> rows = logformat::columnRows(r, span, columns);
    const std::vector<logformat::ColumnExtent> extents = logformat::columnExtents(r, channel, rows);
    const double width = double(span.endNs - span.firstNs) / columns;
    std::vector<std::string> lines;
    std::int64_t next = whole.rowAtOrAfter(span.firstNs);
    const logformat::ColumnExtent *previous = nullptr;
    for (std::size_t c = 0; c < rows.size(); ++c) {
        const logformat::RowSpan &at = rows[c];
        const logformat::ColumnExtent &e = extents[c];
        std::string line = std::to_string(at.begin) + ".." + std::to_string(at.end);
        logformat::Extent codes;
        for (std::int64_t row = at.begin; row < at.end; ++row)
            codes.add(whole.code(channel, row));
        const double from = double(span.firstNs) + width * double(c);
        const auto in = [](std::int16_t code, const logformat::Extent &extent) {
            return code >= extent.lowest && code <= extent.highest;
        };
        if (e.joinsPrevious && (!in(e.first, e.extent) || !in(previous->last, previous->extent)))
            line += " joined outside";
        if (at.count() > 0)
            previous = &e;
        if (at.begin != next || codes.lowest != e.extent.lowest ||
            codes.highest != e.extent.highest ||
            (at.count() > 0 && (double(whole.timeNs(at.begin)) < from - 1 ||
                                double(whole.timeNs(at.end - 1)) > from + width * 9 / 8 + 1)))
            line += " not honest";
        next = at.end;
        line += " " + std::to_string(e.extent.lowest) + ".." + std::to_string(e.extent.highest) +
                (e.joinsPrevious ? " joined " + std::to_string(e.first) : "") + " " +
                std::to_string(e.last);
        lines.push_back(line);
    }
    if (next != whole.rowAtOrAfter(span.endNs))
        lines.push_back("rows left out");
    return lines;
}

// Spans over every page, whole or cut, of many rows a column and of few.
std::vector<std::pair<logformat::TimeSpan, int>> zooms(const logformat::Recording &r)
{
    const logformat::TimeSpan all = logformat::wholeSpan(r);
    return {{all, 300},
            {{20'000'500'000, 140'000'700'000}, 250},
            {{64'000'000'000, 67'000'000'000}, 1000}};
}

// Whether `paged`, read holding two pages, gives what `whole` (every page
// held) does: any row, over random spans the extents and sums (these against
// the codes themselves on short spans), the row at or after any time, the
// columns of a lane zoomed out and in.
void expectSame(const logformat::Recording &paged, const logformat::Recording &whole)
{
    PT_EQUAL(paged.rows(), whole.rows());
    PT_CHECK(paged.bytes() * 4 < whole.bytes() * 3); // two pages of three
    const std::int64_t n = whole.rows(), lastNs = whole.timeNs(n - 1);
    std::mt19937_64 random(30);
    std::vector<std::int64_t> times;
    for (std::int64_t row = 0; row < n; row += 65536)
        for (std::int64_t at : {row - 1, row, row + 1})
            if (at >= 0)
                times.push_back(whole.timeNs(at) + (at % 3) - 1);
    for (int trial = 0; trial < 30; ++trial) {
        const int c = trial % 2;
        const std::int64_t first = std::int64_t(random() % std::uint64_t(n));
        const std::int64_t most =
            trial % 3 == 0 ? n - first : std::min<std::int64_t>(n - first, 3000);
        const std::int64_t end = first + 1 + std::int64_t(random() % std::uint64_t(most));
        const std::string span = std::to_string(first) + ".." + std::to_string(end);
        const logformat::Sums p = paged.sums(c, first, end), w = whole.sums(c, first, end);
        const logformat::Extent e = paged.extent(c, first, end);
        if (p.count != w.count || p.sum != w.sum || p.squares != w.squares ||
            p.extent.lowest != w.extent.lowest || p.extent.highest != w.extent.highest ||
            e.lowest != w.extent.lowest || e.highest != w.extent.highest)
            return PT_FAIL("sums or extent of rows " + span);
        if (end - first <= 3000) {
            std::int64_t sum = 0;
            for (std::int64_t row = first; row < end; ++row)
                sum += whole.code(c, row);
            PT_EQUAL(w.sum, sum);
        }
        if (paged.code(c, first) != whole.code(c, first) ||
            paged.code(c, end - 1) != whole.code(c, end - 1) ||
            paged.timeNs(end - 1) != whole.timeNs(end - 1) ||
            paged.scan(first) != whole.scan(first))
            return PT_FAIL("rows " + span);
        times.push_back(std::int64_t(random() % std::uint64_t(lastNs + 2'000'000)) - 1'000'000);
    }
    for (const std::int64_t t : times)
        if (paged.rowAtOrAfter(t) != whole.rowAtOrAfter(t))
            return PT_FAIL("the row at or after " + std::to_string(t) + " ns");
    for (const auto &[span, columns] : zooms(whole))
        for (int c = 0; c < 2; ++c) {
            const std::vector<std::string> lines = columnLines(whole, whole, c, span, columns);
            const auto bad = std::find_if(lines.begin(), lines.end(), [](const std::string &line) {
                return line.find(" not honest") != std::string::npos ||
                       line.find(" joined outside") != std::string::npos || line == "rows left out";
            });
            PT_CHECK_MSG(bad == lines.end(), *bad);
            PT_EQUAL(columnLines(paged, whole, c, span, columns), lines);
        }
    for (std::int64_t row = 0; row < n; ++row)
        if (paged.timeNs(row) != whole.timeNs(row) || paged.code(0, row) != whole.code(0, row) ||
            paged.code(1, row) != whole.code(1, row))
            return PT_FAIL("row " + std::to_string(row));
}

logformat::ReadOptions twoPages()
{
    logformat::ReadOptions options;
    options.pageBytes = 1;
    return options;
}

} // namespace

PT_TEST(everyCodeOfEveryRangeReadsBackExactly)
{
    // All 4096 codes of each range, through the logger's own writer, 300 ns
    // apart: a row in the microsecond of the row before has nanoseconds,
    // which read back exactly, so the times always rise.
    for (int range = 0; range < 4; ++range) {
        const plaintest::Row row("range " + std::to_string(range));
        Folder folder;
        logformat::Heading h = headingOf(0);
        h.channels = {{5, range}};
        const logformat::RowText text(h.channels);
        std::string file = logformat::headingText(h);
        char line[logformat::RowText::kMaxLength];
        const int lowest = range == 1 || range == 3 ? -2048 : 0;
        for (int code = lowest; code < lowest + 4096; ++code) {
            const std::int16_t codes[] = {std::int16_t(code)};
            const std::int64_t at = (code - lowest) * 300LL + 7;
            file.append(line,
                        text.write(line, code - lowest, at, codes, code > lowest ? at - 300 : -1));
        }
        folder.write("r.csv", file);
        logformat::RecordingReader reader(folder / "r.csv");
        const logformat::Recording &r = *reader.read();
        PT_EQUAL(r.rows(), std::int64_t(4096));
        for (std::int64_t i = 0; i < r.rows(); ++i) {
            const std::int64_t at = i * 300 + 7, before = at - 300;
            const bool fine = i > 0 && before / 1000 == at / 1000;
            if (r.code(0, i) != lowest + i || r.timeNs(i) != (fine ? at : at / 1000 * 1000) ||
                (i > 0 && r.timeNs(i) <= r.timeNs(i - 1)))
                PT_FAIL("row " + std::to_string(i) + " reads " + std::to_string(r.code(0, i)) +
                        " at " + std::to_string(r.timeNs(i)) + " ns");
        }
    }
    const logformat::RowText text(headingOf(0).channels);
    char line[logformat::RowText::kMaxLength];
    const std::int16_t codes[] = {2048, 0};
    PT_EQUAL(std::string(line, text.write(line, 7, 12'001'000'400, codes, 12'001'000'100)),
             std::string("7,12.001000400,2500,0\r\n"));
    PT_EQUAL(std::string(line, text.write(line, 7, 12'001'000'400, codes, 12'000'999'900)),
             std::string("7,12.001000,2500,0\r\n"));
}

PT_TEST(readsAHandMadeRecordingExactly)
{
    Folder folder;
    // Microsecond and finer times, a time repeated (the scans give the
    // order), skipped scans, "#" lines it does not know, lines ended by LF.
    folder.write("r.csv", "# zk61ar-log 0.9\r\n# start: 2026-01-01T00:00:00.000001Z\r\n"
                          "# rate: max\r\n# ch0: 0-5V\r\n# ch3: ±5V\r\n# host: bench 4\r\n"
                          "scan,time_s,ch0_mV,ch3_mV\r\n"
                          "2,0.000001,2500,-4001.46484375\r\n"
                          "3,0.000001,4998.779296875,4997.55859375\n"
                          "4,0.0010005,0,-5000\r\n"
                          "9,1.000000123,1.220703125,-2.44140625\r\n");
    logformat::RecordingReader reader(folder / "r.csv");
    const logformat::Recording &r = *reader.read();
    const logformat::Heading &h = r.heading();
    PT_EQUAL(h.version, std::string("0.9"));
    PT_EQUAL(h.start, std::string("2026-01-01T00:00:00.000001Z"));
    PT_EQUAL(h.rateText, std::string("max"));
    PT_EQUAL(h.otherLines, std::vector<std::string>{"# host: bench 4"});
    PT_EQUAL(r.rows(), std::int64_t(4));
    const std::int64_t times[] = {1000, 1000, 1000500, 1000000123};
    const std::int64_t scans[] = {2, 3, 4, 9};
    const int ch0[] = {2048, 4095, 0, 1}, ch3[] = {-1639, 2047, -2048, -1};
    for (int i = 0; i < 4; ++i) {
        const plaintest::Row row("row " + std::to_string(i));
        PT_EQUAL(r.timeNs(i), times[i]);
        PT_EQUAL(r.scan(i), scans[i]);
        PT_EQUAL(int(r.code(0, i)), ch0[i]);
        PT_EQUAL(int(r.code(1, i)), ch3[i]);
    }
    PT_EQUAL(r.skipped(), std::int64_t(2 + 4));
    PT_CHECK(!r.skippedBetween(0, 2) && r.skippedBetween(2, 3));
    const logformat::Sums s = r.sums(1, 0, 4);
    PT_EQUAL(s.sum, std::int64_t(-1639 + 2047 - 2048 - 1));
    PT_EQUAL(s.squares, std::uint64_t(1639 * 1639 + 2047 * 2047 + 2048 * 2048 + 1));
    PT_CHECK(s.extent.lowest == -2048 && s.extent.highest == 2047);
    PT_CHECK(reader.notes().empty());
}

PT_TEST(badInputNamesFileAndLine)
{
    struct Bad
    {
        const char *name;
        std::string text;
        std::string message; // what the one line says, after "文件 r.csv"
    };
    const std::string row0 = "0,0.000001,2500,-4001.46484375\r\n";
    const Bad rows[] = {
        {"not a recording", "point,code,mV\r\n1,0,0\r\n", " 不是 zk61ar-log 的录制文件"},
        {"no header", "# zk61ar-log 1.0\r\n# ch0: 0-5V\r\n", " 第 3 行：文件在表头之前结束"},
        {"header unlike the channels", "# zk61ar-log 1.0\r\n# ch0: 0-5V\r\nscan,time_s,ch1_mV\r\n",
         " 第 3 行：表头应为 “scan,time_s,ch0_mV”"},
        {"unknown range", "# zk61ar-log 1.0\r\n# ch0: 5V\r\n", " 第 2 行：看不懂的通道"},
        {"header without rows", kHeading, " 第 6 行：只有表头，没有数据行"},
        {"too few fields", kHeading + row0 + "1,0.001,2500\r\n",
         " 第 8 行：有 3 个字段，应为 4 个"},
        {"too many fields", kHeading + "0,0.000001,2500,0,0\r\n",
         " 第 7 行：有 5 个字段，应为 4 个"},
        {"blank line", kHeading + row0 + "\r\n", " 第 8 行：有 1 个字段，应为 4 个"},
        {"no code gives it", kHeading + "0,0.000001,2500,1.5\r\n",
         " 第 7 行：ch3_mV 的 1.5 mV 不是量程 ±5V 的码值所能给出的值"},
        {"beyond the range", kHeading + "0,0.000001,5000,0\r\n",
         " 第 7 行：ch0_mV 的 5000 mV 不是量程 0-5V 的码值所能给出的值"},
        {"below a unipolar range", kHeading + "0,0.000001,-1.220703125,0\r\n",
         " 第 7 行：ch0_mV 的 -1.220703125 mV 不是量程 0-5V"},
        {"not a number", kHeading + "0,0.000001,2500,x\r\n", " 第 7 行：ch3_mV 的 “x” 不是毫伏数"},
        {"ten decimals", kHeading + "0,0.0000010000,0,0\r\n", " 第 7 行：time_s 的 “0.0000010000”"},
        {"time going back", kHeading + row0 + "1,0.0000009,0,0\r\n",
         " 第 8 行：时间 0.0000009 s 早于上一行的 0.000001 s"},
        {"scan repeated", kHeading + row0 + "0,0.002,0,0\r\n",
         " 第 8 行：扫描号 0 不大于上一行的 0"},
        {"a line of 70000 bytes", kHeading + row0 + std::string(70000, '7'), " 第 8 行：行太长"},
    };
    for (const Bad &bad : rows) {
        const plaintest::Row row(bad.name);
        Folder folder;
        folder.write("r.csv", bad.text);
        const std::string expected = "文件 " + (folder / "r.csv") + bad.message;
        const std::string message = failureOf(folder / "r.csv");
        PT_CHECK_MSG(message.compare(0, expected.size(), expected) == 0, message);
        PT_CHECK(message.find('\n') == std::string::npos);
    }
}

PT_TEST(tornLastLineIsLeftOutWithANote)
{
    Folder folder;
    folder.write("r.csv", kHeading + rows(0, 3) + "3,0.003001,25");
    logformat::RecordingReader reader(folder / "r.csv");
    PT_EQUAL(reader.read()->rows(), std::int64_t(3));
    PT_EQUAL(reader.notes(), std::vector<std::string>{
                                 "文件 " + (folder / "r.csv") +
                                 " 第 10 行：最后一行不完整（没有行尾），已略去；之前的行都在"});
}

PT_TEST(splitSetReadsAsOne)
{
    Folder folder;
    const std::string set = folder / "run.csv";
    for (int part = 1; part <= 3; ++part)
        folder.write(logformat::partName("run.csv", part),
                     logformat::headingText(headingOf(part)) + rows((part - 1) * 50, part * 50));
    // Another recording's leftover under the set's name is not one of its parts.
    folder.write("run-0004.csv",
                 logformat::headingText(headingOf(4, "2025-01-01T00:00:00.000000Z")) +
                     rows(150, 160));
    PT_CHECK(logformat::isRecording(set) && !logformat::isRecording(folder / "none.csv"));
    for (const std::string &name : {set, folder / "run-0002.csv", folder / "run-0003.csv"}) {
        const plaintest::Row row(name);
        logformat::RecordingReader reader(name);
        const logformat::Recording &r = *reader.read();
        PT_EQUAL(r.rows(), std::int64_t(150));
        for (std::int64_t i = 0; i < r.rows(); ++i)
            if (r.scan(i) != i || r.code(0, i) != i)
                PT_FAIL("row " + std::to_string(i) + " is scan " + std::to_string(r.scan(i)));
        PT_EQUAL(reader.files().size(), std::size_t(3));
        PT_EQUAL(reader.notes().size(), std::size_t(1)); // the leftover, named
    }
    fs::remove(folder / "run-0002.csv");
    PT_EQUAL(failureOf(set),
             "分段录制 " + set + " 缺少第 2 段：没有文件 " + (folder / "run-0002.csv"));
}

PT_TEST(followingReadsWholeLinesAsTheyCome)
{
    Folder folder;
    const std::string name = folder / "run.csv";
    std::ofstream recorder(name, std::ios::binary);
    recorder << logformat::headingText(headingOf(0)) << rows(0, 10) << std::flush;
    logformat::RecordingReader reader(name);
    PT_EQUAL(reader.read(true)->rows(), std::int64_t(10));

    const std::string more = rows(10, 12);
    recorder << more.substr(0, more.size() - 8) << std::flush; // the last row half written
    PT_EQUAL(reader.readMore(), std::int64_t(1));
    PT_EQUAL(reader.readMore(), std::int64_t(0));
    PT_CHECK(!reader.ended());
    recorder << more.substr(more.size() - 8) << std::flush;
    PT_EQUAL(reader.readMore(), std::int64_t(1));
    PT_EQUAL(reader.recording().code(0, 11), std::int16_t(11));
    PT_CHECK(!reader.ended());
    recorder.close();
    reader.readMore();
    reader.readMore();
    PT_CHECK_MSG(reader.ended(), "the recorder closed its file");
    PT_CHECK(reader.notes().empty());
}

PT_TEST(followingTakesTheNextPart)
{
    Folder folder;
    folder.write("run-0001.csv", logformat::headingText(headingOf(1)) + rows(0, 5));
    logformat::RecordingReader reader(folder / "run.csv");
    PT_EQUAL(reader.read(true)->rows(), std::int64_t(5));
    std::ofstream part2(folder / "run-0002.csv", std::ios::binary);
    const std::string heading = logformat::headingText(headingOf(2));
    part2 << heading.substr(0, 20) << std::flush; // its heading on the way
    PT_EQUAL(reader.readMore(), std::int64_t(0));
    part2 << heading.substr(20) << rows(5, 8) << std::flush;
    PT_EQUAL(reader.readMore(), std::int64_t(3));
    PT_EQUAL(reader.recording().scan(7), std::int64_t(7));
    PT_EQUAL(reader.files().size(), std::size_t(2));
}

PT_TEST(pagesReadBackGiveWhatAllPagesHeldGive)
{
    Folder wholeFolder;
    std::string all = logformat::headingText(headingOf(0));
    for (const auto &[first, end] : kPieces)
        all += rows(first, end);
    wholeFolder.write("whole.csv", all);
    logformat::RecordingReader whole(wholeFolder / "whole.csv");
    whole.read();
    for (const char *how : {"one file", "split set", "following"}) {
        const plaintest::Row row(how);
        Folder folder;
        const std::string name = folder / "run.csv";
        logformat::RecordingReader paged(name, twoPages());
        if (how == std::string("one file")) {
            folder.write("run.csv", all);
            paged.read();
        } else if (how == std::string("split set")) {
            for (int part = 1; part <= 3; ++part)
                folder.write(logformat::partName("run.csv", part),
                             logformat::headingText(headingOf(part)) +
                                 rows(kPieces[part - 1][0], kPieces[part - 1][1]));
            paged.read();
        } else {
            std::ofstream recorder(name, std::ios::binary);
            recorder << logformat::headingText(headingOf(0)) << rows(0, 1000) << std::flush;
            paged.read(true);
            for (const auto &[first, end] : kPieces)
                for (std::int64_t k = std::max<std::int64_t>(first, 1000); k < end; k += 30000) {
                    recorder << rows(k, std::min(end, k + 30000)) << std::flush;
                    paged.readMore();
                }
        }
        expectSame(paged.recording(), whole.recording());
        // Zoomed out over the whole run, the columns come from what stays
        // whole, with no page read back: none could be, the files cut to
        // nothing (page 0, not held, shows that).
        for (const fs::directory_entry &file : fs::directory_iterator(folder.own.path))
            fs::resize_file(file.path(), 0);
        const logformat::TimeSpan all = logformat::wholeSpan(paged.recording());
        for (int c = 0; c < 2; ++c)
            PT_EQUAL(columnLines(paged.recording(), whole.recording(), c, all, 300),
                     columnLines(whole.recording(), whole.recording(), c, all, 300));
        std::string message;
        try {
            paged.recording().code(0, 5);
        } catch (const RecordingError &error) {
            message = error.message();
        }
        PT_CHECK_MSG(message.find("变短了") != std::string::npos, "page 0 was held: " + message);
    }
}

PT_TEST(aFileChangedAfterReadingFailsWhenReadBack)
{
    struct Change
    {
        const char *name;
        std::function<std::string(const std::string &)> change;
        std::string message; // after "文件 run.csv"
    };
    const Change changes[] = {
        {"shorter", [](const std::string &text) { return text.substr(0, text.size() / 2); },
         " 变短了：另一个程序改写了它"},
        {"a time rewritten",
         [](const std::string &text) {
             std::string changed = text;
             const std::size_t at = changed.find("\n5,0.005001,");
             changed.replace(at, 12, "\n5,0.005002,");
             return changed;
         },
         " 第 7 行：从这一行起与先前读到的不同：另一个程序改写了这个文件"},
    };
    for (const Change &change : changes) {
        const plaintest::Row row(change.name);
        Folder folder;
        const std::string text = logformat::headingText(headingOf(0)) + rows(0, 140000);
        folder.write("run.csv", text);
        logformat::RecordingReader reader(folder / "run.csv", twoPages());
        const logformat::Recording &r = *reader.read();
        folder.write("run.csv", change.change(text), std::ios::in | std::ios::out);
        if (change.name == std::string("shorter"))
            fs::resize_file(folder / "run.csv", text.size() / 2);
        std::string message;
        try {
            // Page 0, then page 1, which the cut reaches; pages 1 and 2 were
            // held last.
            r.code(0, 5);
            r.code(0, 100000);
        } catch (const RecordingError &error) {
            message = error.message();
        }
        PT_EQUAL(message, "文件 " + (folder / "run.csv") + change.message);
    }
}

PT_TEST(levelsGiveTheExtentOfAnySpan)
{
    // Against every code looked at, over spans of every size, on a ramp (any
    // block too many or too few shows) with a one-scan spike; the levels
    // added in pieces, as following adds them.
    std::mt19937 random(7);
    std::vector<std::int16_t> codes(200000);
    for (std::size_t i = 0; i < codes.size(); ++i)
        codes[i] = std::int16_t(i / 7);
    codes[123457] = 30000;
    logformat::Levels levels;
    for (std::size_t at = 0; at < codes.size();) {
        const std::size_t piece = std::min<std::size_t>(codes.size() - at, 1 + random() % 5000);
        levels.append(codes.data() + at, piece);
        at += piece;
    }
    for (int trial = 0; trial < 3000; ++trial) {
        const std::int64_t first = random() % 12500, end = first + 1 + random() % (12500 - first);
        logformat::Extent expected;
        for (std::int64_t i = first * 16; i < std::min<std::int64_t>(end * 16, 200000); ++i)
            expected.add(codes[std::size_t(i)]);
        const logformat::Extent got = levels.blocks(first, end);
        if (got.lowest != expected.lowest || got.highest != expected.highest)
            PT_FAIL("blocks " + std::to_string(first) + ".." + std::to_string(end));
    }
    PT_EQUAL(levels.blocks(0, 12500).highest, std::int16_t(30000));

    // A recording's rows: whole blocks from the levels, the ends from the codes.
    logformat::Heading heading = headingOf(0);
    heading.channels.resize(1);
    logformat::Recording recording(heading);
    logformat::RowBlock block;
    for (std::size_t i = 0; i < codes.size(); ++i) {
        block.scans.push_back(std::int64_t(i));
        block.times.push_back(std::int64_t(i));
        block.codes.push_back(codes[i]);
    }
    block.count = codes.size();
    recording.append(block);
    for (int trial = 0; trial < 3000; ++trial) {
        const std::int64_t first = random() % 200000, end = first + 1 + random() % (200000 - first);
        const auto [lowest, highest] =
            std::minmax_element(codes.begin() + first, codes.begin() + end);
        const logformat::Extent got = recording.extent(0, first, end);
        if (got.lowest != *lowest || got.highest != *highest)
            PT_FAIL("rows " + std::to_string(first) + ".." + std::to_string(end));
    }
}

// An excerpt's start: the original plus the first row's time, across a
// second, a day and a year's end, more decimals only where needed.
PT_TEST(excerptStartIsTheFirstRowsMoment)
{
    const struct
    {
        const char *start;
        std::int64_t ns;
        const char *expected;
    } rows[] = {
        {"2026-12-09T03:10:47.464698Z", 1'010'000, "2026-12-09T03:10:47.465708Z"},
        {"2026-12-09T03:10:47.464698Z", 3'600'535'302'000, "2026-12-09T04:10:48.000000Z"},
        {"2026-12-31T23:59:59.999999Z", 1'500, "2027-01-01T00:00:00.0000005Z"},
        {"2028-02-28T23:00:00Z", 3'600'000'000'000, "2028-02-29T00:00:00Z"},
        {"2026-12-09T03:10:47", 0, ""},
        {"not a time at all here", 0, ""},
    };
    for (const auto &row : rows) {
        const std::optional<std::string> got = logformat::startPlus(row.start, row.ns);
        PT_CHECK_MSG(got.value_or("") == row.expected, std::string(row.start) + " -> " +
                                                           got.value_or("nothing"));
    }
}

PT_MAIN()
