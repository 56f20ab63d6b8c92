#pragma once
#include "failure/failure.h"

#include <QColor>
#include <QSizeF>
#include <QString>
#include <Qt>

class QPrinter;

// A printer failure the operator must hear about: no printer, or the printer
// refused the document. The printer layer reports failure only this way; what
// the program does then is said in failure/failure.h.
class PrintError : public Failure
{
public:
    using Failure::Failure;
};

// The printer operations, in page coordinates: twips from the top-left of the
// printable area. The window's print command needs lines and the end of a
// document, in the printer's own pen; zk61ar-dat's page needs the rest too: a
// printer chosen in the print dialog, the size of its page, pens of its own
// and text. All may throw PrintError.
class PrinterPort
{
public:
    virtual ~PrinterPort() = default;
    virtual void line(float x1, float y1, float x2, float y2) = 0;
    // `text` in the axes' letters (plot/axes.h), placed at (x, y) as
    // `alignment` says: right-aligned ends there, centred straddles it. In
    // the pen's colour.
    virtual void text(float x, float y, Qt::Alignment alignment, const QString &text) = 0;
    // The pen of the lines and text that follow, `width` in twips.
    virtual void pen(const QColor &colour, float width) = 0;
    // Documents from now on go to `chosen` (the print dialog's answer, which
    // outlives them) instead of the system's default printer.
    virtual void usePrinter(QPrinter *chosen) = 0;
    // The printable area of the page the next document goes on, in twips.
    virtual QSizeF pageSize() = 0;
    // Sends what was drawn since the previous end as one page; with nothing
    // drawn since then, sends nothing.
    virtual void endDoc() = 0;
};
