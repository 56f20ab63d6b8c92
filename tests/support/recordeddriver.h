#pragma once
// Test-side access to the recording stand-in library: the same driver library
// the program binds, reached through the same library search.
#include "../recorder/recorderhooks.h"
#include "device/dynamiclibrary.h"
#include "device/qb7api.h"

#include <cstring>
#include <string>
#include <vector>

class RecordedDriver
{
public:
    RecordedDriver()
    {
        reset = resolve<decltype(&qb7rec_reset)>("qb7rec_reset");
        count = resolve<decltype(&qb7rec_count)>("qb7rec_count");
        call = resolve<decltype(&qb7rec_call)>("qb7rec_call");
        setCode = resolve<decltype(&qb7rec_setCode)>("qb7rec_setCode");
        setFilling = resolve<decltype(&qb7rec_setFilling)>("qb7rec_setFilling");
    }

    // The calls so far, one line each: "QB7Out 2056 0", "QB7In 1032 1 (was 0)".
    std::vector<std::string> trace() const
    {
        std::vector<std::string> lines;
        for (int i = 0; i < count(); ++i) {
            const RecordedCall c = call(i);
            const std::string op = c.op;
            std::string line = op;
            auto add = [&line](int n) { line += ' ' + std::to_string(n); };
            if (op == "SetQB7" || op == "QB7Out" || op == "QB7In") {
                add(c.address);
                add(c.value);
            }
            if (op == "SetQB7")
                add(c.mode);
            else if (op == "QB7In")
                line += " (was " + std::to_string(c.before) + ")";
            lines.push_back(line);
        }
        return lines;
    }

    int countOf(const char *op) const
    {
        int n = 0;
        for (int i = 0; i < count(); ++i)
            n += std::strcmp(call(i).op, op) == 0;
        return n;
    }

    decltype(&qb7rec_reset) reset;
    decltype(&qb7rec_count) count;
    decltype(&qb7rec_call) call;
    decltype(&qb7rec_setCode) setCode;
    decltype(&qb7rec_setFilling) setFilling;

private:
    template <typename Fn> Fn resolve(const char *name)
    {
        return reinterpret_cast<Fn>(m_library.resolve(name));
    }
    DynamicLibrary m_library{QB7_LIBRARY_FILE};
};
