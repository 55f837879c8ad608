#pragma once

#include "platform/KeyPoster.h"

class AutoPasteHelp;

// Brings the program to the front and tells the user the entry is on the clipboard, the chord
// that pastes it, and how to enable auto-paste. Returns when dismissed; its first button opens
// the help page.
void showPasteNotice(AutoPasteHelp &help, PasteChord chord, KeyTypist typist = KeyTypist::xtest);
