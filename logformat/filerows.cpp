#include "logformat/filerows.h"

#include "logformat/recordingerror.h"
#include "system/file.h"

#include <algorithm>

namespace logformat {

namespace {
// Read in blocks of whole lines this large; at most one block is parsed past
// the rows asked for.
constexpr std::size_t kReadBytes = 1024 * 1024;
} // namespace

std::string shorterText(const std::string &shown)
{
    return "文件 " + shown + " 变短了：另一个程序改写了它";
}

FileRows::FileRows(const Heading &heading) : m_parser(heading) {}

int FileRows::add(std::string shown, std::shared_ptr<os::File> file, std::int64_t bodyOffset,
                  std::int64_t bodyLine)
{
    m_parts.push_back({std::move(shown), std::move(file), bodyOffset, bodyLine, bodyOffset});
    return int(m_parts.size()) - 1;
}

void FileRows::taken(int part, std::int64_t end)
{
    m_parts[std::size_t(part)].end = end;
}

std::string FileRows::changed(const RowPlace &from) const
{
    return lineProblem(m_parts[std::size_t(from.part)].shown, from.line,
                       "从这一行起与先前读到的不同：另一个程序改写了这个文件");
}

void FileRows::read(const RowPlace &from, std::int64_t count, RowBlock &rows) const
{
    rows.clear();
    const std::unique_ptr<char[]> buffer(new char[kReadBytes]);
    std::size_t part = std::size_t(from.part);
    std::int64_t at = from.offset, line = from.line;
    while (std::int64_t(rows.count) < count) {
        if (part >= m_parts.size())
            throw RecordingError(changed(from));
        const Part &p = m_parts[part];
        if (at >= p.end) {
            if (++part < m_parts.size()) {
                at = m_parts[part].bodyOffset;
                line = m_parts[part].bodyLine;
            }
            continue;
        }
        const std::size_t want = std::size_t(std::min<std::int64_t>(kReadBytes, p.end - at));
        std::size_t got = 0;
        if (const os::Error error = os::readAt(*p.file, at, buffer.get(), want, &got))
            throw RecordingError("无法读取文件 " + p.shown + "：" + os::errorText(error));
        if (got < want)
            throw RecordingError(shorterText(p.shown));
        const char *end = buffer.get() + got;
        while (end > buffer.get() && end[-1] != '\n')
            --end;
        if (end == buffer.get())
            throw RecordingError(changed(from));
        const std::size_t before = rows.count;
        RowProblem problem;
        if (!m_parser.parse(buffer.get(), end, rows, problem))
            throw RecordingError(lineProblem(p.shown, line + problem.line, problem.reason));
        line += std::int64_t(rows.count - before);
        at += end - buffer.get();
    }
    const std::size_t n = rows.codes.size() / std::max<std::size_t>(rows.count, 1);
    rows.count = std::size_t(count);
    rows.scans.resize(rows.count);
    rows.times.resize(rows.count);
    rows.codes.resize(rows.count * n);
}

} // namespace logformat
