#pragma once
#include "failure/failure.h"

// A printer failure the operator must hear about: no printer, or the printer
// refused the document. The printer layer reports failure only this way; what
// the program does then is said in failure/failure.h.
class PrintError : public Failure
{
public:
    using Failure::Failure;
};

// The two printer operations the print command needs, in page coordinates:
// twips from the top-left of the printable area. Both may throw PrintError.
class PrinterPort
{
public:
    virtual ~PrinterPort() = default;
    virtual void line(float x1, float y1, float x2, float y2) = 0;
    // Sends what was drawn since the previous end as one page; with nothing
    // drawn since then, sends nothing.
    virtual void endDoc() = 0;
};
