#include "ReferenceWork.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

// Shift-JIS forms of "バイトのデータ受信" and "バイトの応答送信".
const char *const Received = "\x83\x6F\x83\x43\x83\x67\x82\xCC\x83\x66\x81\x5B\x83\x5E\x8E\xF3\x90\x4D";
const char *const Answered = "\x83\x6F\x83\x43\x83\x67\x82\xCC\x89\x9E\x93\x9A\x91\x97\x90\x4D";

} // namespace

ReferenceWork::ReferenceWork(int socket, const char *log)
    : m_socket(socket), m_log(log), m_bare(std::strcmp(log, "-") == 0)
{
    gethostname(m_host, sizeof m_host - 1);
    m_line.reserve(256);
}

// "yy/MM/dd HH:mm:ss.t" with the broken-down time cached per second.
void ReferenceWork::appendStamp()
{
    timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    if (ts.tv_sec != m_cachedSecond) {
        tm t {};
        localtime_r(&ts.tv_sec, &t);
        std::snprintf(m_cachedStamp, sizeof m_cachedStamp, "%02d/%02d/%02d %02d:%02d:%02d.", t.tm_year % 100,
                      t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
        m_cachedSecond = ts.tv_sec;
    }
    m_line.append(m_cachedStamp, 18);
    const long ms = ts.tv_nsec / 1000000;
    m_line += ms <= 99 ? '0' : static_cast<char>('0' + ms / 100);
}

void ReferenceWork::writeLine(size_t count, const char *suffix)
{
    m_line.clear();
    m_line += "1001 ";
    appendStamp();
    m_line += ' ';
    m_line += m_host;
    m_line += ' ';
    char digits[16];
    m_line.append(digits, std::to_chars(digits, digits + sizeof digits, count).ptr);
    m_line += suffix;
    m_line += "\r\n";
    const int fd = ::open(m_log, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd >= 0) {
        (void)!::write(fd, m_line.data(), m_line.size());
        ::close(fd);
    }
}

bool ReferenceWork::serveOne(int flags)
{
    sockaddr_in from {};
    socklen_t fromLength = sizeof from;
    const ssize_t n =
        ::recvfrom(m_socket, m_buffer, sizeof m_buffer, flags, reinterpret_cast<sockaddr *>(&from), &fromLength);
    if (n < 0)
        return false;
    const auto length = static_cast<size_t>(n);
    if (m_bare) {
        ::sendto(m_socket, m_buffer, length, 0, reinterpret_cast<sockaddr *>(&from), fromLength);
        return true;
    }
    writeLine(length, Received);
    ::sendto(m_socket, m_buffer, length, 0, reinterpret_cast<sockaddr *>(&from), fromLength);
    writeLine(length, Answered);
    struct stat st {};
    if (::stat(m_log, &st) == 0 && st.st_size > 3 * 1024 * 1024) {
        const std::string older = std::string(m_log) + ".1";
        ::rename(m_log, older.c_str());
    }
    return true;
}

int openReferenceSocket(int port, const char *readyFile)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    int want = 64 * 1024 * 1024;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &want, sizeof want);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    if (readyFile) {
        int granted = 0;
        socklen_t grantedLength = sizeof granted;
        ::getsockopt(fd, SOL_SOCKET, SO_RCVBUF, &granted, &grantedLength);
        if (FILE *ready = std::fopen(readyFile, "w")) {
            std::fprintf(ready, "%d\n", granted);
            std::fclose(ready);
        }
    }
    return fd;
}
