#include "app/CommandLine.h"

#include "platform/LogQuote.h"

#include <QString>

#include <array>
#include <cstdio>
#include <cstring>
#include <utility>

namespace {

const char *const kUsage = "usage: tallowquill [--popup | --settings | --guide | --clear-history | "
                           "--quit | --help | --version]";

constexpr std::array<std::pair<const char *, AppAction>, 5> kActions{{
    {"--popup", AppAction::ShowHistory},
    {"--settings", AppAction::Settings},
    {"--guide", AppAction::GettingStarted},
    {"--clear-history", AppAction::ClearHistory},
    {"--quit", AppAction::Quit},
}};

const char *const kHelp =
    "A clipboard history in the tray: Super+Shift+V opens it, its tray menu has the settings.\n"
    "Started while it runs, it brings the running one's settings forward. The options ask the\n"
    "running one for one thing; the first three start it when none runs:\n"
    "  --popup          open or close the history popup, as the shortcut does\n"
    "  --settings       open the settings window\n"
    "  --guide          open the Getting Started guide\n"
    "  --clear-history  clear the history\n"
    "  --quit           quit it\n";

} // namespace

CommandLine readCommandLine(int argc, char **argv) {
    if (argc <= 1)
        return {};
    const bool version = std::strcmp(argv[1], "--version") == 0;
    const bool help = std::strcmp(argv[1], "--help") == 0;
    std::optional<AppAction> action;
    for (const auto &[option, each] : kActions)
        if (std::strcmp(argv[1], option) == 0)
            action = each;
    if (argc == 2 && version) {
        std::printf("tallowquill %s\n", TQ_VERSION);
        return {0, std::nullopt};
    }
    if (argc == 2 && help) {
        std::printf("%s\n%s", kUsage, kHelp);
        return {0, std::nullopt};
    }
    if (argc == 2 && action)
        return {std::nullopt, action};
    const QString unexpected = QString::fromLocal8Bit(argv[version || help || action ? 2 : 1]);
    std::fprintf(stderr, "tallowquill: unexpected argument %s; %s\n",
                 logQuoted(unexpected).toUtf8().constData(), kUsage);
    return {2, std::nullopt};
}
