// The yardstick for the program's start-up: a bare Qt Widgets window of the
// program's size, with the Song face the program uses for 宋体 as its font and
// one Chinese label, and nothing else. Prints "painted <ns>" when its first
// frame, the label in it, is on screen (firstframe.h), and leaves.
#include "firstframe.h"

#include <QLabel>

namespace {
// The program's client area: 9960 x 6420 twips.
constexpr int kWidth = 664;
constexpr int kHeight = 428;
} // namespace

int main(int argc, char *argv[])
{
    FirstFrameApplication app(argc, argv);
    QFont font(QStringLiteral("AR PL UMing CN"));
    font.setPointSizeF(9);
    QApplication::setFont(font);
    QWidget window;
    window.setFixedSize(kWidth, kHeight);
    auto *label = new QLabel(QStringLiteral("USB微型数据采集器"), &window);
    label->move(96, 8);
    app.isMarked = [label](const QObject *widget) { return widget == label; };
    window.show();
    return QApplication::exec();
}
