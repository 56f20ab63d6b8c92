#pragma once
// The C library's words for `error` in the language of the locale the test
// runs under (Qt's application has set it), which is what every program here
// gives for a failure of the system.
#include <QString>

#include <cstring>

inline QString systemWords(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}
