#include "history/PinStore.h"

#include "history/PinsJson.h"
#include "platform/LargeBuffer.h"
#include "platform/LogQuote.h"
#include "platform/PrivateFiles.h"
#include "platform/SystemLog.h"
#include "platform/XdgFolders.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString kLoadFailed = QStringLiteral("Tallowquill: failed to load pins: ");
const QString kSaveFailed = QStringLiteral("Tallowquill: failed to save pins: ");

QString pinsPath(const QString &folder) {
    return folder + QStringLiteral("/pins.json");
}

// The UTC time of day in a form that sorts and reads well in a file name: 20261206T162400Z.
QString utcStamp() {
    return QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
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
    const QString base = XdgFolders::dataHome();
    return base.isEmpty() ? QString() : base + QStringLiteral("/Tallowquill");
}

QString PinStore::folder() const {
    return m_folder ? *m_folder : defaultFolder();
}

QList<ClipboardItem> PinStore::loadPins() {
    m_lastLoadFailed = false;
    const QString dir = folder();
    if (dir.isEmpty())
        return {};
    if (QString error; !PrivateFiles::tighten(dir, &error))
        SystemLog::write(QStringLiteral("Tallowquill: cannot make the pins folder %1 private: %2")
                             .arg(logQuoted(dir), error));
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
    if (!PrivateFiles::makeFolders(dir, &error)) {
        SystemLog::write(kSaveFailed + error);
        return;
    }
    const QString path = pinsPath(dir);

    // The file that failed to load still holds the user's earlier pins: keep it before replacing.
    if (m_lastLoadFailed && QFileInfo::exists(path)) {
        const std::optional<QString> keptAs =
            PrivateFiles::keepAside(path, path + QStringLiteral(".corrupt-") + utcStamp(), &error);
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
    const auto write = [&items](const PrivateFiles::Writer &sink) { PinsJson::write(items, sink); };
    if (!PrivateFiles::replace(target.isEmpty() ? path : target, write, &error))
        SystemLog::write(kSaveFailed + error);
}
