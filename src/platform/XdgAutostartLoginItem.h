#pragma once

#include "platform/LoginItem.h"

#include <QString>

#include <optional>

// The login item as an XDG autostart entry, $XDG_CONFIG_HOME/autostart/tallowquill.desktop
// (by default ~/.config/autostart). The folder is found afresh from the environment on every
// call. An entry the desktop switched off (Hidden=true or X-GNOME-Autostart-enabled=false)
// requires approval; one that starts some other executable counts as not registered.
class XdgAutostartLoginItem : public LoginItem {
public:
    // For the running executable.
    XdgAutostartLoginItem() = default;
    // For this executable; an empty path means it is unknown.
    explicit XdgAutostartLoginItem(QString executablePath);

    Status status() const override;
    bool registerItem(QString *error) override;
    bool unregisterItem(QString *error) override;

    // At start: an enabled entry whose Exec names a tallowquill that no longer exists (the build
    // folder tried before the package was installed) is written again for this executable, in
    // one log line. An entry the desktop switched off, or one for a copy that exists, is left.
    void retargetDeadEntry();

    QString entryPath() const;
    QString executablePath() const;

    // The Exec= value that starts the program at this absolute path, quoted and escaped so
    // that a desktop-entry reader gets the path back unchanged.
    static QString execValue(const QString &program);

private:
    std::optional<QString> m_executablePath;
};
