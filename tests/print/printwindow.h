#pragma once
// The real window with a printer of the test's choosing; the end of the program
// is recorded instead of leaving the test's event loop.
#include "files/clock.h"
#include "recordingprinter.h"
#include "window/controls.h"
#include "window/form1.h"

#include <QList>
#include <QStringList>
#include <QTest>

#include <memory>

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
