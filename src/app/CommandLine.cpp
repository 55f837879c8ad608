#include "app/CommandLine.h"

#include "platform/LogQuote.h"

#include <QString>

#include <cstdio>
#include <cstring>

namespace {
const char *const kUsage = "usage: tallowquill [--help | --version]";
} // namespace

std::optional<int> answerCommandLine(int argc, char **argv) {
    if (argc <= 1)
        return std::nullopt;
    const bool version = std::strcmp(argv[1], "--version") == 0;
    const bool help = std::strcmp(argv[1], "--help") == 0;
    if (argc == 2 && version) {
        std::printf("tallowquill %s\n", TQ_VERSION);
        return 0;
    }
    if (argc == 2 && help) {
        std::printf("%s; a clipboard history in the tray: Super+Shift+V opens it, its tray menu "
                    "has the settings\n",
                    kUsage);
        return 0;
    }
    const QString unexpected = QString::fromLocal8Bit(argv[version || help ? 2 : 1]);
    std::fprintf(stderr, "tallowquill: unexpected argument %s; %s\n",
                 logQuoted(unexpected).toUtf8().constData(), kUsage);
    return 2;
}
