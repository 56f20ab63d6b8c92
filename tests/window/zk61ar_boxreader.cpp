// The shipped program's run (runProgram, the system platform) with an operator
// who reads every message box aloud, one JSON object a line on stdout, and
// presses its OK button. tst_missinglibrary runs it as a child process.
#include "boxlines.h"
#include "window/program.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    BoxAnswerer answerer;
    printAndAcknowledge(answerer, [](const SeenBox &box) {
        return QJsonObject{{"title", box.title},
                           {"text", box.text},
                           {"buttons", QJsonValue::fromVariant(box.buttons)}};
    });
    return runProgram();
}
