#include "CaptureWriter.h"

#include "PcapFormat.h"

#include <QFile>

#include <cerrno>
#include <cstdint>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

CaptureWriter::CaptureWriter(std::chrono::milliseconds recheckInterval)
    : m_recheckInterval(recheckInterval), m_failures(QStringLiteral("キャプチャ"), QStringLiteral("レコード"), "capture")
{
    pcap::appendFileHeader(m_bytes);
}

CaptureWriter::~CaptureWriter()
{
    close();
}

void CaptureWriter::setFile(const QString &path)
{
    close();
    m_path = path;
    m_native = path.isEmpty() ? FolderAndName {} : splitNativePath(QFile::encodeName(path));
    m_folder.reset();
}

void CaptureWriter::close() noexcept
{
    flush();
    release();
}

void CaptureWriter::release() noexcept
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void CaptureWriter::add(const sockaddr *source, const sockaddr *destination, std::string_view payload) noexcept
{
    if (m_path.isEmpty())
        return;
    const size_t before = m_bytes.size();
    try {
        timespec now {};
        ::clock_gettime(CLOCK_REALTIME, &now);
        pcap::appendUdpRecord(m_bytes, pcap::endpointOf(source), pcap::endpointOf(destination), payload, now.tv_sec,
                              static_cast<int32_t>(now.tv_nsec / 1000));
        ++m_pending;
    } catch (...) {
        m_bytes.resize(before); // out of memory for the record: it is lost
    }
}

void CaptureWriter::flush() noexcept
{
    if (m_pending == 0)
        return;
    if (m_fd >= 0 && !stillNamed())
        release();
    int error = m_fd >= 0 ? 0 : open();
    if (error == 0)
        error = writeRecords();
    if (error != 0)
        release(); // opened by name again with the next records
    m_failures.note(error, m_path, m_pending);
    m_bytes.resize(pcap::FileHeaderLength);
    m_pending = 0;
}

int CaptureWriter::open() noexcept
{
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        const int dirFd = m_folder.handle(m_native.folder);
        if (dirFd >= 0)
            fd = ::openat(dirFd, m_native.name.constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
        if (fd >= 0)
            break;
        const int error = errno;
        if (error != ENOENT || attempt > 0)
            return error;
        // The folder was deleted while we held it: made again by its name.
        m_folder.reset();
    }
    struct stat st {};
    const int error = ::fstat(fd, &st) != 0 ? errno : S_ISREG(st.st_mode) ? 0 : NotARegularFile;
    if (error != 0) {
        ::close(fd);
        return error;
    }
    m_fd = fd;
    m_size = st.st_size;
    m_checked = std::chrono::steady_clock::now();
    return 0;
}

bool CaptureWriter::stillNamed() noexcept
{
    const auto now = std::chrono::steady_clock::now();
    if (now - m_checked < m_recheckInterval)
        return true;
    m_checked = now;
    // The folder is looked up by its name again too.
    m_folder.reset();
    const int dirFd = m_folder.handle(m_native.folder);
    struct stat named {};
    struct stat held {};
    if (dirFd < 0 || ::fstatat(dirFd, m_native.name.constData(), &named, AT_SYMLINK_NOFOLLOW) != 0 ||
        ::fstat(m_fd, &held) != 0 || named.st_dev != held.st_dev || named.st_ino != held.st_ino)
        return false;
    m_size = held.st_size; // another writer may have changed it
    return true;
}

int CaptureWriter::writeRecords() noexcept
{
    std::string_view bytes = m_bytes;
    if (m_size > 0)
        bytes.remove_prefix(pcap::FileHeaderLength);
    const int error = appendAll(m_fd, bytes);
    if (error == 0)
        m_size += static_cast<off_t>(bytes.size());
    return error;
}

Result<> CaptureWriter::rotate(int16_t &maxSize, int16_t &generations)
{
    if (!enabled())
        return {};
    // The records not yet written count: the file is rotated after the
    // record that takes it past the limit, as the log after its line.
    const int64_t limit = int64_t {maxSize} * 1024 * 1024;
    const auto pending = static_cast<int64_t>(m_bytes.size() - pcap::FileHeaderLength);
    if (m_fd >= 0 && maxSize >= 1 && generations >= 1 && limit <= INT32_MAX && m_size + pending <= limit)
        return {};
    flush();
    const uint64_t before = m_rotation.rotations();
    const Result<> rotated = m_rotation.check(m_path, maxSize, generations);
    if (!rotated || m_rotation.rotations() != before)
        release(); // the name may name another file now
    return rotated;
}
