#include "system/PasteChords.h"

#include <algorithm>
#include <iterator>

namespace PasteChords {

namespace {

using namespace Qt::StringLiterals;

// Terminal emulators whose default paste chord is Ctrl+Shift+V, by the instance or class they
// set, or the app_id of their Wayland windows, in lower case. xterm and urxvt are not here: they
// paste with other keys.
constexpr QLatin1StringView kControlShiftVClasses[] = {
    // VTE
    "gnome-terminal"_L1, "gnome-terminal-server"_L1, "xfce4-terminal"_L1, "tilix"_L1,
    "terminator"_L1, "guake"_L1, "mate-terminal"_L1, "lxterminal"_L1, "sakura"_L1, "tilda"_L1,
    "roxterm"_L1, "kgx"_L1, "org.gnome.console"_L1, "io.elementary.terminal"_L1,
    "com.raggesilver.blackbox"_L1,
    // Qt
    "konsole"_L1, "yakuake"_L1, "qterminal"_L1, "deepin-terminal"_L1, "cool-retro-term"_L1,
    // their own
    "alacritty"_L1, "kitty"_L1, "org.wezfurlong.wezterm"_L1, "com.mitchellh.ghostty"_L1, "st"_L1,
    "st-256color"_L1, "terminology"_L1, "hyper"_L1,
    // Wayland app_ids not among the above
    "foot"_L1, "footclient"_L1, "org.codeberg.dnkl.foot"_L1, "org.kde.konsole"_L1,
    "org.gnome.terminal"_L1, "com.gexperts.tilix"_L1};

} // namespace

PasteChord forWindowClass(const QStringList &windowClass) {
    for (const QString &part : windowClass) {
        const QString lower = part.toLower();
        if (std::find(std::begin(kControlShiftVClasses), std::end(kControlShiftVClasses), lower) !=
            std::end(kControlShiftVClasses))
            return PasteChord::controlShiftV;
    }
    return PasteChord::controlV;
}

PasteChord forWindow(Workspace &workspace, std::optional<Workspace::WindowId> window) {
    return window ? forWindowClass(workspace.windowClass(*window)) : PasteChord::controlV;
}

QString name(PasteChord chord) {
    return chord == PasteChord::controlShiftV ? QStringLiteral("Ctrl+Shift+V")
                                              : QStringLiteral("Ctrl+V");
}

} // namespace PasteChords
