#include "system/AutoPaste.h"

#include <QtGlobal>

AutoPaste::AutoPaste(KeyPoster &poster)
    : m_poster(poster) {}

bool AutoPaste::isProcessTrusted() const {
    return m_poster.isTrusted();
}

void AutoPaste::autoPaste(PasteChord chord) {
    // The answer may have changed since the entry was chosen.
    if (!m_poster.isTrusted())
        return;
    m_poster.postPaste(chord);
}

bool AutoPaste::isSandboxed() {
    return qEnvironmentVariableIsSet("APP_SANDBOX_CONTAINER_ID");
}
