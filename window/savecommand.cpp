#include "window/form1.h"

#include "boxes/msgbox.h"
#include "files/samplefile.h"
#include "files/samplefilename.h"
#include "window/timers.h"

#include <QDir>
#include <QScopedValueRollback>

void Form1::Command3_Click()
{
    setTimerEnabled(Timer1, false);
    // An earlier file of the same minute is never replaced: the name asked
    // about is the one that will be written.
    const QString clockName = sampleFileName(*m_platform.clock);
    const QString fileName = firstFreeFileName(QDir::current(), clockName);
    QMessageBox::StandardButton answer;
    {
        // The timers tick on while the operator reads the question; a sweep
        // that is yielding stays suspended below it, and none starts, so the
        // buffer written is the one of the click (with the live reading
        // stopped, a new sweep would record zeros over it).
        const QScopedValueRollback<bool> hold(m_sweepHeld, true);
        answer = MsgBox(this, QStringLiteral("存为文件") + fileName, MsgButtons::YesNo,
                        QStringLiteral("存盘"));
    }
    if (answer != QMessageBox::Yes)
        return;
    try {
        // Another program may have taken the name while the question was open:
        // its file is left alone and the next free name is taken instead.
        const QString written = samplefile::writeNew(clockName, fileName, sampleBuf);
        if (written != fileName)
            MsgBox(this,
                   QStringLiteral("%1 已被另一个程序占用，已存为文件%2").arg(fileName, written),
                   MsgButtons::OkOnly, QStringLiteral("存盘"));
    } catch (const FileError &error) {
        showError(this, QStringLiteral("存盘"), error);
    }
}
