#pragma once

#include "LogFolder.h"
#include "LogRotation.h"
#include "WriteFailures.h"
#include "core/NativeFolder.h"
#include "core/Result.h"

#include <QString>

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <sys/types.h>

// Writes UDP datagrams to a capture file (see PcapFormat.h), one record
// per datagram. Records added are written together by the next flush with
// one write to the file, which is kept open from the first flush until
// close (or another file is set). The file is opened relative to a held
// folder, as the log writer opens its lines: never blocks (a FIFO without
// a reader fails at once), never follows a link, and anything but a
// regular file is refused. Whether the name still names the file held is
// asked at most once per recheck interval (a second): a file moved,
// deleted or replaced under its name is let go and the name opened again,
// as after a rotation (rotate). A write never leaves a partial record, and
// a file that is new (or rotated away) starts with the file header. A
// record that cannot be written is lost, counted and told once; the caller
// never hears of it.
class CaptureWriter {
public:
    explicit CaptureWriter(std::chrono::milliseconds recheckInterval = std::chrono::seconds(1));
    ~CaptureWriter();
    CaptureWriter(const CaptureWriter &) = delete;
    CaptureWriter &operator=(const CaptureWriter &) = delete;

    // The capture file; empty switches capture off.
    void setFile(const QString &path);
    const QString &file() const { return m_path; }
    bool enabled() const { return !m_path.isEmpty(); }
    // Writes the records added, then lets the file go: the next flush
    // opens it by its name again.
    void close() noexcept;

    // Adds a record of a datagram from `source` to `destination` (IPv4 or
    // IPv6 socket addresses, either may be null for an unknown end), stamped
    // with the current time. Does nothing while capture is off.
    void add(const sockaddr *source, const sockaddr *destination, std::string_view payload) noexcept;
    // Writes the records added since the last flush.
    void flush() noexcept;

    // Rotates the capture file by the log's rules (RotateLog), the records
    // added going out first; the next flush opens the new file. Asks the
    // file system only when the file held, with the records added, has
    // grown past the limit, or none is held.
    Result<> rotate(int16_t &maxSize, int16_t &generations);

    void setFailingChanged(std::function<void(bool failing)> listener)
    {
        m_failures.setFailingChanged(std::move(listener));
    }
    bool failing() const { return m_failures.failing(); }
    // The records lost since the program started.
    uint64_t recordsLost() const { return m_failures.lostTotal(); }
    uint64_t rotations() const { return m_rotation.rotations(); }

private:
    void release() noexcept;
    // Opens the file by its name: 0, errno or NotARegularFile.
    int open() noexcept;
    // Whether the name still names the file held; asked at most once per interval.
    bool stillNamed() noexcept;
    // Writes the records (after the header when the file is empty): 0 or errno.
    int writeRecords() noexcept;

    QString m_path;
    FolderAndName m_native;
    LogFolder m_folder;
    LogRotation m_rotation;
    // The file header, then the records added: the header goes out only
    // when the file is empty.
    std::string m_bytes;
    uint64_t m_pending = 0; // records in m_bytes
    int m_fd = -1;
    off_t m_size = 0; // of the file held: at its opening or last check, and what was written since
    std::chrono::milliseconds m_recheckInterval;
    std::chrono::steady_clock::time_point m_checked;
    WriteFailures m_failures;
};
