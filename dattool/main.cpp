#include "dattool/commands.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("zk61ar-dat"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZK61AR_VERSION));
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    // Only the viewer needs a display; the other commands run anywhere.
    if (datcommands::wantsWindow(arguments)) {
        QApplication app(argc, argv);
        return datcommands::run(arguments);
    }
    QCoreApplication app(argc, argv);
    return datcommands::run(arguments);
}
