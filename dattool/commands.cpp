#include "dattool/commands.h"

#include "dattool/commandline.h"
#include "dattool/standardoutput.h"
#include "system/file.h"

#include <QCoreApplication>
#include <QGuiApplication>

namespace datcommands {

int run(int &argc, char **argv)
{
    holdStandardStreams();
    // Over a file-size limit a write should fail and be reported, and its
    // partial file removed, as in the window; not end the tool halfway.
    os::failWritesOverFileSizeLimit();

    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << escapedText(QByteArray(argv[i]));
    const CommandLine line(arguments);
    const bool help = line.parsed && line.parser.isSet(line.help);
    const bool version = line.parsed && line.parser.isSet(line.version);
    const QString unused = line.parsed && !help && !version ? line.unusedOption() : QString();
    if (unused.isEmpty() && line.parsed && !help && !version &&
        line.command() == QLatin1String("view"))
        return view(line, argc, argv);

    // The axes' labels need fonts, which only a GUI application has; drawn
    // off any screen, so that plot needs no display.
    std::unique_ptr<QCoreApplication> app;
    if (line.parsed && unused.isEmpty() && line.parser.isSet(line.axes)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    if (!line.parsed)
        return usage(line.parser.errorText());
    if (help)
        return writeStdout(line.parser.helpText().toUtf8()) ? 0 : kBadInput;
    if (version)
        return writeStdout((QCoreApplication::applicationName() + QLatin1Char(' ') +
                            QCoreApplication::applicationVersion() + QLatin1Char('\n'))
                               .toUtf8())
                   ? 0
                   : kBadInput;
    const QString command = line.command();
    if (!unused.isEmpty())
        return usage(QStringLiteral("%1 用不到选项 %2").arg(shown(command), unused));
    if (command == QLatin1String("info"))
        return info(line);
    if (command == QLatin1String("csv"))
        return csv(line);
    if (command == QLatin1String("plot"))
        return plot(line);
    return usage(command.isEmpty() ? QStringLiteral("缺少命令")
                                   : QStringLiteral("未知命令 %1").arg(shown(command)));
}

} // namespace datcommands
