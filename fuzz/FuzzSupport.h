#pragma once

#include "history/PasteboardCapture.h"
#include "support/FakePasteboard.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace tqfuzz {

inline QByteArray bytes(const uint8_t *data, size_t size) {
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// The entry one copy of exactly these flavours makes, read as the capture worker reads it.
inline std::optional<ClipboardItem> capture(tqtest::FakePasteboard::Contents offered) {
    tqtest::FakePasteboard pasteboard;
    pasteboard.offer(std::move(offered));
    return captureItem(*pasteboard.contents(), 0.0);
}

// A broken promise of the code is a finding like a crash: abort so that libFuzzer keeps the input.
inline void require(bool holds, const char *what) {
    if (holds)
        return;
    std::fprintf(stderr, "broken: %s\n", what);
    std::abort();
}

} // namespace tqfuzz
