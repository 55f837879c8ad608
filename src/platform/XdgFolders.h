#pragma once

#include <QString>

// The per-user folders of the XDG base directory rules. An unset or relative variable is
// ignored, as the rules require; then the folder under the home folder is used.
namespace XdgFolders {

// $HOME, else the password database's entry; empty when neither names an absolute path.
QString home();
// $XDG_DATA_HOME, else ~/.local/share; empty without a home folder.
QString dataHome();
// $XDG_CONFIG_HOME, else ~/.config; empty without a home folder.
QString configHome();
// $XDG_CACHE_HOME, else ~/.cache; empty without a home folder.
QString cacheHome();
// $XDG_RUNTIME_DIR when it exists, else empty.
QString runtimeDir();

} // namespace XdgFolders
