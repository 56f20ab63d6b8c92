#include "window/program.h"

#include "boxes/fonts.h"
#include "window/form1.h"
#include "boxes/translations.h"

#include <QApplication>

#ifndef _WIN32
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
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

// SIGTERM, SIGINT and SIGHUP end the program as a close from the window's frame
// does, for as long as this lives: the event loop closes the window between two
// handlers (or at a sweep's yield), never inside a conversion, and no driver
// call follows. When it goes, with the event loop, the signals have their
// inherited actions again, so one during the teardown ends the program.
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
        struct sigaction action = {};
        action.sa_handler = onEndSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (std::size_t i = 0; i < std::size(kSignals); ++i) {
            m_installed[i] = ::sigaction(kSignals[i], nullptr, &m_inherited[i]) == 0 &&
                             m_inherited[i].sa_handler != SIG_IGN;
            // A signal ignored by whoever started the program (nohup, a
            // background job) stays ignored.
            if (m_installed[i])
                ::sigaction(kSignals[i], &action, nullptr);
        }
    }
    ~CloseOnEndSignals()
    {
        for (std::size_t i = 0; i < std::size(kSignals); ++i)
            if (m_installed[i])
                ::sigaction(kSignals[i], &m_inherited[i], nullptr);
    }
    CloseOnEndSignals(const CloseOnEndSignals &) = delete;
    CloseOnEndSignals &operator=(const CloseOnEndSignals &) = delete;

private:
    static constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
    struct sigaction m_inherited[std::size(kSignals)] = {};
    bool m_installed[std::size(kSignals)] = {};
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
#ifndef _WIN32
    // Over a file-size limit a write should fail and be reported, not kill the
    // program and the measurement with it.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    prepareApplication();
    Form1 form;
#ifndef _WIN32
    const CloseOnEndSignals endSignals(form);
#endif
    form.Form_Load();
    return QApplication::exec();
}
