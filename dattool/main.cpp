#include "dattool/commands.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("zk61ar-dat"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZK61AR_VERSION));
    return datcommands::run(argc, argv);
}
