#include "window/form1.h"

#include "window/plotarea.h"
#include "window/timers.h"

// Still and Scan differ only in whether the live reading runs; both leave the
// plot area showing the empty grid.

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
