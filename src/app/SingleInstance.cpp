#include "SingleInstance.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

SingleInstance::~SingleInstance()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool SingleInstance::PrevInstance(const QString &lockFile)
{
    m_error = 0;
    if (m_fd >= 0)
        return false; // this object holds the lock already
    const QByteArray native = QFile::encodeName(lockFile);
    // Never waits (a FIFO in its place) and never follows a link.
    constexpr int Flags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;
    int fd = ::open(native.constData(), O_RDWR | O_CREAT | Flags, 0644);
    if (fd < 0 && (errno == EACCES || errno == EROFS))
        fd = ::open(native.constData(), O_RDONLY | Flags); // another user's file, or a read-only file system
    if (fd < 0) {
        m_error = errno;
        return false;
    }
    int result = 0;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result == 0) {
        m_fd = fd;
        return false;
    }
    const bool heldElsewhere = errno == EWOULDBLOCK;
    m_error = heldElsewhere ? 0 : errno;
    ::close(fd);
    return heldElsewhere;
}
