#include "platform/PasteboardContract.h"
#include "platform/x11/X11Pasteboard.h"

#include "support/ClipboardClients.h"

// The pasteboard contract (PasteboardContract.h) over the in-memory pasteboard and the X11 one.

namespace {

using namespace tqtest;

// The in-memory pasteboard, also as one that cannot tell a clear from its owner quitting (as
// Wayland cannot), which reports both as the owner leaving.
template <bool tellsClears>
struct FakeBackend {
    FakePasteboard pasteboard{tellsClears};
    void copyElsewhere(const QByteArray &text) {
        pasteboard.offer({.string = QString::fromUtf8(text)});
    }
    void ownerQuits() { pasteboard.ownerLeaves(); }
    void ownerClears() { tellsClears ? pasteboard.offer({}) : pasteboard.ownerLeaves(); }
    bool catchUp() { return true; }
};

// With XFIXES, or looking at the clipboard as on a server without it.
template <SelectionWatcher::Detection detection>
struct X11Backend {
    X11Pasteboard pasteboard{detection};
    std::unique_ptr<ScriptedOwner> owner;
    void copyElsewhere(const QByteArray &text) {
        owner = std::make_unique<ScriptedOwner>("UTF8_STRING", text);
        EXPECT_TRUE(owner->owns());
    }
    void ownerQuits() { owner.reset(); }
    // Any client may give the selection up; the owner stays running.
    void ownerClears() { testDisplay().setOwner(XCB_NONE); }
    bool catchUp() { return waitForQtToCatchUp(); }
};

using Backends = ::testing::Types<FakeBackend<true>, FakeBackend<false>,
                                  X11Backend<SelectionWatcher::Detection::automatic>,
                                  X11Backend<SelectionWatcher::Detection::looking>>;
INSTANTIATE_TYPED_TEST_SUITE_P(X11, PasteboardContract, Backends);

} // namespace
