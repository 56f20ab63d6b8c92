#include "print/systemprinter.h"

#include <QPrinterInfo>

#ifdef ZK61AR_HAVE_CUPS
#include <cups/cups.h>
#endif

namespace {
constexpr double kTwipsPerInch = 1440.0;
// About a 96th of an inch: the printer's own hairline can vanish when a page is
// rasterised, and a grid that does not show on paper is no grid.
constexpr double kPenWidthTwips = 15.0;

#ifdef ZK61AR_HAVE_CUPS
constexpr int kConnectMs = 5000;

// Why the print system did not take the page, in its own words. libcups gives a
// queue it cannot find and a scheduler it cannot reach the same answer, so the
// scheduler is asked once more, to tell the operator which it is.
std::string handOverFailure(const std::string &printer)
{
    const std::string reason = cupsLastErrorString();
    if (cupsLastError() != IPP_STATUS_ERROR_INTERNAL &&
        cupsLastError() != IPP_STATUS_ERROR_NOT_FOUND)
        return reason;
    http_t *http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                                kConnectMs, nullptr);
    if (!http)
        return "连接不上打印服务 " + std::string(cupsServer()) + "（" + reason + "）";
    cups_dest_t *dest = cupsGetNamedDest(http, printer.c_str(), nullptr);
    httpClose(http);
    if (dest) {
        cupsFreeDests(1, dest);
        return reason;
    }
    return "打印系统中已没有这台打印机（" + reason + "）";
}

// libcups keeps the answer to the last request made on this thread; an empty
// text when the print system took it.
std::string refusalOfLastRequest(const std::string &printer)
{
    return cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE ? handOverFailure(printer)
                                                           : std::string();
}
#else
// Without libcups (Windows) what Qt's end() answers is all there is to know.
std::string refusalOfLastRequest(const std::string &)
{
    return {};
}
#endif
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
    const std::string name = m_printer->printerName().toStdString();
    const bool sent = m_painter.end();
    // Qt hands the page to the print system inside end() and drops the answer;
    // the last request made on this thread is that hand-over: a refused,
    // removed or unreachable queue shows here.
    const std::string refusal = refusalOfLastRequest(name);
    m_printer.reset();
    if (!sent)
        throw PrintError("打印机 " + name + " 未能完成打印。");
    if (!refusal.empty())
        throw PrintError("打印机 " + name + " 没有收下这一页：" + refusal);
}
