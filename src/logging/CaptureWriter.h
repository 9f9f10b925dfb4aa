#pragma once

#include "LogFolder.h"
#include "WriteFailures.h"
#include "core/NativeFolder.h"

#include <QString>

#include <functional>
#include <string>
#include <string_view>
#include <sys/socket.h>

// Writes UDP datagrams to a capture file (see PcapFormat.h), one record
// per datagram. Records added are written together by the next flush, with
// one open, write and close relative to the held folder, as the log writer
// does: never blocks, never follows a link,
// never leaves a partial record, and a file that is new (or rotated away)
// starts with the file header. A record that cannot be written is lost,
// counted and told once; the caller never hears of it.
class CaptureWriter {
public:
    CaptureWriter();

    // The capture file; empty switches capture off.
    void setFile(const QString &path);
    const QString &file() const { return m_path; }
    bool enabled() const { return !m_path.isEmpty(); }

    // Adds a record of a datagram from `source` to `destination` (IPv4 or
    // IPv6 socket addresses, either may be null for an unknown end), stamped
    // with the current time. Does nothing while capture is off.
    void add(const sockaddr *source, const sockaddr *destination, std::string_view payload) noexcept;
    // Writes the records added since the last flush.
    void flush() noexcept;

    void setFailingChanged(std::function<void(bool failing)> listener)
    {
        m_failures.setFailingChanged(std::move(listener));
    }
    bool failing() const { return m_failures.failing(); }
    // The records lost since the program started.
    uint64_t recordsLost() const { return m_failures.lostTotal(); }

private:
    QString m_path;
    FolderAndName m_native;
    LogFolder m_folder;
    // The file header, then the records added: the header goes out only
    // when the file is empty.
    std::string m_bytes;
    uint64_t m_pending = 0; // records in m_bytes
    WriteFailures m_failures;
};
