#pragma once

class LoginItem;

// Whether the program starts when the user logs in. The desktop's login item is the only
// record of it; the settings view and the welcome guide read and change it through here.

// The program's own login item (the XDG autostart entry of the running executable).
LoginItem &systemLoginItem();

// True when the login item is enabled.
bool launchAtLogin(const LoginItem &item = systemLoginItem());

// Registers or unregisters the login item unless it is already as wanted, logging a failure,
// and returns whether it is enabled afterwards: a switch showing the result falls back when
// the change did not take effect.
bool setLaunchAtLogin(bool wanted, LoginItem &item = systemLoginItem());
