#pragma once
#include <array>
#include <optional>
#include <string>
#include <vector>

namespace emu {

constexpr int kChannels = 8;

// Fixed DC levels that replace channels' signals, by channel; empty where the
// channel keeps its own signal.
using DcLevels = std::array<std::optional<double>, kChannels>;

// Parses "ch=volts[,ch=volts...]". Entries that are not a channel 0..7, '=' and
// a finite number are skipped; each skipped entry is described in `rejected`.
DcLevels parseDcLevels(const std::string &text, std::vector<std::string> &rejected);

} // namespace emu
