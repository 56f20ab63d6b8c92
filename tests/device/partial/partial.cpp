// A driver library that exports OpenQB7 only. Exporting anything else, even a
// counter, would change what the loader can find, so each call is made visible
// through the process environment instead: QB7PARTIAL_OPENS counts them.
#include "device/qb7api.h"

#include <cstdlib>
#include <string>
#include <type_traits>

extern "C" int QB7_CALL OpenQB7()
{
    const char *before = std::getenv("QB7PARTIAL_OPENS");
    const std::string opens = std::to_string((before ? std::atoi(before) : 0) + 1);
#ifdef _WIN32
    _putenv_s("QB7PARTIAL_OPENS", opens.c_str());
#else
    setenv("QB7PARTIAL_OPENS", opens.c_str(), 1);
#endif
    return 1;
}

static_assert(std::is_same_v<decltype(&OpenQB7), OpenQB7Fn>);
