#pragma once

#include <QString>

// Keeps a second copy of the program from running beside the first: an exclusive lock on a file
// in $XDG_RUNTIME_DIR (or the temporary folder), held for the life of the process.
class InstanceLock {
public:
    explicit InstanceLock(const QString &name);
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    // False when another process holds the lock.
    bool tryLock();
    QString path() const { return m_path; }

private:
    QString m_path;
    int m_fd = -1;
};
