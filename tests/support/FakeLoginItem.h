#pragma once

#include "platform/LoginItem.h"

namespace tqtest {

// A login item in memory that counts the changes asked of it; with `failure` set, every change
// fails with that reason.
class FakeLoginItem : public LoginItem {
public:
    Status current = Status::notRegistered;
    Status afterRegister = Status::enabled; // what the desktop makes of a registration
    QString failure;
    int registers = 0;
    int unregisters = 0;

    Status status() const override { return current; }
    bool registerItem(QString *error) override { return change(afterRegister, error, registers); }
    bool unregisterItem(QString *error) override {
        return change(Status::notRegistered, error, unregisters);
    }

private:
    bool change(Status next, QString *error, int &count) {
        ++count;
        if (!failure.isEmpty())
            return *error = failure, false;
        current = next;
        return true;
    }
};

} // namespace tqtest
