#pragma once

#include "core/NativeFolder.h"

#include <QByteArray>

#include <cstdint>
#include <string_view>
#include <sys/types.h>

// What made an append fail where errno has no name for it.
constexpr int NotARegularFile = -1;

// Appends all of `bytes` to `fd`, a file opened to append, again after an
// interruption; a write that takes nothing is a full disk. A write that
// fails halfway is cut back, so the file never keeps half of what the
// next append would run into. 0 or errno. `positioned`: positioned
// writes, which Linux puts at the end of a file opened to append whatever
// the position, and which anything that cannot be positioned (a FIFO, a
// socket, a terminal) refuses with ESPIPE before it takes a byte.
int appendAll(int fd, std::string_view bytes, bool positioned = false) noexcept;

// Appends `bytes` to the file `name` of the folder `dirFd` with one open,
// write and close; 0 on success, else errno or NotARegularFile. The open
// never waits (a FIFO without a reader fails at once) and never follows a
// link. Only a file that can be positioned takes the bytes: a FIFO with a
// reader, a socket or a terminal refuses the write itself (see appendAll),
// which costs no system call of its own. A write that fails halfway is
// cut back.
int appendToFile(int dirFd, const char *name, std::string_view bytes) noexcept;

// The folder of the log files, held open so that every line is opened
// relative to it. A link in place of the folder is followed to the folder
// it names (the operator chose where the log lives); the files in it are
// still opened without following a link. A folder that is missing is made
// again (one level: its parent must exist); what a dangling link names is
// never made. The name is looked up again about once a second (on the
// coarse monotonic clock, which is read without the cost of a precise
// reading and moves in ticks of a few milliseconds), so a folder renamed
// or replaced, or a link pointed elsewhere, while we hold it is left for
// the one that now has the name.
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
    // appendToFile in the folder `path.folder`; a folder deleted while held
    // is made again by its name. 0 or why it failed.
    int append(const FolderAndName &path, std::string_view bytes) noexcept;

private:
    QByteArray m_path;
    int m_fd = -1;
    dev_t m_device = 0;
    ino_t m_inode = 0;
    int64_t m_checkedNs = 0; // when the name was last looked up
};
