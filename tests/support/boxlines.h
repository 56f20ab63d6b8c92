#pragma once
// The shipped program's message boxes read aloud for a process outside it: one
// JSON object a line on stdout, flushed at once, and OK pressed on each.
#include "boxanswerer.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <functional>

inline void printLine(const QJsonObject &line)
{
    std::printf("%s\n", QJsonDocument(line).toJson(QJsonDocument::Compact).constData());
    std::fflush(stdout);
}

// OK for every box, and a few more than any path should show; a box beyond
// them is dismissed and still printed, as `describe` puts it.
inline void printAndAcknowledge(BoxAnswerer &answerer,
                                std::function<QJsonObject(const SeenBox &)> describe)
{
    answerer.onBox = [describe = std::move(describe)](const SeenBox &box) {
        printLine(describe(box));
    };
    for (int i = 0; i < 5; ++i)
        answerer.clickButton(QStringLiteral("确定"));
}
