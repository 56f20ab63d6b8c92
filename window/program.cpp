#include "window/program.h"

#include "window/form1.h"

#include <QApplication>

#ifndef _WIN32
#include <csignal>
#endif

int runProgram()
{
#ifndef _WIN32
    // Over a file-size limit a write should fail and be reported, not kill the
    // program and the measurement with it.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    Form1 form;
    form.Form_Load();
    return QApplication::exec();
}
