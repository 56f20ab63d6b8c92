#include "window/form1.h"

void Form1::Command1_Click()
{
    m_driver.CloseQB7();
    endProgram(0);
}
