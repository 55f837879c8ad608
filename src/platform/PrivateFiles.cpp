#include "platform/PrivateFiles.h"

#include "platform/LogQuote.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace PrivateFiles {

namespace {

QString reason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

bool makeFolders(const QString &folder, QString *error) {
    const QString clean = QDir::cleanPath(folder);
    qsizetype next = 1;
    while (next >= 0) {
        next = clean.indexOf(QLatin1Char('/'), next);
        const QString part = next < 0 ? clean : clean.left(next);
        if (next >= 0)
            ++next;
        const QByteArray path = QFile::encodeName(part);
        if (::mkdir(path.constData(), 0700) == 0)
            continue;
        const int mkdirError = errno;
        struct stat info {};
        if (mkdirError == EEXIST && ::stat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode))
            continue;
        *error = QStringLiteral("cannot create the folder %1: %2")
                     .arg(logQuoted(part), reason(mkdirError == EEXIST ? ENOTDIR : mkdirError));
        return false;
    }
    return true;
}

bool tighten(const QString &folder, QString *error) {
    const int fd = ::open(QFile::encodeName(folder).constData(),
                          O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return true;
    bool done = true;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_uid == ::geteuid() && (info.st_mode & 077) != 0 &&
        ::fchmod(fd, 0700) != 0) {
        *error = reason(errno);
        done = false;
    }
    ::close(fd);
    return done;
}

std::optional<QString> keepAside(const QString &path, const QString &base, QString *error) {
    const QByteArray from = QFile::encodeName(path);
    // Neither call replaces an existing name, so an earlier kept file cannot be lost. The link
    // is to the file itself, not to a symbolic link that a later write would go through.
    const auto keepAs = [&from](const QByteArray &to) {
        const char *const name = to.constData();
        if (::linkat(AT_FDCWD, from.constData(), AT_FDCWD, name, AT_SYMLINK_FOLLOW) == 0)
            return true;
        return errno != EEXIST &&
               ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, name, RENAME_NOREPLACE) == 0;
    };
    for (int n = 1; n <= 100; ++n) {
        const QString target = n == 1 ? base : base + QStringLiteral("-%1").arg(n);
        if (keepAs(QFile::encodeName(target)))
            return target;
        if (errno != EEXIST) {
            *error = QStringLiteral("cannot keep %1 as %2: %3")
                         .arg(logQuoted(path), logQuoted(target), reason(errno));
            return std::nullopt;
        }
    }
    *error = QStringLiteral("cannot keep %1: too many kept files").arg(logQuoted(path));
    return std::nullopt;
}

bool replace(const QString &path, const std::function<void(const Writer &)> &write,
             QString *error) {
    QByteArray temporary = QFile::encodeName(path) + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC); // mode 0600
    int failure = fd < 0 ? errno : 0;
    if (fd >= 0) {
        write([fd, &failure](QByteArrayView piece) {
            for (qsizetype done = 0; done < piece.size();) {
                const ssize_t written =
                    ::write(fd, piece.data() + done, size_t(piece.size() - done));
                if (written < 0 && errno == EINTR)
                    continue;
                if (written <= 0) {
                    failure = written < 0 ? errno : EIO;
                    return false;
                }
                done += written;
            }
            return true;
        });
        // A umask may have narrowed it further; the owner still reads and writes it.
        if (failure == 0 && ::fchmod(fd, 0600) != 0)
            failure = errno;
        if (failure == 0 && ::fsync(fd) != 0)
            failure = errno;
        if (::close(fd) != 0 && failure == 0)
            failure = errno;
        if (failure == 0 &&
            ::rename(temporary.constData(), QFile::encodeName(path).constData()) != 0)
            failure = errno;
        if (failure != 0)
            ::unlink(temporary.constData()); // a full disk must not keep a half-written copy
    }
    if (failure != 0)
        *error = QStringLiteral("cannot write %1: %2").arg(logQuoted(path), reason(failure));
    return failure == 0;
}

} // namespace PrivateFiles
