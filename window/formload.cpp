#include "window/form1.h"

#include "plot/plotgrid.h"
#include "plot/twips.h"
#include "window/controls.h"
#include "window/plotarea.h"

#include <QGroupBox>

namespace {
const QString kCaption =
    QStringLiteral(" ZK61AR      USB微型数据采集器  ") + QStringLiteral("              Orvanta ");
}

void Form1::Form_Load()
{
    // The position must go with the request to map the window: once shown,
    // Qt takes the window for standing at 0,0 already and a move there never
    // reaches the window manager, whose own placement would stand. Moved
    // before the first show, the frame's top-left goes to 0,0.
    move(0, 0);
    show();
    setWindowTitle(kCaption);

    const QRect plot = Picture1->geometry();
    Picture1->setGeometry(plot.x(), plot.y(), plot.width(), twips::toPixels(5090));
    Picture1->setGeometry(plot.x(), plot.y(), twips::toPixels(8280), Picture1->height());
    Picture1->move(plot.x(), twips::toPixels(100));

    Frame1->setTitle(QStringLiteral("显示方式"));
    Option1->setChecked(true);
    Option3->setText(QStringLiteral("静止"));
    Option4->setText(QStringLiteral("扫描"));
    Option4->setChecked(true); // runs Option4_Click before the next step
    Option11->setChecked(true);

    Command1->setText(QStringLiteral("退出"));
    Command3->setText(QStringLiteral("存盘"));
    Command4->setText(QStringLiteral("取盘"));
    Command5->setText(QStringLiteral("打印"));
    Command6->setText(QStringLiteral("关于"));

    Drawgrid1();
    Command1->setFocus();
    letTicksRun();
}

void Form1::Drawgrid1()
{
    for (const QLineF &gridLine : screenGridLines())
        Picture1->line(gridLine.p1(), gridLine.p2(), kGridColour);
}
