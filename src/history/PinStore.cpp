#include "history/PinStore.h"

#include "history/PinsJson.h"
#include "platform/LargeBuffer.h"
#include "platform/LogQuote.h"
#include "platform/SystemLog.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kLoadFailed = QStringLiteral("Tallowquill: failed to load pins: ");
const QString kSaveFailed = QStringLiteral("Tallowquill: failed to save pins: ");

QString pinsPath(const QString &folder) {
    return folder + QStringLiteral("/pins.json");
}

QString homeFolder() {
    QString home = qEnvironmentVariable("HOME");
    if (home.isEmpty()) {
        // Without HOME, fall back on the password database rather than on "/".
        if (const passwd *entry = getpwuid(getuid()); entry && entry->pw_dir)
            home = QFile::decodeName(entry->pw_dir);
    }
    return home;
}

// Creates folder and any missing parents, each with mode 0700: pins may hold private text.
bool makeFolder(const QString &folder, QString *error) {
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
                     .arg(logQuoted(part), QString::fromLocal8Bit(std::strerror(
                                               mkdirError == EEXIST ? ENOTDIR : mkdirError)));
        return false;
    }
    return true;
}

// The UTC time of day in a form that sorts and reads well in a file name: 20261206T162400Z.
QString utcStamp() {
    return QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
}

// Keeps an unreadable pins file under a new name beside it, never over an earlier one, and
// returns that name. A hard link leaves the file in place until the new one replaces it.
std::optional<QString> keepAside(const QString &path, QString *error) {
    const QByteArray from = QFile::encodeName(path);
    // Neither call replaces an existing name, so an earlier kept file cannot be lost. The link
    // is to the file itself, not to a symbolic link that the save would then write through.
    const auto keepAs = [&from](const QByteArray &to) {
        const char *const name = to.constData();
        if (::linkat(AT_FDCWD, from.constData(), AT_FDCWD, name, AT_SYMLINK_FOLLOW) == 0)
            return true;
        return errno != EEXIST &&
               ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, name, RENAME_NOREPLACE) == 0;
    };
    const QString base = path + QStringLiteral(".corrupt-") + utcStamp();
    for (int n = 1; n <= 100; ++n) {
        const QString target = n == 1 ? base : base + QStringLiteral("-%1").arg(n);
        if (keepAs(QFile::encodeName(target)))
            return target;
        if (errno != EEXIST) {
            *error = QStringLiteral("cannot keep the unreadable pins file as %1: %2")
                         .arg(logQuoted(target), QString::fromLocal8Bit(std::strerror(errno)));
            return std::nullopt;
        }
    }
    *error = QStringLiteral("cannot keep the unreadable pins file: too many kept files");
    return std::nullopt;
}

// Makes an existing pins folder private again if it was left open. Only the folder itself, and
// only when it is ours: a symbolic link in its place is left alone, so no other folder changes.
void tightenFolder(const QString &folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(),
                          O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_uid == ::geteuid() && (info.st_mode & 077) != 0 &&
        ::fchmod(fd, 0700) != 0)
        SystemLog::write(QStringLiteral("Tallowquill: cannot make the pins folder %1 private: %2")
                             .arg(logQuoted(folder), QString::fromLocal8Bit(std::strerror(errno))));
    ::close(fd);
}

// Writes items to a new file beside path and renames it over path, so that a crash or a full
// disk leaves the old file whole. The new file is private from the moment it exists.
bool replaceFile(const QString &path, const QList<ClipboardItem> &items, QString *error) {
    QByteArray temporary = QFile::encodeName(path) + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC); // mode 0600
    int failure = fd < 0 ? errno : 0;
    if (fd >= 0) {
        PinsJson::write(items, [fd, &failure](QByteArrayView piece) {
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
        *error = QStringLiteral("cannot write %1: %2")
                     .arg(logQuoted(path), QString::fromLocal8Bit(std::strerror(failure)));
    return failure == 0;
}

// The whole file in one buffer of its size; growing an array as it fills would copy it.
std::optional<QByteArray> readWhole(QFile &file, QString *error) {
    QByteArray bytes = LargeBuffer::uninitialized(file.size());
    qsizetype used = 0;
    while (used < bytes.size()) {
        const qint64 got = file.read(bytes.data() + used, bytes.size() - used);
        if (got < 0) {
            *error = file.errorString();
            return std::nullopt;
        }
        if (got == 0)
            break;
        used += got;
    }
    bytes.resize(used);
    // A file that grew meanwhile is read to its end all the same.
    const QByteArray rest = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = file.errorString();
        return std::nullopt;
    }
    bytes.append(rest);
    return bytes;
}

} // namespace

PinStore::PinStore(QString folder)
    : m_folder(std::move(folder)) {}

QString PinStore::defaultFolder() {
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
        const QString home = homeFolder();
        if (home.isEmpty() || !QDir::isAbsolutePath(home))
            return {};
        base = home + QStringLiteral("/.local/share");
    }
    return QDir::cleanPath(base + QStringLiteral("/Tallowquill"));
}

QString PinStore::folder() const {
    return m_folder ? *m_folder : defaultFolder();
}

QList<ClipboardItem> PinStore::loadPins() {
    m_lastLoadFailed = false;
    const QString dir = folder();
    if (dir.isEmpty())
        return {};
    tightenFolder(dir);
    // A save cut short by a kill leaves its new file behind; the old file is whole.
    const QDir folderDir(dir);
    for (const QString &leftover :
         folderDir.entryList({QStringLiteral("pins.json.??????")}, QDir::Files | QDir::Hidden))
        QFile::remove(folderDir.filePath(leftover));
    QFile file(pinsPath(dir));
    if (!file.exists())
        return {};

    QString error;
    std::optional<QList<ClipboardItem>> items;
    if (!QFileInfo(file).isFile()) {
        error = QStringLiteral("%1 is not a regular file").arg(logQuoted(file.fileName()));
    } else if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        error = file.errorString();
    } else if (const std::optional<QByteArray> bytes = readWhole(file, &error)) {
        items = PinsJson::read(*bytes, &error);
    }
    if (!items) {
        m_lastLoadFailed = true;
        SystemLog::write(kLoadFailed + error);
        return {};
    }
    for (ClipboardItem &item : *items)
        item.isPinned = true;
    return *items;
}

void PinStore::savePins(const QList<ClipboardItem> &items) {
    const QString dir = folder();
    if (dir.isEmpty())
        return;
    QString error;
    if (!makeFolder(dir, &error)) {
        SystemLog::write(kSaveFailed + error);
        return;
    }
    const QString path = pinsPath(dir);

    // The file that failed to load still holds the user's earlier pins: keep it before replacing.
    if (m_lastLoadFailed && QFileInfo::exists(path)) {
        const std::optional<QString> keptAs = keepAside(path, &error);
        if (!keptAs) {
            SystemLog::write(kSaveFailed + error);
            return;
        }
        m_lastLoadFailed = false;
        SystemLog::write(QStringLiteral("Tallowquill: kept the unreadable pins file as ") +
                         logQuoted(*keptAs));
    }

    // Through a symbolic link the file it names is replaced, not the link.
    const QString target = QFileInfo(path).canonicalFilePath();
    if (!replaceFile(target.isEmpty() ? path : target, items, &error))
        SystemLog::write(kSaveFailed + error);
}
