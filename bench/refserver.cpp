// Reference echo server: the mandatory work per datagram in a plain loop
// (receive, a log line with open/append/close, echo, a second log line,
// one size check), so the tool's figures can be compared with it.
//
// usage: udprecv_refserver <port> <log file> <seconds> [ready file]
// The ready file is written once the port is bound; it holds the receive
// buffer granted, in bytes. With "-" for the log file it is a bare echo:
// receive and send back, nothing else (the machine's own floor).

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

namespace {

char g_host[256];
const char *g_log = nullptr;

// "yy/MM/dd HH:mm:ss.t" with the broken-down time cached per second.
void appendStamp(std::string &line)
{
    static time_t cachedSecond = -1;
    static char cached[64];
    timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    if (ts.tv_sec != cachedSecond) {
        tm t {};
        localtime_r(&ts.tv_sec, &t);
        std::snprintf(cached, sizeof cached, "%02d/%02d/%02d %02d:%02d:%02d.", t.tm_year % 100, t.tm_mon + 1, t.tm_mday,
                      t.tm_hour, t.tm_min, t.tm_sec);
        cachedSecond = ts.tv_sec;
    }
    line.append(cached, 18);
    const long ms = ts.tv_nsec / 1000000;
    line += ms <= 99 ? '0' : static_cast<char>('0' + ms / 100);
}

void writeLine(std::string &line, size_t count, const char *suffix)
{
    line.clear();
    line += "1001 ";
    appendStamp(line);
    line += ' ';
    line += g_host;
    line += ' ';
    char digits[16];
    line.append(digits, std::to_chars(digits, digits + sizeof digits, count).ptr);
    line += suffix;
    line += "\r\n";
    const int fd = ::open(g_log, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd >= 0) {
        (void)!::write(fd, line.data(), line.size());
        ::close(fd);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <port> <log file> <seconds> [ready file]\n", argv[0]);
        return 2;
    }
    const int port = std::atoi(argv[1]);
    g_log = argv[2];
    const bool bare = std::strcmp(g_log, "-") == 0;
    const int seconds = std::atoi(argv[3]);
    gethostname(g_host, sizeof g_host - 1);

    // Shift-JIS forms of "バイトのデータ受信" and "バイトの応答送信".
    const char *received = "\x83\x6F\x83\x43\x83\x67\x82\xCC\x83\x66\x81\x5B\x83\x5E\x8E\xF3\x90\x4D";
    const char *answered = "\x83\x6F\x83\x43\x83\x67\x82\xCC\x89\x9E\x93\x9A\x91\x97\x90\x4D";

    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    int want = 64 * 1024 * 1024;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &want, sizeof want);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        std::perror("bind");
        return 1;
    }
    if (argc > 4) {
        // The ready file tells the receive buffer granted.
        int granted = 0;
        socklen_t grantedLength = sizeof granted;
        ::getsockopt(fd, SOL_SOCKET, SO_RCVBUF, &granted, &grantedLength);
        if (FILE *ready = std::fopen(argv[4], "w")) {
            std::fprintf(ready, "%d\n", granted);
            std::fclose(ready);
        }
    }

    std::string line;
    line.reserve(256);
    char buffer[65536];
    const time_t end = std::time(nullptr) + seconds;
    while (std::time(nullptr) < end) {
        pollfd p {fd, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        sockaddr_in from {};
        socklen_t fromLength = sizeof from;
        const ssize_t n = ::recvfrom(fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr *>(&from), &fromLength);
        if (n < 0)
            continue;
        if (bare) {
            ::sendto(fd, buffer, static_cast<size_t>(n), 0, reinterpret_cast<sockaddr *>(&from), fromLength);
            continue;
        }
        writeLine(line, static_cast<size_t>(n), received);
        ::sendto(fd, buffer, static_cast<size_t>(n), 0, reinterpret_cast<sockaddr *>(&from), fromLength);
        writeLine(line, static_cast<size_t>(n), answered);
        struct stat st {};
        if (::stat(g_log, &st) == 0 && st.st_size > 3 * 1024 * 1024) {
            const std::string older = std::string(g_log) + ".1";
            ::rename(g_log, older.c_str());
        }
    }
    ::close(fd);
    return 0;
}
