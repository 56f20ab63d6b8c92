#include "window/form1.h"

#include "boxes/msgbox.h"
#include "files/samplefile.h"
#include "window/controls.h"
#include "window/plotarea.h"
#include "window/timers.h"

void Form1::Command4_Click()
{
    CommonDialog1.DefaultExt = QStringLiteral(".dat");
    CommonDialog1.DialogTitle = QStringLiteral("打开文件");
    CommonDialog1.Filter = QStringLiteral("数据文件(*.dat)|*.dat");
    CommonDialog1.ShowOpen(this);
    if (CommonDialog1.FileName.isEmpty())
        return;

    Option3->setChecked(true); // runs Option3_Click when Still was not selected
    try {
        samplefile::storeRecords(samplefile::read(CommonDialog1.FileName), sampleBuf);
    } catch (const FileError &error) {
        showError(this, QStringLiteral("取盘"), error);
        return;
    }
    setTimerEnabled(Timer1, false);
    Picture1->clear();
    Drawgrid1();
    // The loaded samples are not drawn: replayKind, which would choose how, is
    // never assigned.
}
