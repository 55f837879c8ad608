#include "platform/InstanceLock.h"

#include "platform/XdgFolders.h"

#include <QDir>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

InstanceLock::InstanceLock(const QString &name) {
    QString folder = XdgFolders::runtimeDir();
    if (folder.isEmpty())
        folder = QDir::tempPath();
    // Outside the per-user runtime folder the name must still be per user.
    const QString suffix =
        folder == QDir::tempPath() ? QStringLiteral("-%1").arg(getuid()) : QString();
    m_path = folder + QLatin1Char('/') + name + suffix + QStringLiteral(".lock");
}

InstanceLock::~InstanceLock() {
    if (m_fd >= 0)
        ::close(m_fd); // releases the lock; the file stays for the next start
}

bool InstanceLock::tryLock() {
    if (m_fd >= 0)
        return true;
    const int fd =
        ::open(QFile::encodeName(m_path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return true; // cannot tell; better two copies than none
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}
