#include "platform/XdgFolders.h"

#include <QDir>
#include <QFile>

#include <pwd.h>
#include <unistd.h>

namespace XdgFolders {

namespace {

QString absoluteVariable(const char *name) {
    const QString value = qEnvironmentVariable(name);
    return QDir::isAbsolutePath(value) ? QDir::cleanPath(value) : QString();
}

QString underHome(const char *variable, const char *fallback) {
    if (QString folder = absoluteVariable(variable); !folder.isEmpty())
        return folder;
    const QString base = home();
    return base.isEmpty() ? QString()
                          : QDir::cleanPath(base + QLatin1Char('/') + QLatin1String(fallback));
}

} // namespace

QString home() {
    if (QString folder = absoluteVariable("HOME"); !folder.isEmpty())
        return folder;
    // Without HOME, the password database rather than "/".
    if (const passwd *entry = ::getpwuid(::getuid()); entry && entry->pw_dir) {
        const QString folder = QFile::decodeName(entry->pw_dir);
        if (QDir::isAbsolutePath(folder))
            return QDir::cleanPath(folder);
    }
    return {};
}

QString dataHome() {
    return underHome("XDG_DATA_HOME", ".local/share");
}

QString configHome() {
    return underHome("XDG_CONFIG_HOME", ".config");
}

QString cacheHome() {
    return underHome("XDG_CACHE_HOME", ".cache");
}

QString runtimeDir() {
    const QString folder = absoluteVariable("XDG_RUNTIME_DIR");
    return !folder.isEmpty() && QDir(folder).exists() ? folder : QString();
}

} // namespace XdgFolders
