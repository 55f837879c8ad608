#pragma once

#include "app/AppAction.h"
#include "platform/ActivationToken.h"

#include <QDBusConnection>

#include <chrono>
#include <optional>

// A start that finds the program running hands its request over the session bus: the action, or
// for a plain start Activate, which brings the settings forward. The running copy may be starting
// itself, so its name is waited for up to `patience`, and the answer as long again. The exit
// status: 0 once it has answered; 1, after one line on standard error, when it cannot be reached
// or refuses. Needs a QCoreApplication.
// Whether a running copy has its name on the session bus now. Asked on a connection of its own,
// closed again, before there is an application: the program's own connection comes later.
bool runningProgramIsOnTheBus();

int sendToRunningProgram(std::optional<AppAction> action, const ActivationToken &token,
                         const QDBusConnection &bus,
                         std::chrono::milliseconds patience = std::chrono::seconds(5));
