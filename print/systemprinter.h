#pragma once
#include "print/printerport.h"

#include <QPainter>
#include <QPrinter>

#include <memory>

// The system's default printer through Qt's print support, or the one chosen
// in the print dialog. A document is begun at its first line, so ending one
// with nothing drawn never touches a printer.
class SystemPrinter : public PrinterPort
{
public:
    SystemPrinter();
    ~SystemPrinter() override;

    void line(float x1, float y1, float x2, float y2) override;
    void text(float x, float y, Qt::Alignment alignment, const QString &text) override;
    void pen(const QColor &colour, float width) override;
    void usePrinter(QPrinter *chosen) override;
    QSizeF pageSize() override;
    void endDoc() override;

private:
    // The chosen printer, or the default one, looked up for each document.
    QPrinter &printer();
    void beginDocument();

    QPrinter *m_chosen = nullptr;
    std::unique_ptr<QPrinter> m_default;
    QPainter m_painter;
};
