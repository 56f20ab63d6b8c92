// zk61ar-log: records channels of the ZK61AR at a known rate into CSV.
#include "logger/logerror.h"
#include "logger/options.h"
#include "logger/recording.h"
#include "logger/system.h"

namespace {
constexpr int kBadCommandLine = 2;
} // namespace

int main(int argc, char **argv)
{
    std::optional<logoptions::Options> options;
    try {
        options = logoptions::parse(argc, argv);
    } catch (const OptionError &error) {
        logsys::writeStderr(std::string("zk61ar-log: ") + error.what() + "（见 --help）\n");
        return kBadCommandLine;
    }
    if (!options)
        return 0; // --help or --version
    logsys::prepare();
    return recording::run(*options);
}
