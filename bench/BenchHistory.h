#pragma once

#include "history/ClipboardMonitor.h"
#include "history/PinStore.h"
#include "settings/AppSettings.h"
#include "support/FakePasteboard.h"
#include "support/MemoryDefaultsStore.h"

#include <QTemporaryDir>

#include <memory>

namespace bench {

// The monitor with its collaborators, as the program builds it, over a fake pasteboard.
struct History {
    tqtest::FakePasteboard pasteboard;
    AppSettings settings{std::make_unique<MemoryDefaultsStore>()};
    QTemporaryDir pinsDir;
    PinStore pinStore{pinsDir.path()};
    ClipboardMonitor monitor{pasteboard, settings, pinStore};
};

} // namespace bench
