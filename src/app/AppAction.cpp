#include "app/AppAction.h"

#include <array>
#include <utility>

namespace {
constexpr std::array<std::pair<AppAction, const char *>, 5> kNames{{
    {AppAction::ShowHistory, "show-history"},
    {AppAction::Settings, "settings"},
    {AppAction::GettingStarted, "getting-started"},
    {AppAction::ClearHistory, "clear-history"},
    {AppAction::Quit, "quit"},
}};
} // namespace

QString appActionName(AppAction action) {
    for (const auto &[each, name] : kNames)
        if (each == action)
            return QString::fromLatin1(name);
    return {};
}

std::optional<AppAction> appActionNamed(const QString &name) {
    for (const auto &[action, each] : kNames)
        if (name == QLatin1String(each))
            return action;
    return std::nullopt;
}
