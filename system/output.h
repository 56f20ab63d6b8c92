#pragma once
#include "system/file.h"

#include <cstddef>
#include <string>

// The outputs a program names (zk61ar-dat's -o and -d, zk61ar-log's -o, the
// viewer's Save As), under one rule for --force in every program:
//
//   A name that is free is created, in the same step as it is taken. A name
//   that is taken is replaced only with --force, and only when it holds a
//   regular file or a link to one (then the file it points to is replaced).
//   Anything else there, a folder, a device, a pipe or a link to nothing, is
//   never replaced. A file being recorded (locked, system/file.h) is never
//   replaced either, --force or not.
//
// The rule is looked at before anything is written (refusalOf), and again, by
// what the system finds, as the output is made, in one of two ways: a
// converted file appears whole (writeWhole), a recording grows in place
// (createGrowing).
namespace os {

enum class Refusal { None, Exists, NotRegular, InUse };

// What the rule says of `name` now, with --force or without.
Refusal refusalOf(const std::string &name, bool force);
// The one line that refuses `shown` (the name as the user reads it), worded
// for a command line with --force.
std::string refusalText(Refusal refusal, const std::string &shown);

// The line that refuses an output folder `shown` that is not there or is no
// folder.
std::string missingFolderText(const std::string &shown);

// How making an output went: refused by the rule (and nothing touched), or
// failed at `step` for the system's `error`.
struct Outcome
{
    enum class Step { None, Create, Open, Empty, Write };

    Refusal refusal = Refusal::None;
    Step step = Step::None;
    Error error = 0;

    bool done() const { return refusal == Refusal::None && error == 0; }
};

// A converted file: `bytes` appear at `name` whole, or nothing does. A file
// replaced (with `force`) stays as it was until the new one is complete: that
// is written beside it and then takes its place in one step.
Outcome writeWhole(const std::string &name, const char *bytes, std::size_t size, bool force);

// A recording: a new file, or (with `force`) a regular file emptied, open in
// `file` to grow in place row by row, so that the name always holds what was
// recorded so far; locked for writing (lockForWriting) before anything of an
// old file is touched, so that a second recording onto it is refused.
Outcome createGrowing(const std::string &name, bool force, File &file);

} // namespace os
