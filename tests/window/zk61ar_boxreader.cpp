// The shipped program's run (runProgram, the system platform) with an operator
// who reads every message box aloud, one JSON object a line on stdout, and
// presses its OK button. tst_missinglibrary runs it as a child process.
#include "boxanswerer.h"
#include "window/program.h"

#include <QApplication>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    BoxAnswerer answerer;
    answerer.onBox = [](const SeenBox &box) {
        const QJsonObject line{{"title", box.title},
                               {"text", box.text},
                               {"buttons", QJsonValue::fromVariant(box.buttons)}};
        std::printf("%s\n", QJsonDocument(line).toJson(QJsonDocument::Compact).constData());
        std::fflush(stdout);
    };
    // OK for every box, and a few more than any path should show; a box beyond
    // them is dismissed and still printed.
    for (int i = 0; i < 5; ++i)
        answerer.clickButton(QStringLiteral("确定"));
    return runProgram();
}
