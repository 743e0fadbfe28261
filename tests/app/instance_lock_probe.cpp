// A second process for the single-instance tests.
//   instance_lock_probe hold FOLDER TITLE   takes the lock, prints "locked", waits to be killed
//   instance_lock_probe try FOLDER TITLE    exit 0 when it got the lock, 3 when not
#include "common/single_instance.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 4)
        return 2;
    sonavistor::SingleInstance instance(QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[2]));
    const bool got = instance.acquire();
    if (std::strcmp(argv[1], "try") == 0)
        return got ? 0 : 3;
    if (!got)
        return 3;
    std::printf("locked\n");
    std::fflush(stdout);
    for (;;)
        QThread::sleep(1);
}
