#include "system/AutoPaste.h"

#include "platform/KeyPoster.h"

#include <QtGlobal>

AutoPaste::AutoPaste(KeyPoster &poster)
    : m_poster(poster) {}

bool AutoPaste::isProcessTrusted() const {
    return m_poster.isTrusted();
}

void AutoPaste::autoPaste() {
    // The answer may have changed since the entry was chosen.
    if (!m_poster.isTrusted())
        return;
    m_poster.postPaste();
}

bool AutoPaste::isSandboxed() {
    return qEnvironmentVariableIsSet("APP_SANDBOX_CONTAINER_ID");
}
