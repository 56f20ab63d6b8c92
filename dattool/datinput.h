#pragma once
#include "files/samplefile.h"

#include <QString>

// Reading the tool's inputs and reporting what went wrong: one line on
// standard error per bad input, naming the file and the reason.
namespace datinput {

// A plain file of exactly 16384 bytes whose codes can all come from `range`
// (-1: any codes). `path` may carry stray bytes (escapedText). Throws
// FileError, naming the file as shown and the reason.
samplefile::Records load(const QString &path, int range = -1);

// "zk61ar-dat: " and the message, one line on standard error.
void complain(const QString &message);
// The failure's message and `after`, so.
void complain(const Failure &failure, const QString &after = QString());

} // namespace datinput
