#include "logformat/splitset.h"

#include "system/file.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace logformat {

namespace {
#ifdef _WIN32
constexpr const char *kSeparators = "/\\";
#else
constexpr const char *kSeparators = "/";
#endif
constexpr std::size_t kPartDigits = 4;

// Where the name proper begins (after the folder) and where its extension
// does (its end when it has none).
std::pair<std::size_t, std::size_t> baseAndDot(const std::string &name)
{
    const std::size_t separator = name.find_last_of(kSeparators);
    const std::size_t base = separator == std::string::npos ? 0 : separator + 1;
    std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || dot <= base)
        dot = name.size();
    return {base, dot};
}
} // namespace

std::string partName(const std::string &output, int part)
{
    const std::size_t dot = baseAndDot(output).second;
    char number[16];
    std::snprintf(number, sizeof number, "-%04d", part);
    return output.substr(0, dot) + number + output.substr(dot);
}

std::optional<PartOf> partOf(const std::string &name)
{
    const auto [base, dot] = baseAndDot(name);
    std::size_t digits = dot;
    while (digits > base && unsigned(name[digits - 1]) - '0' < 10)
        --digits;
    if (dot - digits < kPartDigits || dot - digits > 9 || digits == base || name[digits - 1] != '-')
        return std::nullopt;
    PartOf p{name.substr(0, digits - 1) + name.substr(dot),
             int(std::strtol(name.substr(digits, dot - digits).c_str(), nullptr, 10))};
    if (p.part < 1 || partName(p.set, p.part) != name)
        return std::nullopt;
    return p;
}

std::map<int, std::string> partsIn(const std::string &set)
{
    const std::size_t base = baseAndDot(set).first;
    const std::string folder = base == 0 ? std::string(".") : set.substr(0, base);
    std::vector<std::string> names;
    os::namesIn(folder, &names);
    std::map<int, std::string> parts;
    for (const std::string &name : names) {
        const std::string path = set.substr(0, base) + name;
        if (const std::optional<PartOf> p = partOf(path); p && p->set == set)
            parts[p->part] = path;
    }
    return parts;
}

} // namespace logformat
