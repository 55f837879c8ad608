#include "platform/x11/X11Pasteboard.h"
#include "support/FakePasteboard.h"

#include "support/ClipboardClients.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

// One body for every pasteboard: the in-memory one of the unit tests and each real one, so the
// fake that the history's tests rely on cannot drift from the clipboards the program uses, where
// the monitor's rules live (what is a change, what is our own write, when an owner left). A
// pasteboard joins by a backend below that plays the other programs of its desktop.

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
};

template <typename Backend>
class PasteboardContract : public ::testing::Test {
protected:
    Pasteboard &pasteboard() { return backend.pasteboard; }
    // The real clipboard may report changes late: the count is judged once they are all in.
    void expectCount(qint64 count) {
        EXPECT_TRUE(waitFor([&] { return pasteboard().changeCount() >= count; }));
        EXPECT_TRUE(waitForQtToCatchUp());
        EXPECT_EQ(pasteboard().changeCount(), count);
    }
    qint64 settledCount() {
        EXPECT_TRUE(waitForQtToCatchUp());
        return pasteboard().changeCount();
    }
    std::optional<QString> text() { return pasteboard().contents()->string(kAnySize).value; }

    Backend backend;
};

using Backends = ::testing::Types<FakeBackend<true>, FakeBackend<false>,
                                  X11Backend<SelectionWatcher::Detection::automatic>,
                                  X11Backend<SelectionWatcher::Detection::looking>>;
TYPED_TEST_SUITE(PasteboardContract, Backends);

// Another program's copy is one change, told by `changed`, and not ours; our write is one change
// the moment it is made (the monitor's guard counts on it), stays one, and is ours until someone
// else copies.
TYPED_TEST(PasteboardContract, CopiesAndOurWritesAreOneChangeEach) {
    Pasteboard &pasteboard = this->pasteboard();
    QSignalSpy changed(&pasteboard, &Pasteboard::changed);
    QSignalSpy left(&pasteboard, &Pasteboard::ownerLeft);
    const qint64 before = this->settledCount();

    const auto foreignCopy = [&](const QByteArray &text, qint64 count) {
        changed.clear();
        this->backend.copyElsewhere(text);
        this->expectCount(count);
        EXPECT_FALSE(changed.isEmpty());
        EXPECT_FALSE(pasteboard.holdsOwnWrite());
        EXPECT_EQ(this->text(), QString::fromUtf8(text));
    };
    foreignCopy("theirs", before + 1);

    pasteboard.setContents({.string = QStringLiteral("ours")});
    EXPECT_EQ(pasteboard.changeCount(), before + 2);
    this->expectCount(before + 2);
    EXPECT_TRUE(pasteboard.holdsOwnWrite());
    EXPECT_EQ(this->text(), QStringLiteral("ours"));

    foreignCopy("theirs again", before + 3);
    EXPECT_TRUE(left.isEmpty());
}

// An owner quitting empties the clipboard in one change, told once by ownerLeft with that
// change. A deliberate clear is a change too, and no owner leaving, where the pasteboard can
// tell the two apart; where it cannot, it is told as one.
TYPED_TEST(PasteboardContract, EmptyingIsOneChangeAndToldAsItHappened) {
    Pasteboard &pasteboard = this->pasteboard();
    for (const bool quits : {true, false}) {
        SCOPED_TRACE(quits ? "owner quits" : "owner clears");
        const qint64 before = this->settledCount();
        this->backend.copyElsewhere("soon gone");
        this->expectCount(before + 1);
        QSignalSpy left(&pasteboard, &Pasteboard::ownerLeft);
        quits ? this->backend.ownerQuits() : this->backend.ownerClears();
        this->expectCount(before + 2);
        EXPECT_FALSE(this->text().has_value());
        if (quits || !pasteboard.tellsClearFromOwnerLeaving()) {
            ASSERT_TRUE(waitFor([&] { return !left.isEmpty(); }));
            EXPECT_TRUE(waitForQtToCatchUp());
            ASSERT_EQ(left.size(), 1);
            EXPECT_EQ(left.first().first().toLongLong(), before + 2);
        } else {
            EXPECT_TRUE(left.isEmpty());
        }
    }
}

// Writing an entry back reads back flavour by flavour.
TYPED_TEST(PasteboardContract, OurWriteReadsBack) {
    Pasteboard &pasteboard = this->pasteboard();
    const qint64 before = this->settledCount();
    const QByteArray rtf = QByteArrayLiteral("{\\rtf1\\ansi Gr\\u252?\\'fc\\'dfe}");
    const QString text = QStringLiteral("Grüße  \n");
    pasteboard.setContents({.string = text, .rtf = rtf, .html = QByteArrayLiteral("<p>Grüße</p>")});
    this->expectCount(before + 1);
    EXPECT_EQ(pasteboard.contents()->string(kAnySize).value, text);
    EXPECT_EQ(pasteboard.contents()->rtfData(kAnySize).value, rtf);
    EXPECT_EQ(pasteboard.contents()->htmlData(kAnySize).value, QByteArrayLiteral("<p>Grüße</p>"));
    EXPECT_FALSE(pasteboard.contents()->image(kAnySize).value.has_value());
    EXPECT_FALSE(pasteboard.contents()->isConcealed());

    const QByteArray png = QByteArrayLiteral("\x89PNG\r\n\x1a\n not decoded by the pasteboard");
    pasteboard.setContents({.png = png});
    this->expectCount(before + 2);
    const std::optional<PasteboardImage> image = pasteboard.contents()->image(kAnySize).value;
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->data, png);
    EXPECT_EQ(image->mimeType, QByteArrayLiteral("image/png"));
    EXPECT_FALSE(pasteboard.contents()->string(kAnySize).value.has_value());
    EXPECT_FALSE(pasteboard.contents()->rtfData(kAnySize).value.has_value());
}

// A write that stops after clearing (an image that cannot be built) is one change and leaves
// nothing to read.
TYPED_TEST(PasteboardContract, ClearingAloneEmptiesIt) {
    Pasteboard &pasteboard = this->pasteboard();
    pasteboard.setContents({.string = QStringLiteral("before")});
    const qint64 before = this->settledCount();
    pasteboard.setContents({});
    this->expectCount(before + 1);
    EXPECT_FALSE(pasteboard.contents()->string(kAnySize).value.has_value());
    EXPECT_FALSE(pasteboard.contents()->rtfData(kAnySize).value.has_value());
    EXPECT_FALSE(pasteboard.contents()->htmlData(kAnySize).value.has_value());
    EXPECT_FALSE(pasteboard.contents()->image(kAnySize).value.has_value());
}

} // namespace
