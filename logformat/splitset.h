#pragma once
#include <map>
#include <optional>
#include <string>

// The files of a split recording: zk61ar-log given -o run.csv with --split
// writes run-0001.csv, run-0002.csv, ... (a folder before the name stays).
namespace logformat {

// The name of part `part` (1, 2, ...) of a split recording into `output`.
std::string partName(const std::string &output, int part);

struct PartOf
{
    std::string set; // the name given to -o
    int part = 0;
};
// The split set and part a name is the part name of: run-0002.csv is part 2
// of run.csv; nothing for a name partName() does not give.
std::optional<PartOf> partOf(const std::string &name);

// The files in the folder of `set` named as its parts, by part number.
std::map<int, std::string> partsIn(const std::string &set);

} // namespace logformat
