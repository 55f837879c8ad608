#pragma once

#include <QDBusConnection>
#include <QString>
#include <QUrl>

// Handing locations and files to the desktop's own programs, the same on every backend.
namespace DesktopHandoff {

// Opens the location with the desktop's handler for it (a web page, a local file).
void openLocation(const QUrl &location);
// Shows the file selected in the file manager that answers org.freedesktop.FileManager1 on the
// bus, else opens its folder. Returns before the file manager answers.
void revealFile(const QDBusConnection &bus, const QString &path);

} // namespace DesktopHandoff
