#pragma once
#include "print/printerport.h"

#include <QPainter>
#include <QPrinter>

#include <memory>

// The system's default printer through Qt's print support. A document is begun
// at its first line, so ending one with nothing drawn never touches a printer.
class SystemPrinter : public PrinterPort
{
public:
    SystemPrinter();
    ~SystemPrinter() override;

    void line(float x1, float y1, float x2, float y2) override;
    void text(float x, float y, Qt::Alignment alignment, const QString &text) override;
    void endDoc() override;

private:
    void beginDocument();

    std::unique_ptr<QPrinter> m_printer;
    QPainter m_painter;
};
