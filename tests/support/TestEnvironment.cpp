#include "support/TestEnvironment.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace tqtest {

namespace {
std::unique_ptr<QTemporaryDir> &currentDir() {
    static std::unique_ptr<QTemporaryDir> dir;
    return dir;
}
} // namespace

QString resetHome() {
    auto &dir = currentDir();
    dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/tq-home-XXXXXX"));
    const QString root = dir->path();
    QDir(root).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(root + QStringLiteral("/runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("HOME", root.toLocal8Bit());
    qunsetenv("XDG_DATA_HOME");
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_CACHE_HOME");
    qputenv("XDG_RUNTIME_DIR", (root + QStringLiteral("/runtime")).toLocal8Bit());
    return root;
}

QString home() {
    return currentDir() ? currentDir()->path() : QString();
}

QByteArray readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size())
        return true;
    ADD_FAILURE() << "cannot write " << path.toStdString();
    return false;
}

QStringList filesUnder(const QString &root) {
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(root).relativeFilePath(it.next());
    return files;
}

QByteArray testData(const QString &path) {
    QFile file(QStringLiteral(TQ_TEST_DATA_DIR "/clipboard/") + path);
    if (!file.open(QIODevice::ReadOnly))
        ADD_FAILURE() << "no test data " << path.toStdString();
    return file.readAll();
}

bool waitFor(const std::function<bool()> &condition, int ms) {
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        if (condition())
            return true;
        QTest::qWait(20);
    }
    return condition();
}

} // namespace tqtest
