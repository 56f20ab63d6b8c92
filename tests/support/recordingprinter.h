#pragma once
// The one fake printer of the tests: records every operation in order.
#include "print/printerport.h"

#include <QString>
#include <QStringList>

#include <string>

// Notes every printer operation: "endDoc", "line x1 y1 x2 y2" or "text x y
// TEXT". Throws
// PrintError at the call numbered `failAt` (from 0), as a printer that gives up.
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
    void endDoc() override { note(QStringLiteral("endDoc")); }

    QStringList calls;
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
