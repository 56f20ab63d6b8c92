#include "print/systemprinter.h"

#include "plot/axes.h"
#include "plot/twips.h"

#include <QLibrary>
#include <QPrinterInfo>

#ifdef ZK61AR_HAVE_CUPS
#include <cups/cups.h>
#endif

namespace {
// About a 96th of an inch: the printer's own hairline can vanish when a page is
// rasterised, and a grid that does not show on paper is no grid.
constexpr double kPenWidthTwips = 15.0;

#ifdef ZK61AR_HAVE_CUPS
constexpr int kConnectMs = 5000;

// The calls of libcups that tell what became of a hand-over. libcups is bound
// when the first document begins, not linked: Qt's print support has loaded it
// by then, and a start-up does not pay for it and the libraries it needs
// (TLS, Kerberos, service discovery).
struct Cups
{
    decltype(&::cupsLastError) cupsLastError = nullptr;
    decltype(&::cupsLastErrorString) cupsLastErrorString = nullptr;
    decltype(&::cupsServer) cupsServer = nullptr;
    decltype(&::ippPort) ippPort = nullptr;
    decltype(&::cupsEncryption) cupsEncryption = nullptr;
    decltype(&::httpConnect2) httpConnect2 = nullptr;
    decltype(&::cupsGetNamedDest) cupsGetNamedDest = nullptr;
    decltype(&::cupsFreeDests) cupsFreeDests = nullptr;
    decltype(&::httpClose) httpClose = nullptr;
    // Sets the last error, as libcups' own calls do. Exported and kept in the
    // library's ABI, though not in its headers; no public call clears the last
    // error without a request of its own.
    void (*_cupsSetError)(ipp_status_t status, const char *message, int localize) = nullptr;
};

// Throws PrintError naming the library, the call and the loader's reason.
const Cups &cups()
{
    static QLibrary library(QStringLiteral("cups"), 2);
    static Cups calls;
    static bool bound = false;
    if (bound)
        return calls;
    const auto resolve = [](auto &slot, const char *name) {
        slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(library.resolve(name));
        if (!slot)
            throw PrintError("无法读取打印系统的回答：" + library.fileName().toStdString() +
                             " 中找不到 " + name + "（" + library.errorString().toStdString() +
                             "）");
    };
#define ZK_RESOLVE(call) resolve(calls.call, #call)
    ZK_RESOLVE(cupsLastError);
    ZK_RESOLVE(cupsLastErrorString);
    ZK_RESOLVE(cupsServer);
    ZK_RESOLVE(ippPort);
    ZK_RESOLVE(cupsEncryption);
    ZK_RESOLVE(httpConnect2);
    ZK_RESOLVE(cupsGetNamedDest);
    ZK_RESOLVE(cupsFreeDests);
    ZK_RESOLVE(httpClose);
    ZK_RESOLVE(_cupsSetError);
#undef ZK_RESOLVE
    bound = true;
    return calls;
}

// Why the print system did not take the page, in its own words. libcups gives a
// queue it cannot find and a scheduler it cannot reach the same answer, so the
// scheduler is asked once more, to tell the operator which it is.
std::string handOverFailure(const Cups &c, const std::string &printer)
{
    const std::string reason = c.cupsLastErrorString();
    if (c.cupsLastError() != IPP_STATUS_ERROR_INTERNAL &&
        c.cupsLastError() != IPP_STATUS_ERROR_NOT_FOUND)
        return reason;
    http_t *http = c.httpConnect2(c.cupsServer(), c.ippPort(), nullptr, AF_UNSPEC,
                                  c.cupsEncryption(), 1, kConnectMs, nullptr);
    if (!http)
        return "连接不上打印服务 " + std::string(c.cupsServer()) + "（" + reason + "）";
    cups_dest_t *dest = c.cupsGetNamedDest(http, printer.c_str(), nullptr);
    c.httpClose(http);
    if (dest) {
        c.cupsFreeDests(1, dest);
        return reason;
    }
    return "打印系统中已没有这台打印机（" + reason + "）";
}

// libcups keeps the answer to the last request made on this thread: cleared
// before a hand-over, so that an older answer (an earlier refusal) is never
// taken for its own, and read after it, an empty text when the print system
// took the page.
void forgetLastAnswer()
{
    cups()._cupsSetError(IPP_STATUS_OK, nullptr, 0);
}

std::string refusalOfLastRequest(const std::string &printer)
{
    const Cups &c = cups();
    return c.cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE ? handOverFailure(c, printer)
                                                             : std::string();
}
#else
// Without libcups (Windows) what Qt's end() answers is all there is to know.
void cups() {}
void forgetLastAnswer() {}
std::string refusalOfLastRequest(const std::string &)
{
    return {};
}
#endif

bool toFile(const QPrinter &printer)
{
    return printer.outputFormat() == QPrinter::PdfFormat;
}

// The printer, or the file a page printed to a file goes into.
std::string described(const QPrinter &printer)
{
    return toFile(printer) ? "PDF 文件 " + printer.outputFileName().toStdString()
                           : "打印机 " + printer.printerName().toStdString();
}
} // namespace

