#pragma once
#include "failure/failure.h"

// A driver library or one of its operations could not be bound. What the
// program does then is said in failure/failure.h.
class DriverError : public Failure
{
public:
    using Failure::Failure;
};
