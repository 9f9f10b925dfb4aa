#pragma once

#include <QByteArray>

#include <chrono>
#include <sys/types.h>

// The folder of the log files, held open so that every line is opened
// relative to it: a link put in place of the folder is never followed. A
// folder that is missing is made again (one level: its parent must exist).
// The name is looked up again at most once a second, so a folder renamed
// or replaced while we hold it is left for the one that now has the name.
class LogFolder {
public:
    LogFolder() = default;
    ~LogFolder();
    LogFolder(const LogFolder &) = delete;
    LogFolder &operator=(const LogFolder &) = delete;

    // A handle on the folder `path`, or -1 with errno set.
    int handle(const QByteArray &path) noexcept;
    // Lets the handle go: the next call looks the folder up by name.
    void reset() noexcept;

private:
    QByteArray m_path;
    int m_fd = -1;
    dev_t m_device = 0;
    ino_t m_inode = 0;
    std::chrono::steady_clock::time_point m_checked;
};
