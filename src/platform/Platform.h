#pragma once

class KeyPoster;
class LoginItem;
class Pasteboard;
class TrayPresence;
class Workspace;

// The operating system as the program's logic reaches it: made once by main() and handed down,
// so that nothing in the logic picks a platform of its own. The shortcut's grab and the settings
// store go straight into the objects that own them.
struct Platform {
    Pasteboard &pasteboard;
    Workspace &workspace;
    KeyPoster &keyPoster;
    LoginItem &loginItem;
    TrayPresence &trays;
};
