#pragma once
#include <stdexcept>
#include <string>

// A driver library or one of its operations could not be bound.
class DriverError : public std::runtime_error
{
public:
    explicit DriverError(const std::string &message) : std::runtime_error(message) {}
};
