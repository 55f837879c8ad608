#pragma once

class LoginItem;

// Whether the program starts when the user logs in. The desktop's login item is the only
// record of it; the settings view and the welcome guide read and change it through here.

// True when the login item is enabled.
bool launchAtLogin(const LoginItem &item);

// Registers or unregisters the login item unless it is already as wanted, logging a failure,
// and returns whether it is enabled afterwards: a switch showing the result falls back when
// the change did not take effect.
bool setLaunchAtLogin(bool wanted, LoginItem &item);
