#pragma once

#include <QString>

// Keeps a second copy of the program from running beside the first: an exclusive lock on a file
// in $XDG_RUNTIME_DIR, or without it in a private folder of the cache folder, held for the life
// of the process. Never in a folder other users can write to: there another user could take the
// lock first and keep the program from starting.
class InstanceLock {
public:
    explicit InstanceLock(const QString &name);
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    // False when another process holds the lock. True also when it cannot be taken (a folder
    // that fails the checks, with a log line): two copies are better than none.
    bool tryLock();
    // Whether this process holds it: after a true tryLock(), false when it could not be taken.
    bool isHeld() const { return m_fd >= 0; }
    QString path() const { return m_path; }

private:
    QString m_path;
    bool m_inCache = false; // a folder of our own making, which must be private
    int m_fd = -1;
};
