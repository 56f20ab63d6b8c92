#pragma once
#include "failure/failure.h"

#include <QString>
#include <Qt>

// A printer failure the operator must hear about: no printer, or the printer
// refused the document. The printer layer reports failure only this way; what
// the program does then is said in failure/failure.h.
class PrintError : public Failure
{
public:
    using Failure::Failure;
};

// The printer operations, in page coordinates: twips from the top-left of the
// printable area. The print command needs lines and the end of a document;
// zk61ar-dat's labelled axes need text too. All may throw PrintError.
class PrinterPort
{
public:
    virtual ~PrinterPort() = default;
    virtual void line(float x1, float y1, float x2, float y2) = 0;
    // `text` in the axes' letters (plot/axes.h), placed at (x, y) as
    // `alignment` says: right-aligned ends there, centred straddles it.
    virtual void text(float x, float y, Qt::Alignment alignment, const QString &text) = 0;
    // Sends what was drawn since the previous end as one page; with nothing
    // drawn since then, sends nothing.
    virtual void endDoc() = 0;
};
