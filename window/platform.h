#pragma once
#include "files/clock.h"
#include "print/printerport.h"

#include <functional>
#include <memory>

// The platform services the window reaches beyond Qt's widgets, each behind a
// seam so tests can stand in for it. The shipped program uses system().
struct Platform
{
    std::shared_ptr<Clock> clock;
    std::shared_ptr<PrinterPort> printer;
    // Ends the program with an exit code; returns to let the handlers unwind.
    std::function<void(int)> endProgram;

    static Platform system();
};
