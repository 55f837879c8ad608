#pragma once

#include <QByteArrayView>
#include <QString>

#include <functional>
#include <optional>

// Files that hold the user's private data: folders only the user may enter, files written so
// that a crash or a full disk leaves the old one whole and no one else can read the new one for
// an instant. Failures come back as readable reasons, never as exceptions.
namespace PrivateFiles {

// Creates the folder and any missing parents, each with mode 0700.
bool makeFolders(const QString &folder, QString *error);

// Makes an existing folder 0700 again if it was left open. Only the folder itself, and only
// when it is the user's: a symbolic link in its place is left alone. False, with the reason,
// only when the change was needed and failed.
bool tighten(const QString &folder, QString *error);

// Gives the file a second name beside it, the first of `base`, `base-2`, ... `base-100` that is
// free, never replacing anything, and returns it. A hard link leaves the file in place; where
// links are refused, the file is renamed.
std::optional<QString> keepAside(const QString &path, const QString &base, QString *error);

// Receives the file's bytes piece by piece; returns false to stop on a failed write.
using Writer = std::function<bool(QByteArrayView)>;
// Writes a new file beside `path` with mode 0600 from the start, flushes it to the disk and
// renames it over `path`. Nothing is left behind on failure.
bool replace(const QString &path, const std::function<void(const Writer &)> &write, QString *error);

} // namespace PrivateFiles
