#pragma once
// The one fake printer of the tests: records every operation in order.
#include "print/printerport.h"

#include <QPrinter>
#include <QString>
#include <QStringList>

#include <string>

// Notes every printer operation: "endDoc", "line x1 y1 x2 y2", "text x y
// TEXT", "pen #rrggbb width", "printer NAME copies N" (or "printer default")
// and "page". Its page is `page` twips. Throws PrintError at the call numbered
// `failAt` (from 0), as a printer that gives up.
class RecordingPrinter : public PrinterPort
{
public:
    void line(float x1, float y1, float x2, float y2) override
    {
        note(QStringLiteral("line %1 %2 %3 %4").arg(x1).arg(y1).arg(x2).arg(y2));
    }
    void text(float x, float y, Qt::Alignment, const QString &text) override
    {
        note(QStringLiteral("text %1 %2 %3").arg(x).arg(y).arg(text));
    }
    void pen(const QColor &colour, float width) override
    {
        note(QStringLiteral("pen %1 %2").arg(colour.name()).arg(width));
    }
    void usePrinter(QPrinter *chosen) override
    {
        note(chosen
                 ? QStringLiteral("printer %1 copies %2")
                       .arg(chosen->outputFormat() == QPrinter::PdfFormat ? chosen->outputFileName()
                                                                          : chosen->printerName())
                       .arg(chosen->copyCount())
                 : QStringLiteral("printer default"));
    }
    QSizeF pageSize() override
    {
        note(QStringLiteral("page"));
        return page;
    }
    void endDoc() override { note(QStringLiteral("endDoc")); }

    QStringList calls;
    // A4's printable width and height at margins of about 6 mm.
    QSizeF page{11000, 16000};
    int failAt = -1;
    std::string failure;

private:
    void note(const QString &call)
    {
        calls << call;
        if (calls.size() - 1 == failAt)
            throw PrintError(failure);
    }
};
