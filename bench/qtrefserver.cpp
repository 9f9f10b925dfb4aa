// The reference server's work on Qt's event loop: the same plain C++ per
// datagram, woken by a QSocketNotifier in a QApplication (run it with
// QT_QPA_PLATFORM=offscreen). What any Qt GUI program pays to wait for a
// datagram, without the tool's own code.
//
// usage: udprecv_qtrefserver <port> <log file> <seconds> [ready file]

#include "ReferenceWork.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <sys/socket.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

int main(int argc, char **argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <port> <log file> <seconds> [ready file]\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    const int fd = openReferenceSocket(std::atoi(argv[1]), argc > 4 ? argv[4] : nullptr);
    if (fd < 0) {
        std::perror("bind");
        return 1;
    }
    const auto work = std::make_unique<ReferenceWork>(fd, argv[2]);
    QSocketNotifier notifier(fd, QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &app, [&work] { work->serveOne(MSG_DONTWAIT); });
    QTimer::singleShot(std::atoi(argv[3]) * 1000, &app, &QCoreApplication::quit);
    return app.exec();
}
