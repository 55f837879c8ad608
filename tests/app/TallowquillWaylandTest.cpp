// The real program on the Wayland backend, under a headless sway, with wl-copy and wl-paste as
// the other programs.
#include "support/SwayClients.h"
#include "support/TestEnvironment.h"

#include <QBuffer>
#include <QImage>

#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace tqtest;

class TallowquillWayland : public ::testing::Test {
protected:
    QString home = resetHomeAfterTheGuide();
};

} // namespace

// Text, HTML with text and a PNG are recorded as what they are; the popup lists the latest
// first; an owner that quits, or another program's clear, leaves the recorded entry on the
// clipboard, which is our write and not recorded again.
TEST_F(TallowquillWayland, RecordsAndKeepsTheClipboard) {
    RealProgram program;
    ASSERT_TRUE(program.launched()) << program.log.constData();
    EXPECT_EQ(program.lines(QStringLiteral("Tallowquill: running on Wayland")).size(), 1);

    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    image.save(&png, "PNG");
    const struct {
        QByteArray bytes;
        QString type;
        const char *recorded;
    } copies[] = {
        {png.data(), QStringLiteral("image/png"), "recorded image, "},
        {"<b>bold</b> words", QStringLiteral("text/html"), "recorded rich, "},
        {"plain words", {}, "recorded text, "},
    };
    // Each owner is left to quit when the next copy replaces it: killed before, it would take
    // its copy along, and the program would put the entry back over the next one.
    std::vector<std::unique_ptr<QProcess>> owners;
    for (const auto &copy : copies) {
        owners.push_back(recordedCopy(program, copy.bytes, copy.type));
        ASSERT_TRUE(owners.back()) << program.log.constData();
        EXPECT_TRUE(program.recorded().last().contains(QLatin1String(copy.recorded)))
            << program.recorded().last().toStdString();
    }

    RealProgram popup(programEnvironment(), {QStringLiteral("--popup")});
    EXPECT_TRUE(waitFor([&] {
        return !program.lines(QStringLiteral("tallowquill: popup painted")).isEmpty();
    })) << program.log.constData();
    EXPECT_TRUE(program.lines(QStringLiteral("tallowquill: popup painted"))
                    .constFirst()
                    .endsWith(QStringLiteral("3 rows, first: plain words")));

    owners.back()->kill();
    owners.back()->waitForFinished();
    EXPECT_TRUE(waitFor([] { return wlPaste() == "plain words"; }));
    owners.push_back(wlCopy("soon cleared"));
    ASSERT_TRUE(program.waitForRecorded(QStringLiteral("soon cleared")));
    const qsizetype recorded = program.recorded().size();
    run(QStringLiteral("wl-copy"), {QStringLiteral("--clear")});
    EXPECT_TRUE(waitFor([] { return wlPaste() == "soon cleared"; }));
    EXPECT_EQ(program.recorded().size(), recorded);
}