SystemPrinter::SystemPrinter() = default;

SystemPrinter::~SystemPrinter()
{
    if (m_painter.isActive())
        m_painter.end();
}

QPrinter &SystemPrinter::printer()
{
    if (m_chosen)
        return *m_chosen;
    if (!m_default) {
        // The default printer is looked up for every document, so one set up
        // while the program runs is used at the next print.
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull())
            throw PrintError("没有可用的打印机：系统中没有设置默认打印机。");
        m_default = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    }
    return *m_default;
}

void SystemPrinter::beginDocument()
{
    QPrinter &target = printer();
    // Bound before anything is drawn, so a page is never sent without its
    // answer; a PDF file has no print system to answer.
    if (!toFile(target))
        cups();
    if (!m_painter.begin(&target)) {
        const std::string name = described(target);
        m_default.reset();
        throw PrintError(name + " 无法开始打印。");
    }
    const double scale = target.resolution() / twips::kPerInch;
    m_painter.scale(scale, scale);
    QPen pen = m_painter.pen();
    pen.setCosmetic(false);
    pen.setWidthF(kPenWidthTwips);
    m_painter.setPen(pen);
    QFont font = m_painter.font();
    font.setPixelSize(kLabelTwips);
    m_painter.setFont(font);
}

void SystemPrinter::line(float x1, float y1, float x2, float y2)
{
    if (!m_painter.isActive())
        beginDocument();
    m_painter.drawLine(QLineF(x1, y1, x2, y2));
}

void SystemPrinter::text(float x, float y, Qt::Alignment alignment, const QString &text)
{
    if (!m_painter.isActive())
        beginDocument();
    const AxisLabel label{QPointF(x, y), alignment, text};
    m_painter.drawText(labelBox(label), int(alignment), text);
}

void SystemPrinter::pen(const QColor &colour, float width)
{
    if (!m_painter.isActive())
        beginDocument();
    QPen pen(colour);
    pen.setCosmetic(false);
    pen.setWidthF(width);
    m_painter.setPen(pen);
}

void SystemPrinter::usePrinter(QPrinter *chosen)
{
    m_chosen = chosen;
}

QSizeF SystemPrinter::pageSize()
{
    return printer().pageRect(QPrinter::Inch).size() * twips::kPerInch;
}

void SystemPrinter::endDoc()
{
    if (!m_painter.isActive()) {
        m_default.reset();
        return;
    }
    QPrinter &target = printer();
    const bool file = toFile(target);
    const std::string name = described(target);
    // Qt hands the page to the print system inside end() and drops the answer;
    // the last request made on this thread is that hand-over: a refused,
    // removed or unreachable queue shows here.
    if (!file)
        forgetLastAnswer();
    const bool sent = m_painter.end();
    const std::string refusal =
        file ? std::string() : refusalOfLastRequest(target.printerName().toStdString());
    m_default.reset();
    if (!sent)
        throw PrintError(name + " 未能完成打印。");
    if (!refusal.empty())
        throw PrintError(name + " 没有收下这一页：" + refusal);
}
