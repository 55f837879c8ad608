#pragma once

#include <QString>

// The operating system's record of whether the program starts when the user logs in. It is
// the only record: nothing about it is kept in the settings.
class LoginItem {
public:
    enum class Status {
        notRegistered = 0,
        enabled = 1,
        switchedOff = 2, // the entry exists, but the desktop switched it off (Hidden, or disabled)
        notFound = 3,    // the program itself cannot be located
    };

    virtual ~LoginItem() = default;

    virtual Status status() const = 0;
    // Each returns true on success; otherwise false with a readable reason in *error.
    virtual bool registerItem(QString *error) = 0;
    virtual bool unregisterItem(QString *error) = 0;
};
