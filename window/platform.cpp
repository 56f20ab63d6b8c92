#include "window/platform.h"

#include "print/systemprinter.h"

#include <QCoreApplication>

Platform Platform::system()
{
    Platform platform;
    platform.clock = std::make_shared<SystemClock>();
    platform.printer = std::make_shared<SystemPrinter>();
    // Leaves every event loop, the nested ones of modal boxes included.
    platform.endProgram = [](int code) { QCoreApplication::exit(code); };
    return platform;
}
