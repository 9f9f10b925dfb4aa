#include "LogFolder.h"

#include "core/NativeFolder.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int64_t RecheckIntervalNs = 1'000'000'000;

int64_t coarseMonotonicNs() noexcept
{
    timespec ts {};
    ::clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

} // namespace

int appendAll(int fd, std::string_view bytes, bool positioned) noexcept
{
    size_t written = 0;
    while (written < bytes.size()) {
        const char *from = bytes.data() + written;
        const size_t left = bytes.size() - written;
        const ssize_t n = positioned ? ::pwrite(fd, from, left, 0) : ::write(fd, from, left);
        if (n > 0) {
            written += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        const int error = n < 0 ? errno : ENOSPC;
        // Appends land at the end: cut back to where these bytes began.
        struct stat st {};
        if (written > 0 && ::fstat(fd, &st) == 0 && st.st_size >= static_cast<off_t>(written))
            (void)::ftruncate(fd, st.st_size - static_cast<off_t>(written));
        return error;
    }
    return 0;
}

int appendToFile(int dirFd, const char *name, std::string_view bytes) noexcept
{
    const int fd = ::openat(dirFd, name, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
    if (fd < 0)
        return errno;
    const int error = appendAll(fd, bytes, true);
    ::close(fd);
    return error == ESPIPE ? NotARegularFile : error;
}

LogFolder::~LogFolder()
{
    reset();
}

void LogFolder::reset() noexcept
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

int LogFolder::handle(const QByteArray &path) noexcept
{
    const int64_t now = coarseMonotonicNs();
    // Every line passes the same path object: found by its bytes' address first.
    const bool samePath = (path.constData() == m_path.constData() && path.size() == m_path.size()) || path == m_path;
    if (m_fd >= 0 && samePath) {
        if (now - m_checkedNs < RecheckIntervalNs)
            return m_fd;
        m_checkedNs = now;
        struct stat st {};
        if (::stat(path.constData(), &st) == 0 && st.st_dev == m_device && st.st_ino == m_inode)
            return m_fd;
    }
    reset();
    int fd = openFolder(path.constData());
    if (fd < 0 && errno == ENOENT) {
        // mkdir never makes what a dangling link names: such a Log stays missing.
        if (::mkdir(path.constData(), 0777) != 0 && errno != EEXIST)
            return -1;
        fd = openFolder(path.constData());
    }
    if (fd < 0)
        return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    m_path = path;
    m_fd = fd;
    m_device = st.st_dev;
    m_inode = st.st_ino;
    m_checkedNs = now;
    return m_fd;
}

int LogFolder::append(const FolderAndName &path, std::string_view bytes) noexcept
{
    for (int attempt = 0;; ++attempt) {
        const int dirFd = handle(path.folder);
        const int error = dirFd < 0 ? errno : appendToFile(dirFd, path.name.constData(), bytes);
        if (error != ENOENT || attempt > 0)
            return error;
        // The folder was deleted while we held it: made again by its name.
        reset();
    }
}
