#include "dattool/commandline.h"

#include "dattool/datinput.h"
#include "dattool/datviewer.h"
#include "dattool/recordinginput.h"
#include "dattool/recordviewer.h"
#include "boxes/translations.h"
#include "print/systemprinter.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

namespace datcommands {

namespace {
QStringList g_heldMessages;

// What keeps the viewer from a display, as far as the environment tells.
QString displayProblem()
{
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    const QString display = qEnvironmentVariable("DISPLAY");
    const QString wayland = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (!platform.isEmpty())
        return QStringLiteral("QT_QPA_PLATFORM=%1 无法使用").arg(platform);
    if (display.isEmpty() && wayland.isEmpty())
        return QStringLiteral("没有设置 DISPLAY 或 WAYLAND_DISPLAY");
    return QStringLiteral("无法连接显示 %1").arg(display.isEmpty() ? wayland : display);
}

// The viewer's application. Without a display Qt ends the program with an
// abort and lines about its platform plugins; one line says what is missing
// instead. Messages from finding the platform are held until it is found.
std::unique_ptr<QApplication> guiApplication(int &argc, char **argv)
{
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &context, const QString &message) {
            if (type != QtFatalMsg) {
                g_heldMessages << qFormatLogMessage(type, context, message);
                return;
            }
            datinput::complain(QStringLiteral("view 需要图形显示：%1").arg(displayProblem()));
            std::_Exit(kBadInput);
        });
    auto app = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(previous);
    for (const QString &message : std::as_const(g_heldMessages))
        std::fprintf(stderr, "%s\n", message.toUtf8().constData());
    return app;
}
} // namespace

// The command line and the file are checked before the window system is
// reached, so a mistake is reported the same with and without a display.
int view(const CommandLine &line, int &argc, char **argv)
{
    const QStringList files = line.files();
    if (files.size() != 1)
        return usage(QStringLiteral("view 需要正好一个文件"));
    const bool follow = line.parser.isSet(line.follow);
    if (recordinginput::isRecording(files.constFirst())) {
        if (line.parser.isSet(line.rate) || line.parser.isSet(line.range))
            return usage(QStringLiteral("录制文件带着自己的时间和量程，不用 --rate 或 --range"));
        std::unique_ptr<logformat::RecordingReader> reader =
            recordinginput::load(files.constFirst(), follow);
        if (!reader)
            return kBadInput;
        const std::unique_ptr<QApplication> app = guiApplication(argc, argv);
        installChineseTranslations();
        RecordViewer viewer(shown(files.constFirst()), std::move(reader),
                            std::make_shared<SystemPrinter>(), follow);
        viewer.show();
        return QApplication::exec();
    }
    if (follow)
        return usage(QStringLiteral("--follow 只用于 zk61ar-log 的录制文件"));
    int status = 0;
    const std::optional<Units> units = unitsOf(line, &status);
    if (!units)
        return status;
    const std::optional<samplefile::Records> records = readInput(files.constFirst(), units->range);
    if (!records)
        return kBadInput;
    const std::unique_ptr<QApplication> app = guiApplication(argc, argv);
    // The print and file dialogs in Chinese, as the window's are.
    installChineseTranslations();
    DatViewer viewer(shown(files.constFirst()), *records, units->range,
                     std::make_shared<SystemPrinter>(), units->rate);
    viewer.show();
    return QApplication::exec();
}

} // namespace datcommands
