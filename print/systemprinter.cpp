#include "print/systemprinter.h"

#include <QPrinterInfo>

namespace {
constexpr double kTwipsPerInch = 1440.0;
// About a 96th of an inch: the printer's own hairline can vanish when a page is
// rasterised, and a grid that does not show on paper is no grid.
constexpr double kPenWidthTwips = 15.0;
} // namespace

SystemPrinter::SystemPrinter() = default;

SystemPrinter::~SystemPrinter()
{
    if (m_painter.isActive())
        m_painter.end();
}

void SystemPrinter::beginDocument()
{
    // The default printer is looked up for every document, so one set up while
    // the program runs is used at the next print.
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        throw PrintError("没有可用的打印机：系统中没有设置默认打印机。");

    m_printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    if (!m_painter.begin(m_printer.get())) {
        const std::string name = info.printerName().toStdString();
        m_printer.reset();
        throw PrintError("打印机 " + name + " 无法开始打印。");
    }
    const double scale = m_printer->resolution() / kTwipsPerInch;
    m_painter.scale(scale, scale);
    QPen pen = m_painter.pen();
    pen.setCosmetic(false);
    pen.setWidthF(kPenWidthTwips);
    m_painter.setPen(pen);
}

void SystemPrinter::line(float x1, float y1, float x2, float y2)
{
    if (!m_painter.isActive())
        beginDocument();
    m_painter.drawLine(QLineF(x1, y1, x2, y2));
}

void SystemPrinter::endDoc()
{
    if (!m_painter.isActive())
        return;
    const bool sent = m_painter.end();
    const std::string name = m_printer->printerName().toStdString();
    m_printer.reset();
    if (!sent)
        throw PrintError("打印机 " + name + " 未能完成打印。");
}
