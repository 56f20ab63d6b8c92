#pragma once
#include <stdexcept>
#include <string>

// Everything in the logger that fails throws one of these two; main() turns
// them into one line on standard error and the exit status.

// The command line asks for something that cannot be done: nothing is started.
class OptionError : public std::runtime_error
{
public:
    explicit OptionError(const std::string &message) : std::runtime_error(message) {}
};

// The system refused something (a file, a write): the recording stops.
class LogError : public std::runtime_error
{
public:
    explicit LogError(const std::string &message) : std::runtime_error(message) {}
};
