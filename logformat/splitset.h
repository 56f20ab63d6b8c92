#pragma once
#include <string>

// The files of a split recording: zk61ar-log given -o run.csv with --split
// writes run-0001.csv, run-0002.csv, ...
namespace logformat {

// The name of part `part` (1, 2, ...) of a split recording into `output`.
std::string partName(const std::string &output, int part);

} // namespace logformat
