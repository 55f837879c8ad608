#pragma once

#include <QString>

class Workspace;

// The places that help the user get auto-paste working: the program's own help page, where
// this desktop's equivalent of the permission is explained, and the program's executable in
// the file manager.
class AutoPasteHelp {
public:
    explicit AutoPasteHelp(Workspace &workspace)
        : m_workspace(workspace) {}

    // Opens the help page on auto-paste in the desktop's browser.
    void openHelpPage();

    // Shows the running executable selected in the file manager, or else opens its folder.
    void revealExecutable();

    // The installed help page for an executable in this folder: beside it in the build folder,
    // in ../share/tallowquill when installed, or in the XDG data folders. Empty when there is
    // none.
    static QString helpPagePath(const QString &executableFolder);

private:
    Workspace &m_workspace;
};
