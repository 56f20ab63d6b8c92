#pragma once
#include "failure/failure.h"

#include <string>

// Everything in the logger that fails throws one of these or a DriverError;
// they become one line on standard error and the exit status
// (failure/failure.h).

// The command line asks for something that cannot be done: nothing is started.
class OptionError : public Failure
{
public:
    using Failure::Failure;
};

// The device stopped answering: a conversion's line read did not come back 0
// or 1. The recording stops; the rows taken before stay, status 1.
class DeviceFault : public Failure
{
public:
    using Failure::Failure;
};

// The system refused something (a file, a write): the recording stops.
class LogError : public Failure
{
public:
    using Failure::Failure;
};
