#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tqtest {

// Points HOME, XDG_DATA_HOME, XDG_CONFIG_HOME and XDG_RUNTIME_DIR at fresh folders under a
// temporary directory, so a test sees a first run and never touches the user's own files.
// Called once by the test main; tests may call it again for a clean slate.
QString resetHome();

// The temporary HOME of the running test process.
QString home();

// A whole file, or nothing when it cannot be read.
QByteArray readFile(const QString &path);
// Writes a file, making its folder first; false when that fails.
bool writeFile(const QString &path, const QByteArray &bytes);
// The files below a folder (hidden ones too), by their paths relative to it.
QStringList filesUnder(const QString &root);
// A file of tests/data, by its path there.
QByteArray testData(const QString &path);

} // namespace tqtest
