// zk61ar-dat view started as the program starts it (datcommands::run): the
// command line and the file checked, then its own application, the viewer on
// the system printer, shown, and the event loop until the window is closed.
// A start-up function of that application looks at the window once it is on
// the screen (offscreen here), then closes it as the user would.
#include "datfiles.h"
#include "dattool/commands.h"
#include "dattool/datviewer.h"
#include "plaintest.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>
#include <QWindow>

namespace {

constexpr int kLongestWaitMs = 10000;

struct Seen
{
    bool shown = false;
    std::string title;
    std::string info;
    double rate = 0;
} g_seen;

// Every 10 ms until a viewer is on the screen, or the wait is over.
void lookForViewer(QElapsedTimer waited)
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        auto *viewer = qobject_cast<DatViewer *>(widget);
        if (!viewer || !viewer->windowHandle() || !viewer->windowHandle()->isExposed())
            continue;
        g_seen.shown = true;
        g_seen.title = viewer->windowTitle().toStdString();
        g_seen.info = viewer->findChild<QLabel *>("infoLabel")->text().toStdString();
        g_seen.rate = viewer->findChild<PlotView *>("plotView")->view().rate;
        viewer->close();
        return;
    }
    if (waited.elapsed() > kLongestWaitMs)
        QApplication::exit(99);
    else
        QTimer::singleShot(10, [waited] { lookForViewer(waited); });
}

void watchForViewer()
{
    QElapsedTimer waited;
    waited.start();
    QTimer::singleShot(0, [waited] { lookForViewer(waited); });
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(watchForViewer)

PT_TEST(viewStartsTheViewerAndEndsWithIt)
{
    const plaintest::TemporaryFolder folder("tst_viewerstart");
    const std::string file = (folder.path / "vx-2261437.dat").string();
    PT_CHECK(writeCodes(QString::fromStdString(file), 0, {{1, 2047}}));
    std::vector<std::string> arguments = {"zk61ar-dat", "view",   "--range", "±5V",
                                          file,         "--rate", "1000"};
    std::vector<char *> argv;
    for (std::string &argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    int argc = int(arguments.size());
    PT_EQUAL(datcommands::run(argc, argv.data()), 0);
    PT_CHECK_MSG(g_seen.shown, "the viewer on the screen");
    PT_EQUAL(g_seen.title, std::string("vx-2261437.dat - zk61ar-dat"));
    PT_CHECK_MSG(g_seen.info.find("量程 ±5V") != std::string::npos &&
                     g_seen.info.find("最大 2047") != std::string::npos,
                 g_seen.info);
    PT_EQUAL(g_seen.rate, 1000.0);
}

PT_MAIN()
