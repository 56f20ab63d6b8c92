#pragma once
#include <stdexcept>
#include <string>

// How every layer reports a failure the operator must hear about: an exception
// of the layer's own kind, derived from Failure, whose message() is the
// operator-readable text in UTF-8, naming what failed and the system's reason.
// A caller cannot take a failed operation for a good one by forgetting to look.
//
// What a failure does, by kind:
// - DriverError (device/): the driver library or one of its operations cannot
//   be bound. It ends the program: the window shows the fatal box and ends; the
//   logger stops recording (the rows taken stay) with status 1.
// - FileError (files/): a file cannot be read or written. The command that met
//   it shows a box and the window goes on; zk61ar-dat writes one line on
//   standard error and goes on with the next input, or ends with status 1.
// - PrintError (print/): no printer, or the printer did not take the page. The
//   command shows a box and the program goes on.
// - OptionError and LogError (logger/): a command line that cannot be done
//   (nothing starts, status 2); the system refused the recording (it stops,
//   status 1); DeviceFault (logger/): the device stopped answering (the
//   recording stops, the rows taken stay, status 1).
// Anything else thrown, such as std::out_of_range from a subscript outside
// sampleBuf, is a fault of the program, not of the platform: the window ends
// as for a DriverError.
class Failure : public std::runtime_error
{
public:
    explicit Failure(const std::string &message) : std::runtime_error(message) {}
    std::string message() const { return what(); }
};
