#pragma once

#include <QString>

class KeyPoster;
class QDBusConnection;

// Typing the paste into the application in front, and everything the program does about the
// permission that needs: asking whether it is granted, the notice shown when it is not, and
// the places that help the user grant it. Main thread only; keeps no state of its own.
class AutoPaste {
public:
    explicit AutoPaste(KeyPoster &poster);

    // True when synthetic key presses reach other applications. Never asks the user.
    bool isProcessTrusted() const;

    // Asks again and, when trusted, types Ctrl+V into the focused window; otherwise does
    // nothing, silently.
    void autoPaste();

    // Brings the program to the front and tells the user the entry is on the clipboard and how
    // to enable auto-paste. Returns when dismissed; "Open System Settings" opens the help page.
    void showPasteNotice();

    // Opens the program's help page on auto-paste, the place where this desktop's equivalent of
    // the permission is explained.
    void openAccessibilitySettings();

    // Shows the running executable selected in the file manager, or else opens its folder.
    // Asynchronous: returns before the file manager answers.
    void revealApplicationBundle();
    void revealApplicationBundle(const QDBusConnection &bus);

    // True when APP_SANDBOX_CONTAINER_ID is set, whatever its value, even empty.
    static bool isSandboxed();

    // The installed help page on auto-paste for an executable in this folder: beside it in the
    // build folder, in ../share/tallowquill when installed, or in the XDG data folders. Empty
    // when there is none.
    static QString helpPagePath(const QString &executableFolder);

private:
    KeyPoster &m_poster;
};
