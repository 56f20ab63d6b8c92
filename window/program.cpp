#include "window/program.h"

#include "boxes/fonts.h"
#include "boxes/translations.h"
#include "system/file.h"
#include "window/form1.h"

#include <QApplication>

#include <memory>

#ifndef _WIN32
#include "system/stopsignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {
#ifndef _WIN32
int g_wakePipe[2] = {-1, -1};

extern "C" void onEndSignal(int)
{
    // Only what a signal handler may do: wake the event loop.
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_wakePipe[1], &byte, 1);
    errno = saved;
}

// The stop signals (system/stopsignals.h) end the program as a close from the
// window's frame does, for as long as this lives: the event loop closes the
// window between two handlers (or at a sweep's yield), never inside a
// conversion, and no driver call follows. When it goes, with the event loop,
// the signals have their inherited actions again, so one during the teardown
// ends the program.
class CloseOnEndSignals
{
public:
    explicit CloseOnEndSignals(Form1 &form)
    {
        if (::pipe2(g_wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) {
            std::perror("zk61ar: termination signals keep their default action");
            return;
        }
        auto *notifier = new QSocketNotifier(g_wakePipe[0], QSocketNotifier::Read, &form);
        QObject::connect(notifier, &QSocketNotifier::activated, &form, [&form] {
            char bytes[16];
            while (::read(g_wakePipe[0], bytes, sizeof bytes) > 0) {
            }
            form.close();
        });
        m_signals = std::make_unique<os::StopSignals>(onEndSignal);
    }

private:
    std::unique_ptr<os::StopSignals> m_signals;
};
#endif
} // namespace

void prepareApplication()
{
    installChineseFonts();
    installChineseTranslations();
}

int runProgram()
{
    // Over a file-size limit a write should fail and be reported, not kill the
    // program and the measurement with it.
    os::failWritesOverFileSizeLimit();
    prepareApplication();
    Form1 form;
#ifndef _WIN32
    const CloseOnEndSignals endSignals(form);
#endif
    form.Form_Load();
    return QApplication::exec();
}
