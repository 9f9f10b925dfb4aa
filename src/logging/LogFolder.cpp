#include "LogFolder.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr auto RecheckInterval = std::chrono::seconds(1);

int openFolder(const char *path) noexcept
{
    return ::open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

} // namespace

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
    const auto now = std::chrono::steady_clock::now();
    if (m_fd >= 0 && path == m_path) {
        if (now - m_checked < RecheckInterval)
            return m_fd;
        m_checked = now;
        struct stat st {};
        if (::lstat(path.constData(), &st) == 0 && st.st_dev == m_device && st.st_ino == m_inode)
            return m_fd;
    }
    reset();
    int fd = openFolder(path.constData());
    if (fd < 0 && errno == ENOENT) {
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
    m_checked = now;
    return m_fd;
}
