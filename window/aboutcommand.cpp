#include "window/form1.h"

#include "boxes/msgbox.h"

namespace {
const QString kAboutTitle = QStringLiteral("Orvanta 公司 版权所有");
const QString kAboutText = QStringLiteral("Orvanta www.orvanta.example");
} // namespace

void Form1::Command6_Click()
{
    MsgBox(this, kAboutText, MsgButtons::OkOnly, kAboutTitle);
}
