#include "window/form1.h"

#include "window/msgbox.h"
#include "window/plotarea.h"
#include "window/timers.h"

namespace {
const QString kAboutTitle = QStringLiteral("Orvanta 公司 版权所有");
const QString kAboutText = QStringLiteral("Orvanta www.orvanta.example");
} // namespace

void Form1::Option3_Click()
{
    setTimerEnabled(Timer1, false);
    Picture1->clear();
    Drawgrid1();
}

void Form1::Option4_Click()
{
    setTimerEnabled(Timer1, true);
    Picture1->clear();
    Drawgrid1();
}

void Form1::Command1_Click()
{
    m_driver.CloseQB7();
    endProgram(0);
}

void Form1::Command6_Click()
{
    MsgBox(this, kAboutText, MsgButtons::OkOnly, kAboutTitle);
}
