// A copy made the way every Wayland application makes one (a focused window setting the
// selection through the seat's data device) reaches the program through data control.
#include "support/RealProgram.h"
#include "support/TestEnvironment.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QRasterWindow>

#include <gtest/gtest.h>

namespace {

class Editor : public QRasterWindow {
public:
    bool keyed = false;

protected:
    void keyPressEvent(QKeyEvent *) override { keyed = true; }
};

} // namespace

TEST(NativeCopy, IsRecorded) {
    tqtest::resetHomeAfterTheGuide();
    tqtest::RealProgram program;
    ASSERT_TRUE(program.launched()) << program.log.constData();
    Editor window;
    window.resize(200, 100);
    window.show();
    // The compositor takes a selection only with the serial of an input event, as a key's.
    ASSERT_TRUE(tqtest::waitFor([&] { return window.isActive(); }));
    tqtest::run(QStringLiteral("wtype"), {QStringLiteral("-k"), QStringLiteral("Shift_L")});
    ASSERT_TRUE(tqtest::waitFor([&] { return window.keyed; }));
    QGuiApplication::clipboard()->setText(QStringLiteral("copied in a native window"));
    EXPECT_TRUE(program.waitForRecorded(QStringLiteral("copied in a native window")))
        << program.log.constData();
}
