#pragma once
#include "logformat/heading.h"
#include "logformat/recording.h"
#include "logformat/rowparser.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace os {
class File;
}

// The rows of a recording's files read again, for a recording that holds only
// some of its pages: from a row's place on, through the part's end (as far as
// rows were taken from it) into the next part. The files are those the reader
// opened, shared with it, so that a file renamed over in the meantime is not
// read in their place.
namespace logformat {

class FileRows : public RowSource
{
public:
    explicit FileRows(const Heading &heading);

    // A part whose rows begin at byte `bodyOffset`, line `bodyLine`; returns
    // its number for RowPlace.
    int add(std::string shown, std::shared_ptr<os::File> file, std::int64_t bodyOffset,
            std::int64_t bodyLine);
    // Rows of part `part` were taken up to byte `end`.
    void taken(int part, std::int64_t end);

    void read(const RowPlace &from, std::int64_t count, RowBlock &rows) const override;
    std::string changed(const RowPlace &from) const override;

private:
    struct Part
    {
        std::string shown;
        std::shared_ptr<os::File> file;
        std::int64_t bodyOffset = 0, bodyLine = 0, end = 0;
    };

    RowParser m_parser;
    std::vector<Part> m_parts;
};

// The one line for a file found shorter than what was read of it.
std::string shorterText(const std::string &shown);

} // namespace logformat
