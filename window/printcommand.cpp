#include "window/form1.h"

#include "boxes/msgbox.h"
#include "print/printedgrid.h"
#include "window/timers.h"

void Form1::Command5_Click()
{
    PrinterPort &printer = *m_platform.printer;
    try {
        const auto answer = MsgBox(this, QStringLiteral("打印机准备好？"), MsgButtons::OkCancel,
                                   QStringLiteral("打印口状态"));
        if (answer == QMessageBox::Ok) {
            setTimerEnabled(Timer1, false);
            printer.endDoc();
            printGrid(printer);
            // The printed page carries no samples: replayKind is never assigned.
        }
        printer.endDoc();
    } catch (const PrintError &error) {
        // A missing printer costs the operator a page, not the measurement.
        showError(this, QStringLiteral("打印"), error);
    }
}
