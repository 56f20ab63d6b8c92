#pragma once
// The one window under test: the real window with a clock and a printer of the
// test's choosing (the system clock and a printer that draws nowhere unless
// given), whose end of the program is recorded instead of leaving the test's
// event loop. Also the operator's click and what a freshly drawn grid looks like.
#include "files/clock.h"
#include "plot/plotgrid.h"
#include "print/printerport.h"
#include "window/controls.h"
#include "window/form1.h"
#include "window/plotarea.h"
#include "window/program.h"

#include <QImage>
#include <QResizeEvent>
#include <QTest>

#include <memory>

class NoPrinter : public PrinterPort
{
public:
    void line(float, float, float, float) override {}
    void text(float, float, Qt::Alignment, const QString &) override {}
    void pen(const QColor &, float) override {}
    void usePrinter(QPrinter *) override {}
    QSizeF pageSize() override { return {}; }
    void endDoc() override {}
};

struct WindowUnderTest
{
    std::shared_ptr<QList<int>> exitCodes = std::make_shared<QList<int>>();
    std::unique_ptr<Form1> form;

    explicit WindowUnderTest(std::shared_ptr<PrinterPort> printer = std::make_shared<NoPrinter>(),
                             std::shared_ptr<Clock> clock = std::make_shared<SystemClock>())
    {
        Platform platform;
        platform.clock = std::move(clock);
        platform.printer = std::move(printer);
        platform.endProgram = [codes = exitCodes](int code) { codes->append(code); };
        prepareApplication();
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
