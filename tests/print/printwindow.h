#pragma once
// The real window with a printer of the test's choosing; the end of the program
// is recorded instead of leaving the test's event loop.
#include "files/clock.h"
#include "window/controls.h"
#include "window/form1.h"
#include "print/printerport.h"

#include <QList>
#include <QStringList>
#include <QTest>

#include <memory>

// Notes every printer operation: "endDoc", or "line x1 y1 x2 y2". Throws
// PrintError at the call numbered `failAt` (from 0), as a printer that gives up.
class RecordingPrinter : public PrinterPort
{
public:
    void line(float x1, float y1, float x2, float y2) override
    {
        note(QStringLiteral("line %1 %2 %3 %4").arg(x1).arg(y1).arg(x2).arg(y2));
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

struct PrintWindow
{
    std::shared_ptr<QList<int>> exits = std::make_shared<QList<int>>();
    std::unique_ptr<Form1> form;

    explicit PrintWindow(std::shared_ptr<PrinterPort> printer)
    {
        Platform platform;
        platform.clock = std::make_shared<SystemClock>();
        platform.printer = std::move(printer);
        platform.endProgram = [exits = exits](int code) { exits->append(code); };
        form = std::make_unique<Form1>(std::move(platform));
        form->Form_Load();
    }

    void pressPrint()
    {
        QTest::mouseClick(form->Command5, Qt::LeftButton, Qt::NoModifier,
                          form->Command5->rect().center());
    }
};
