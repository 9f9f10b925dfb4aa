#include "SingleInstance.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

SingleInstance::SingleInstance(QString lockFile) : m_lockFile(std::move(lockFile))
{
}

SingleInstance::~SingleInstance()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool SingleInstance::PrevInstance()
{
    if (m_fd >= 0)
        return false; // this object holds the lock already
    const int fd = ::open(QFile::encodeName(m_lockFile).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    int result = 0;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result == 0) {
        m_fd = fd;
        return false;
    }
    const bool heldElsewhere = errno == EWOULDBLOCK;
    ::close(fd);
    return heldElsewhere;
}
