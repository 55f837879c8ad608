#include "platform/InstanceLock.h"

#include "platform/LogQuote.h"
#include "platform/PrivateFiles.h"
#include "platform/SystemLog.h"
#include "platform/XdgFolders.h"

#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString reason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// The folder, opened, when it may hold the lock; else -1 and why not. The runtime folder is the
// user's by definition, so it is only checked for its owner.
int openFolder(const QString &folder, bool mustBePrivate, QString *problem) {
    const QByteArray path = QFile::encodeName(folder);
    struct stat info {};
    if (mustBePrivate && ::lstat(path.constData(), &info) == 0 && S_ISLNK(info.st_mode)) {
        *problem = QStringLiteral("its folder is a symbolic link");
        return -1;
    }
    const int fd = ::open(path.constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC | (mustBePrivate ? O_NOFOLLOW : 0));
    if (fd < 0) {
        *problem = reason(errno);
        return -1;
    }
    if (::fstat(fd, &info) != 0)
        *problem = reason(errno);
    else if (info.st_uid != ::geteuid())
        *problem = QStringLiteral("its folder belongs to user %1").arg(info.st_uid);
    else if (mustBePrivate && (info.st_mode & 077) != 0)
        *problem = QStringLiteral("its folder's mode is %1, not 0700")
                       .arg(info.st_mode & 07777, 4, 8, QLatin1Char('0'));
    if (problem->isEmpty())
        return fd;
    ::close(fd);
    return -1;
}

} // namespace

InstanceLock::InstanceLock(const QString &name) {
    QString folder = XdgFolders::runtimeDir();
    QString file = name;
    if (folder.isEmpty()) {
        const QString cache = XdgFolders::cacheHome();
        if (cache.isEmpty())
            return;
        folder = cache + QStringLiteral("/Tallowquill");
        // A home folder shared between machines must not let one machine's copy stop another's.
        file += QLatin1Char('-') + QSysInfo::machineHostName().replace(QLatin1Char('/'), u'_');
        m_inCache = true;
    }
    m_path = folder + QLatin1Char('/') + file + QStringLiteral(".lock");
}

InstanceLock::~InstanceLock() {
    if (m_fd >= 0)
        ::close(m_fd); // releases the lock; the file stays for the next start
}

bool InstanceLock::tryLock() {
    if (m_fd >= 0)
        return true;
    if (m_path.isEmpty()) {
        SystemLog::write(QStringLiteral("Tallowquill: no home folder for the single-instance "
                                        "lock; starting without it"));
        return true;
    }
    const QFileInfo where(m_path);
    const QString folder = where.path();
    QString problem;
    int fd = -1;
    if (!m_inCache || PrivateFiles::makeFolders(folder, &problem)) {
        if (const int dir = openFolder(folder, m_inCache, &problem); dir >= 0) {
            fd = ::openat(dir, QFile::encodeName(where.fileName()).constData(),
                          O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
            if (fd < 0)
                problem = reason(errno);
            ::close(dir);
        }
    }
    if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) {
            ::close(fd);
            return false;
        }
        problem = reason(errno);
        ::close(fd);
        fd = -1;
    }
    if (fd < 0) {
        SystemLog::write(QStringLiteral("Tallowquill: cannot take the single-instance lock %1: "
                                        "%2; starting without it")
                             .arg(logQuoted(m_path), problem));
        return true;
    }
    m_fd = fd;
    return true;
}
