#pragma once
#include <QStringList>

// The command line of zk61ar-dat: info, csv, plot and view. Returns the exit
// status: 0 when every file was handled, 1 for a bad input, 2 for a command
// line that cannot be understood.
namespace datcommands {

// Whether the command line opens the viewer, which needs a QApplication; the
// other commands run with a QCoreApplication and need no display.
bool wantsWindow(const QStringList &arguments);

int run(const QStringList &arguments);

} // namespace datcommands
