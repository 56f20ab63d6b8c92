#pragma once

// The command line of zk61ar-dat: info, csv, plot and view. Returns the exit
// status: 0 when every file was handled, 1 for a bad input or an output that
// could not be written, 2 for a command line that cannot be understood.
namespace datcommands {

// The whole tool: makes its own application, a QApplication only for the
// viewer, once its command line and file are checked; the other commands need
// no display. Names are taken as the bytes given.
int run(int &argc, char **argv);

} // namespace datcommands
