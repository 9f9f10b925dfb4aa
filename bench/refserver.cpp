// Reference echo server: the mandatory work per datagram in a plain loop
// (receive, a log line with open/append/close, echo, a second log line,
// one size check), so the tool's figures can be compared with it.
//
// usage: udprecv_refserver <port> <log file> <seconds> [ready file]
// The ready file is written once the port is bound; it holds the receive
// buffer granted, in bytes. With "-" for the log file it is a bare echo:
// receive and send back, nothing else (the machine's own floor).

#include "ReferenceWork.h"

#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>

int main(int argc, char **argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <port> <log file> <seconds> [ready file]\n", argv[0]);
        return 2;
    }
    const int fd = openReferenceSocket(std::atoi(argv[1]), argc > 4 ? argv[4] : nullptr);
    if (fd < 0) {
        std::perror("bind");
        return 1;
    }
    const auto work = std::make_unique<ReferenceWork>(fd, argv[2]);
    const time_t end = std::time(nullptr) + std::atoi(argv[3]);
    while (std::time(nullptr) < end) {
        pollfd p {fd, POLLIN, 0};
        if (::poll(&p, 1, 100) > 0)
            work->serveOne(0);
    }
    ::close(fd);
    return 0;
}
