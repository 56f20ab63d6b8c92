#pragma once
#include <CLI/CLI.hpp>

#include <string>

// zk61ar-log's command line in Chinese throughout: the help's own words
// (usage, the group, the help option) and every failure of the parser, whose
// messages are English.
namespace clitext {

// Gives `app` a help in Chinese; called before any option is added.
void speakChinese(CLI::App &app);

// An option that takes a value followed by another option of `app`, or by
// nothing: the parser would take that option as the value, or say it misses
// one in its own words. The Chinese line for the first one, or nothing.
std::string missingValue(const CLI::App &app, int argc, char **argv);

// The Chinese line for a failure of `app`'s parser.
std::string failureText(const CLI::ParseError &error, const CLI::App &app);

} // namespace clitext
