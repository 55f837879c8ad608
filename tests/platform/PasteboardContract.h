#pragma once

// One body for every pasteboard: the in-memory one of the unit tests and each real one, so the
// fake that the history's tests rely on cannot drift from the clipboards the program uses, where
// the monitor's rules live (what is a change, what is our own write, when an owner left). A
// pasteboard joins by a backend that plays the other programs of its desktop: it holds
// `pasteboard`, and offers copyElsewhere(text), ownerQuits(), ownerClears() and catchUp(), which
// returns once the pasteboard has heard of everything that happened before the call.

#include "platform/Pasteboard.h"
#include "support/FakePasteboard.h"
#include "support/TestEnvironment.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

template <typename Backend>
class PasteboardContract : public ::testing::Test {
protected:
    Pasteboard &pasteboard() { return backend.pasteboard; }
    // The real clipboard may report changes late: the count is judged once they are all in.
    void expectCount(qint64 count) {
        EXPECT_TRUE(tqtest::waitFor([&] { return pasteboard().changeCount() >= count; }));
        EXPECT_TRUE(backend.catchUp());
        EXPECT_EQ(pasteboard().changeCount(), count);
    }
    qint64 settledCount() {
        EXPECT_TRUE(backend.catchUp());
        return pasteboard().changeCount();
    }
    std::optional<QString> text() {
        return pasteboard().contents()->string(tqtest::kAnySize).value;
    }

    Backend backend;
};

TYPED_TEST_SUITE_P(PasteboardContract);

// Another program's copy is one change, told by `changed`, and not ours; our write is one change
// the moment it is made (the monitor's guard counts on it), stays one, and is ours until someone
// else copies.
TYPED_TEST_P(PasteboardContract, CopiesAndOurWritesAreOneChangeEach) {
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
TYPED_TEST_P(PasteboardContract, EmptyingIsOneChangeAndToldAsItHappened) {
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
            ASSERT_TRUE(tqtest::waitFor([&] { return !left.isEmpty(); }));
            EXPECT_TRUE(this->backend.catchUp());
            ASSERT_EQ(left.size(), 1);
            EXPECT_EQ(left.first().first().toLongLong(), before + 2);
        } else {
            EXPECT_TRUE(left.isEmpty());
        }
    }
}

// Writing an entry back reads back flavour by flavour.
TYPED_TEST_P(PasteboardContract, OurWriteReadsBack) {
    Pasteboard &pasteboard = this->pasteboard();
    const qint64 before = this->settledCount();
    const QByteArray rtf = QByteArrayLiteral("{\\rtf1\\ansi Gr\\u252?\\'fc\\'dfe}");
    const QString text = QStringLiteral("Grüße  \n");
    pasteboard.setContents({.string = text, .rtf = rtf, .html = QByteArrayLiteral("<p>Grüße</p>")});
    this->expectCount(before + 1);
    EXPECT_EQ(pasteboard.contents()->string(tqtest::kAnySize).value, text);
    EXPECT_EQ(pasteboard.contents()->rtfData(tqtest::kAnySize).value, rtf);
    EXPECT_EQ(pasteboard.contents()->htmlData(tqtest::kAnySize).value,
              QByteArrayLiteral("<p>Grüße</p>"));
    EXPECT_FALSE(pasteboard.contents()->image(tqtest::kAnySize).value.has_value());
    EXPECT_FALSE(pasteboard.contents()->isConcealed());

    const QByteArray png = QByteArrayLiteral("\x89PNG\r\n\x1a\n not decoded by the pasteboard");
    pasteboard.setContents({.png = png});
    this->expectCount(before + 2);
    const std::optional<PasteboardImage> image =
        pasteboard.contents()->image(tqtest::kAnySize).value;
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->data, png);
    EXPECT_EQ(image->mimeType, QByteArrayLiteral("image/png"));
    EXPECT_FALSE(pasteboard.contents()->string(tqtest::kAnySize).value.has_value());
    EXPECT_FALSE(pasteboard.contents()->rtfData(tqtest::kAnySize).value.has_value());
}

// A write that stops after clearing (an image that cannot be built) is one change and leaves
// nothing to read.
TYPED_TEST_P(PasteboardContract, ClearingAloneEmptiesIt) {
    Pasteboard &pasteboard = this->pasteboard();
    pasteboard.setContents({.string = QStringLiteral("before")});
    const qint64 before = this->settledCount();
    pasteboard.setContents({});
    this->expectCount(before + 1);
    EXPECT_FALSE(pasteboard.contents()->string(tqtest::kAnySize).value.has_value());
    EXPECT_FALSE(pasteboard.contents()->rtfData(tqtest::kAnySize).value.has_value());
    EXPECT_FALSE(pasteboard.contents()->htmlData(tqtest::kAnySize).value.has_value());
    EXPECT_FALSE(pasteboard.contents()->image(tqtest::kAnySize).value.has_value());
}

REGISTER_TYPED_TEST_SUITE_P(PasteboardContract, CopiesAndOurWritesAreOneChangeEach,
                            EmptyingIsOneChangeAndToldAsItHappened, OurWriteReadsBack,
                            ClearingAloneEmptiesIt);
