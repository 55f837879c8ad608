#pragma once

#include <QString>

#include <optional>

// What the tray menu offers, as other programs ask for it.
enum class AppAction { ShowHistory, Settings, GettingStarted, ClearHistory, Quit };

// The name org.freedesktop.Application's ActivateAction knows it by: "show-history", "settings",
// "getting-started", "clear-history", "quit".
QString appActionName(AppAction action);
// The action of that name; none for a name no action has.
std::optional<AppAction> appActionNamed(const QString &name);
