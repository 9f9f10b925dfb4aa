#pragma once

#include <QString>

// Tells whether another instance of this program runs. Every instance
// takes an exclusive lock on the same file (the program's executable);
// the lock is held for the life of this object and the system drops it
// when the process ends, however it ends, so nothing stale remains.
class SingleInstance {
public:
    explicit SingleInstance(QString lockFile);
    ~SingleInstance();
    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    // True when another process (or another SingleInstance) holds the
    // lock; otherwise the lock is taken and false returned. A file that
    // cannot be opened or locked for another reason tells nothing: false.
    bool PrevInstance();

private:
    QString m_lockFile;
    int m_fd = -1;
};
