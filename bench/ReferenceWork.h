#pragma once

#include <string>

// The mandatory work on one datagram in plain C++: receive, a log line with
// open/append/close, echo, a second log line, one size check. Shared by the
// reference servers, which differ only in how they wait for datagrams.
class ReferenceWork {
public:
    // `log` "-": a bare echo, receive and send back, nothing else.
    ReferenceWork(int socket, const char *log);

    // Receives one datagram (MSG_DONTWAIT in `flags`: only if one waits) and
    // does the work; false when nothing was received.
    bool serveOne(int flags);

private:
    void writeLine(size_t count, const char *suffix);
    void appendStamp();

    int m_socket;
    const char *m_log;
    bool m_bare;
    char m_host[256] {};
    std::string m_line;
    char m_buffer[65536];
    long long m_cachedSecond = -1;
    char m_cachedStamp[64] {};
};

// A UDP socket bound to `port` on every address, with the largest receive
// buffer granted; writes the granted size into `readyFile` when given.
// -1 when the port cannot be bound.
int openReferenceSocket(int port, const char *readyFile);
