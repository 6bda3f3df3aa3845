// A second launch of the app, as far as the single-instance rule goes:
//   probe DIR send MESSAGE   exit 0 when the running instance took the message
//   probe DIR claim          exit 0 when this became the instance (then waits to be killed)
#include "platform/linux/LocalSocketSingleInstance.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 2;
    velto::LocalSocketSingleInstance instance(QString::fromLocal8Bit(argv[1]));
    const QByteArray command(argv[2]);
    if (command == "send" && argc == 4)
        return instance.sendToRunningInstance(QString::fromLocal8Bit(argv[3])) ? 0 : 1;
    if (command == "claim") {
        if (!instance.claim([](const QString&) {}))
            return 1;
        std::printf("claimed\n");
        std::fflush(stdout);
        return app.exec();
    }
    return 2;
}
