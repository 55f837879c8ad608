#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

namespace tqtest {

// Points HOME, XDG_DATA_HOME, XDG_CONFIG_HOME, XDG_CACHE_HOME and XDG_RUNTIME_DIR at fresh
// folders under a temporary directory, so a test sees a first run and never touches the user's
// own files.
// Called once by the test main; tests may call it again for a clean slate.
QString resetHome();

// The temporary HOME of the running test process.
QString home();

// A whole file, or nothing when it cannot be read.
QByteArray readFile(const QString &path);
// Writes a file, making its folder first; a failure fails the test and returns false.
bool writeFile(const QString &path, const QByteArray &bytes);
// The files below a folder (hidden ones too), by their paths relative to it.
QStringList filesUnder(const QString &root);
// A copy of tests/data/clipboard, by its path there.
QByteArray testData(const QString &path);
inline QByteArray testData(const char *path) {
    return testData(QString::fromUtf8(path));
}

// Waits, serving this process's events, until the condition holds or the time is up; tells which.
bool waitFor(const std::function<bool()> &condition, int ms = 10000);

} // namespace tqtest
