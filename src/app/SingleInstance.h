#pragma once

#include <QString>

// Tells whether another instance of this program runs in the same data
// folder. Every instance takes an exclusive lock on the same file, the
// lock file of its data folder; the lock is held for the life of this
// object and the system drops it when the process ends, however it ends,
// so nothing stale remains (the empty file stays, for the next start).
class SingleInstance {
public:
    SingleInstance() = default;
    ~SingleInstance();
    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    // True when another process (or another SingleInstance) holds the lock
    // on `lockFile`; otherwise the lock is taken and false returned. The
    // file is made (mode 0644) when missing, and opened for reading alone
    // where it cannot be written; a link in its place is not followed. A
    // file that cannot be opened or locked tells nothing: false, and
    // lockError() says why.
    bool PrevInstance(const QString &lockFile);

    // The errno of the last open or lock that failed, a lock held elsewhere
    // aside; 0 when the last call could tell.
    int lockError() const { return m_error; }

private:
    int m_fd = -1;
    int m_error = 0;
};
