// zk61ar-log: records channels of the ZK61AR at a known rate into CSV.
#include "logger/logerror.h"
#include "logger/options.h"
#include "logger/recording.h"
#include "system/process.h"

namespace {
constexpr int kBadCommandLine = 2;
} // namespace

int main(int argc, char **argv)
{
    std::vector<std::string> arguments = os::commandLine(argc, argv);
    std::vector<char *> pointers;
    for (std::string &argument : arguments)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    std::optional<logoptions::Options> options;
    try {
        options = logoptions::parse(int(arguments.size()), pointers.data());
    } catch (const OptionError &error) {
        os::writeToStandardError("zk61ar-log: " + error.message() + "（见 --help）\n");
        return kBadCommandLine;
    }
    if (!options)
        return 0; // --help or --version
    os::prepareRecording();
    return recording::run(*options);
}
