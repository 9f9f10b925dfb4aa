#include "LogFolder.h"

#include "core/NativeFolder.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr auto RecheckInterval = std::chrono::seconds(1);

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
    int fd = OpenFolderNoFollow(path.constData());
    if (fd < 0 && errno == ENOENT) {
        if (::mkdir(path.constData(), 0777) != 0 && errno != EEXIST)
            return -1;
        fd = OpenFolderNoFollow(path.constData());
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
