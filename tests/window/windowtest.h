#pragma once
// The real window with a platform that lets the test outlive the program: the
// end of the program is recorded instead of leaving the test's event loop, and
// the printer draws nowhere.
#include "files/clock.h"
#include "print/plotgrid.h"
#include "print/printerport.h"
#include "window/controls.h"
#include "window/form1.h"
#include "window/plotarea.h"

#include <QImage>
#include <QResizeEvent>
#include <QTest>

#include <memory>

class NoPrinter : public PrinterPort
{
public:
    void line(float, float, float, float) override {}
    void endDoc() override {}
};

struct WindowUnderTest
{
    std::shared_ptr<QList<int>> exitCodes = std::make_shared<QList<int>>();
    std::unique_ptr<Form1> form;

    WindowUnderTest()
    {
        Platform platform;
        platform.clock = std::make_shared<SystemClock>();
        platform.printer = std::make_shared<NoPrinter>();
        platform.endProgram = [codes = exitCodes](int code) { codes->append(code); };
        form = std::make_unique<Form1>(std::move(platform));
    }

    // Creation and start-up, as the program does it.
    Form1 &started()
    {
        form->Form_Load();
        return *form;
    }
};

// The operator's click in the middle of a control.
inline void click(QWidget *control)
{
    QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, control->rect().center());
}

// What the plot area shows after a clear and one grid: a plot area of the same
// size, drawn the same way.
inline QImage freshGrid(const PlotArea &like)
{
    QWidget holder;
    auto *plot = new PlotArea(&holder);
    plot->setGeometry(like.geometry());
    // Hidden widgets get their resize on show; the picture is sized by it.
    QResizeEvent resized(plot->size(), QSize());
    QCoreApplication::sendEvent(plot, &resized);
    plot->clear();
    for (const QLineF &gridLine : screenGridLines())
        plot->line(gridLine.p1(), gridLine.p2(), kGridColour);
    return plot->picture().copy();
}

inline QColor colourAt(PlotArea *plot, QPointF where)
{
    return plot->picture().pixelColor(PlotArea::pixelAt(where));
}
