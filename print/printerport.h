#pragma once
#include <stdexcept>
#include <string>

// A printer failure the operator must hear about: no printer, or the printer
// refused the document. The printer layer reports failure only this way, as
// device/ and files/ do with an exception of their own: what() is the message
// for the operator (UTF-8), and the command that printed catches it and shows it.
class PrintError : public std::runtime_error
{
public:
    explicit PrintError(const std::string &message) : std::runtime_error(message) {}
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
