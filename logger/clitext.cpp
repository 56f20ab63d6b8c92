#include "logger/clitext.h"

#include <vector>

namespace clitext {

namespace {

class ChineseFormatter : public CLI::Formatter
{
public:
    std::string make_usage(const CLI::App *, std::string name) const override
    {
        return "用法：" + name + " [选项]\n";
    }
    std::string make_group(std::string group, bool positional,
                           std::vector<const CLI::Option *> options) const override
    {
        std::string text = "\n" + group + "：\n";
        for (const CLI::Option *option : options)
            text += make_option(option, positional);
        return text;
    }
};

// The option of `app` whose name the parser's message gives, or nothing.
const CLI::Option *optionNamedIn(const std::string &message, const CLI::App &app)
{
    for (const CLI::Option *option : app.get_options())
        for (const std::string &name : option->get_lnames())
            if (message.find("--" + name) != std::string::npos)
                return option;
    return nullptr;
}

std::string shownName(const CLI::Option &option)
{
    return option.get_name(false, true); // "-c,--channels"
}

} // namespace

void speakChinese(CLI::App &app)
{
    app.formatter(std::make_shared<ChineseFormatter>());
    app.option_defaults()->group("选项");
    app.set_help_flag("-h,--help", "显示此帮助并退出");
}

std::string missingValue(const CLI::App &app, int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--")
            break;
        const CLI::Option *option = app.get_option_no_throw(argument);
        if (!option || option->get_items_expected_min() == 0)
            continue;
        const bool last = i + 1 == argc;
        if (last || app.get_option_no_throw(argv[i + 1]))
            return argument + " 缺少值" +
                   (last ? std::string() : std::string("（其后的 ") + argv[i + 1] + " 是选项）");
        ++i; // its value
    }
    return {};
}

std::string failureText(const CLI::ParseError &error, const CLI::App &app)
{
    const std::string message = error.what();
    const CLI::Option *option = optionNamedIn(message, app);
    const std::string named = option ? shownName(*option) : std::string();
    if (dynamic_cast<const CLI::ExtrasError *>(&error)) {
        std::string extras;
        for (const std::string &extra : app.remaining())
            extras += (extras.empty() ? "" : " ") + extra;
        return (extras.rfind('-', 0) == 0 ? "没有这个选项：" : "多余的参数：") + extras;
    }
    if (option && dynamic_cast<const CLI::ArgumentMismatch *>(&error)) {
        if (message.find("At Most") != std::string::npos)
            return named + " 只能给一次";
        return named + " 缺少值";
    }
    if (option && dynamic_cast<const CLI::ConversionError *>(&error))
        return named + " 不带值";
    return option ? named + " 用法不对" : "命令行用法不对";
}

} // namespace clitext
