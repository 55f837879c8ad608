// The Debian package as a user gets it: made by cpack from this build folder, unpacked with
// dpkg -x into a temporary root, and its program started from there on a private X server.
#include "support/RealProgram.h"
#include "support/TestEnvironment.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace tqtest;

TEST(Package, UnpackedItHoldsItsFilesDependsOnWhatItLoadsAndRuns) {
    QTemporaryDir work;
    ASSERT_EQ(QProcess::execute(QStringLiteral(TQ_CPACK),
                                {QStringLiteral("--config"),
                                 QStringLiteral(TQ_BINARY_DIR "/CPackConfig.cmake"),
                                 QStringLiteral("-B"), work.path()}),
              0);
    const QString deb = work.filePath(
        QDir(work.path()).entryList({QStringLiteral("tallowquill_" TQ_VERSION "_*.deb")}).value(0));
    const QString root = work.filePath(QStringLiteral("root/"));
    ASSERT_EQ(QProcess::execute(QStringLiteral("dpkg"), {QStringLiteral("-x"), deb, root}), 0);

    const QString desktop =
        QStringLiteral("usr/share/applications/org.tallowquill.Tallowquill.desktop");
    const QString metainfo =
        QStringLiteral("usr/share/metainfo/org.tallowquill.Tallowquill.metainfo.xml");
    QStringList expected = {QStringLiteral("usr/bin/tallowquill"),
                            desktop,
                            metainfo,
                            QStringLiteral("usr/share/doc/tallowquill/copyright"),
                            QStringLiteral("usr/share/icons/hicolor/scalable/apps/tallowquill.svg"),
                            QStringLiteral("usr/share/tallowquill/auto-paste.html")};
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        expected << QStringLiteral("usr/share/icons/hicolor/%1x%1/apps/tallowquill.png").arg(size);
        EXPECT_EQ(QImage(root + expected.last()).size(), QSize(size, size));
    }
    QStringList files = filesUnder(root);
    files.sort();
    expected.sort();
    EXPECT_EQ(files, expected);
    EXPECT_EQ(QProcess::execute(QStringLiteral("desktop-file-validate"), {root + desktop}), 0);
    // The entry and its actions start the installed program by its absolute path, and the
    // metainfo launches that entry.
    const QString entry = QString::fromUtf8(readFile(root + desktop));
    EXPECT_TRUE(entry.contains(QStringLiteral("\nExec=/usr/bin/tallowquill\n")));
    const struct {
        const char *id, *name, *option;
    } actions[] = {{"ShowHistory", "Show Clipboard History", "--popup"},
                   {"Settings", "Settings", "--settings"},
                   {"GettingStarted", "Getting Started", "--guide"},
                   {"ClearHistory", "Clear History", "--clear-history"},
                   {"Quit", "Quit Tallowquill", "--quit"}};
    QStringList ids;
    for (const auto &action : actions) {
        ids << QLatin1String(action.id);
        EXPECT_TRUE(entry.contains(QStringLiteral("[Desktop Action %1]\nName=%2\nExec=/usr/bin/"
                                                  "tallowquill %3\n")
                                       .arg(QLatin1String(action.id), QLatin1String(action.name),
                                            QLatin1String(action.option))))
            << action.id;
    }
    EXPECT_TRUE(entry.contains(QStringLiteral("\nActions=") + ids.join(u';') + u';'));
    EXPECT_TRUE(QString::fromUtf8(readFile(root + metainfo))
                    .contains(QStringLiteral(">") + QFileInfo(desktop).fileName() +
                              QStringLiteral("</launchable>")));
    EXPECT_EQ(QProcess::execute(
                  QStringLiteral("appstreamcli"),
                  {QStringLiteral("validate"), QStringLiteral("--no-net"), root + metainfo}),
              0);

    resetHomeAfterTheGuide();
    RealProgram program(programEnvironment(), {}, root + QStringLiteral("usr/bin/tallowquill"));
    ASSERT_TRUE(program.launched()) << program.log.constData();
    ASSERT_TRUE(xclipCopy(QStringLiteral("UTF8_STRING"), "copied for the package"));
    ASSERT_TRUE(program.waitForRecorded(QStringLiteral("copied for the package")));
    // A WebP copy: its plugin is loaded only now.
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QByteArray webp;
    QBuffer buffer(&webp);
    ASSERT_TRUE(picture.save(&buffer, "WEBP"));
    ASSERT_TRUE(xclipCopy(QStringLiteral("image/webp"), webp));
    ASSERT_TRUE(waitFor([&] { return program.recorded().size() == 2; }));
    xdotool({QStringLiteral("key"), QStringLiteral("super+shift+v")});
    EXPECT_TRUE(waitFor(popupShown));

    // What shlibdeps cannot see: the package depends on the package of every Qt plugin the
    // program has loaded by now (the xcb platform, the SVG icon engine, WebP).
    const QStringList depends =
        QString::fromUtf8(run(QStringLiteral("dpkg-deb"),
                              {QStringLiteral("--field"), deb, QStringLiteral("Depends")}))
            .split(QRegularExpression(QStringLiteral(" *[,|] *| \\([^)]*\\)")));
    EXPECT_TRUE(depends.contains(QStringLiteral("libc6"))) << "no shlibdeps";
    const QString maps = QString::fromUtf8(
        readFile(QStringLiteral("/proc/%1/maps").arg(program.process.processId())));
    QSet<QString> plugins;
    for (const auto &match :
         QRegularExpression(QStringLiteral("/\\S+/qt6/plugins/\\S+")).globalMatch(maps))
        plugins.insert(match.captured());
    EXPECT_TRUE(maps.contains(QStringLiteral("/platforms/libqxcb.so")));
    EXPECT_TRUE(maps.contains(QStringLiteral("/imageformats/libqwebp.so")));
    for (const QString &plugin : plugins) {
        const QString owner = QString::fromUtf8(
            run(QStringLiteral("dpkg-query"), {QStringLiteral("--search"), plugin}));
        EXPECT_TRUE(depends.contains(owner.section(u':', 0, 0))) << owner.toStdString();
    }
}

} // namespace
