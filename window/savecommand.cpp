#include "window/form1.h"

#include "files/samplefile.h"
#include "files/samplefilename.h"
#include "window/msgbox.h"
#include "window/timers.h"

#include <QDir>

void Form1::Command3_Click()
{
    setTimerEnabled(Timer1, false);
    // An earlier file of the same minute is never replaced: the name asked
    // about is the one that will be written.
    const QString fileName = firstFreeFileName(QDir::current(), sampleFileName(*m_platform.clock));
    const auto answer = MsgBox(this, QStringLiteral("存为文件") + fileName, MsgButtons::YesNo,
                               QStringLiteral("存盘"));
    if (answer != QMessageBox::Yes)
        return;
    try {
        samplefile::write(fileName, sampleBuf);
    } catch (const FileError &error) {
        showError(this, QStringLiteral("存盘"), error.message());
    }
}
