// What another program puts on the clipboard is a stranger's input. The real program, on a
// private X server, under owners that name local files, lie about types, send bombs, never
// answer or never finish: it stays responsive, bounded in memory, and records only what was
// copied.
#include "history/HistoryTestSupport.h"
#include "support/ClipboardClients.h"
#include "support/RealProgram.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <optional>

#include <sys/stat.h>

namespace {

using namespace tqtest;

[[maybe_unused]] const bool g_servesClipboard = serveClipboardIfAsked();

class HostileOwners : public ::testing::Test {
protected:
    HostileOwners() { EXPECT_TRUE(program.launched()); }

    // The entries recorded so far, as the program announces them.
    QStringList recorded() { return program.recorded(); }

    // A plain copy made now is recorded: capture goes on.
    bool recordsMarker() {
        const QString marker = QStringLiteral("marker %1").arg(++markers);
        return xclipCopy(QStringLiteral("UTF8_STRING"), marker.toUtf8()) &&
               waitFor(
                   [&] {
                       const QStringList lines = recorded();
                       return !lines.isEmpty() &&
                              lines.last().endsWith(QStringLiteral(": ") + marker);
                   },
                   patience);
    }

    // The shortcut shows the popup (however the owner behaves), and Escape closes it.
    bool popupOpens() {
        xdotool({QStringLiteral("key"), QStringLiteral("super+shift+v")});
        const bool opened = waitFor(popupShown, patience);
        xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
        return opened && waitFor([] { return !popupShown(); }, patience);
    }

    // The most memory the program has held, in MiB.
    qint64 peakMemory() const {
        QFile status(QStringLiteral("/proc/%1/status").arg(program.process.processId()));
        status.open(QIODevice::ReadOnly);
        const auto match = QRegularExpression(QStringLiteral("VmHWM:\\s+(\\d+) kB"))
                               .match(QString::fromLatin1(status.readAll()));
        return match.captured(1).toLongLong() / 1024;
    }

    QString home = resetHomeAfterTheGuide();
    RealProgram program;
    int markers = 0;
    int patience = 30'000; // how long the program may take to answer, in ms
};

TEST_F(HostileOwners, StayResponsiveAndRecordOnlyWhatWasCopied) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("pipe"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QFile sparse(dir.filePath(QStringLiteral("large")));
    ASSERT_TRUE(sparse.open(QIODevice::WriteOnly) && sparse.resize(qint64(1) << 30));
    QFile privateImage(dir.filePath(QStringLiteral("private.png")));
    ASSERT_TRUE(privateImage.open(QIODevice::WriteOnly));
    privateImage.write(testData("chromium/copy-image-png-alpha/image_png.png"));
    privateImage.close();
    const auto url = [](const QString &path) { return QUrl::fromLocalFile(path).toEncoded(); };
    const QByteArray svg = "<svg xmlns='http://www.w3.org/2000/svg' "
                           "xmlns:xlink='http://www.w3.org/1999/xlink' width='128' height='128'>"
                           "<image xlink:href='" +
                           url(privateImage.fileName()) + "' width='128' height='128'/></svg>";
    const auto page = [](const QByteArray &file) {
        return "<style>@import url(" + file + ");</style><div style='background-image:url(" + file +
               ")'>page <img src='" + file + "'></div>";
    };
    QByteArray garbage(4096, Qt::Uninitialized);
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(garbage.data()), 1024);
    garbage.prepend("\x89PNG\r\n\x1a\n");

    const struct {
        const char *name;
        OwnerScript script;
        const char *page; // the kind of entry "page" becomes; nothing but the marker if null
    } owners[] = {
        {"html naming /dev/zero",
         {OwnerBehaviour::Answers, {{"UTF8_STRING", "page"}, {"text/html", page("/dev/zero")}}, {}},
         "rich"},
        {"html naming a pipe",
         {OwnerBehaviour::Answers, {{"UTF8_STRING", "page"}, {"text/html", page(url(fifo))}}, {}},
         "rich"},
        {"html naming 1 GB",
         {OwnerBehaviour::Answers,
          {{"UTF8_STRING", "page"}, {"text/html", page(url(sparse.fileName()))}},
          {}},
         "rich"},
        {"svg naming a local image",
         {OwnerBehaviour::Answers, {{"image/svg+xml", svg}}, {}},
         nullptr},
        {"the same svg as png", {OwnerBehaviour::Answers, {{"image/png", svg}}, {}}, nullptr},
        {"garbage as png", {OwnerBehaviour::Answers, {{"image/png", garbage}}, {}}, nullptr},
        {"20000 x 20000 png",
         {OwnerBehaviour::Answers,
          {{"image/png", testData("images/generated/png-20000x20000-bomb.png")}},
          {}},
         nullptr},
        {"200 MB of text",
         {OwnerBehaviour::Answers, {{"UTF8_STRING", QByteArray(200 << 20, 'x')}}, {}, 1 << 20},
         nullptr},
        {"owner that never answers",
         {OwnerBehaviour::Silent, {{"UTF8_STRING", "page"}, {"text/html", page("x")}}, {}},
         nullptr},
        {"owner that trickles for ever",
         {OwnerBehaviour::TricklesForever,
          {{"UTF8_STRING", "page"}, {"text/html", QByteArray(1 << 20, 'h')}},
          {},
          4096},
         "text"},
    };
    for (const auto &owner : owners) {
        SCOPED_TRACE(owner.name);
        const qsizetype before = recorded().size();
        {
            ScriptedOwner copied(owner.script);
            ASSERT_TRUE(copied.owns());
            // The program has begun to read it.
            ASSERT_TRUE(waitFor([&] { return !copied.asked().isEmpty(); }));
            EXPECT_TRUE(popupOpens());
            // Opened while the owner was still being read, not after giving up on it.
            const int pieces = copied.piecesSent();
            if (owner.script.behaviour == OwnerBehaviour::TricklesForever) {
                EXPECT_TRUE(waitFor([&] { return copied.piecesSent() > pieces; }));
            }
            ASSERT_TRUE(recordsMarker()) << program.log.constData();
        }
        const QStringList lines = recorded().mid(before);
        EXPECT_EQ(lines.size(), owner.page ? 2 : 1) << program.log.constData();
        if (owner.page) {
            EXPECT_TRUE(lines.first().startsWith(QStringLiteral("tallowquill: recorded ") +
                                                 QLatin1String(owner.page)) &&
                        lines.first().endsWith(QStringLiteral(": page")))
                << lines.first().toStdString();
        }
    }
    EXPECT_LT(peakMemory(), 1024);
}

// Copies whose cost lies in the work done on them, not in their size: each is recorded in a sound
// form (or not at all) while the popup opens at once, the next copy is recorded, a copy put back
// when its owner quits costs the user interface nothing, and memory stays bounded; SIGTERM ends
// the program while a hostile copy is still being read. Without the bounds each of these kept the
// program busy for a minute or more, or took gigabytes.
TEST_F(HostileOwners, CostlyContentStaysBounded) {
    patience = 15'000;
    // zTXt: a keyword, its NUL, the method byte, then a zlib stream inflating to 8 MB.
    const QByteArray inflating =
        QByteArray("Comment\0\0", 9) + qCompress(QByteArray((8 << 20) - 64, '0'), 9).sliced(4);
    QByteArray textChunks;
    for (int i = 0; i < 80; ++i)
        textChunks += pngChunk("zTXt", inflating);
    const QByteArray marks =
        (u'a' + QString(80'000, u'\u0301') + QString(80'000, u'\u0316')).toUtf8();
    const auto nested = [](const QByteArray &tag, int depth) {
        return ('<' + tag + '>').repeated(depth) + "page" + ("</" + tag + '>').repeated(depth);
    };
    QByteArray boldRtf("{\\rtf1 ");
    while (boldRtf.size() < (16 << 20) - 16)
        boldRtf += "\\b a\\b0 a";
    boldRtf += '}';
    const auto page = [](const QByteArray &type, const QByteArray &bytes) {
        return OwnerScript{
            OwnerBehaviour::Answers, {{"UTF8_STRING", "page"}, {type, bytes}}, {}, 4 << 20};
    };

    const struct {
        const char *name;
        OwnerScript script;
        const char *kind; // of the entry recorded; nothing but the marker if null
        bool ownerQuits;  // and the entry is put back
    } owners[] = {
        {"png of 80 zTXt chunks inflating to 8 MB",
         {OwnerBehaviour::Answers,
          {{"image/png", withChunks(imageOf(qRgb(9, 9, 9), "PNG", QSize(8, 8)), textChunks)}},
          {}},
         "image",
         false},
        {"80,000 combining marks of two classes",
         {OwnerBehaviour::Answers, {{"UTF8_STRING", marks}}, {}},
         "text",
         false},
        {"one line of 40 MiB",
         {OwnerBehaviour::Answers, {{"UTF8_STRING", QByteArray(40 << 20, 'x')}}, {}, 4 << 20},
         "text",
         false},
        {"100,000 nested <b>", page("text/html", nested("b", 100'000)), "text", false},
        {"4 MiB of bare <p>", page("text/html", QByteArray("<p>").repeated((4 << 20) / 3)), "text",
         false},
        {"16 MiB of alternating bold RTF", page("text/rtf", boldRtf), "rich", true},
        {"a javascript: link", page("text/html", "<a href='javascript:alert(1)'>page</a>"), "rich",
         true},
        {"a TARGETS list over 64 KiB",
         {OwnerBehaviour::Answers, {{"UTF8_STRING", "page"}}, QByteArrayList(16'400, "STRING")},
         nullptr,
         false},
    };
    for (const auto &owner : owners) {
        SCOPED_TRACE(owner.name);
        const qsizetype before = recorded().size();
        std::optional<ScriptedOwner> copied(std::in_place, owner.script);
        ASSERT_TRUE(copied->owns());
        ASSERT_TRUE(waitFor([&] { return !copied->asked().isEmpty(); }));
        EXPECT_TRUE(popupOpens());
        if (owner.kind) {
            ASSERT_TRUE(waitFor([&] { return recorded().size() > before; }, patience));
        }
        if (owner.ownerQuits) {
            copied.reset();
            EXPECT_TRUE(waitFor([] { return xclipPaste() == "page"; }, patience));
            const QByteArray html =
                run(QStringLiteral("xclip"), {QStringLiteral("-o"), QStringLiteral("-selection"),
                                              QStringLiteral("clipboard"), QStringLiteral("-t"),
                                              QStringLiteral("text/html")});
            EXPECT_FALSE(html.contains("javascript:"));
            EXPECT_TRUE(popupOpens());
        }
        ASSERT_TRUE(recordsMarker()) << program.log.constData();
        const QStringList lines = recorded().mid(before);
        EXPECT_EQ(lines.size(), owner.kind ? 2 : 1) << program.log.constData();
        if (owner.kind) {
            EXPECT_TRUE(lines.first().startsWith(QStringLiteral("tallowquill: recorded ") +
                                                 QLatin1String(owner.kind)))
                << lines.first().toStdString();
        }
    }
    EXPECT_FALSE(program.lines(QStringLiteral("Tallowquill: clipboard \"TARGETS\"")).isEmpty())
        << program.log.constData();
    EXPECT_LT(peakMemory(), 1024);

    const OwnerScript deep = page("text/html", nested("div", 100'000));
    ScriptedOwner copied(deep);
    ASSERT_TRUE(waitFor([&] { return !copied.asked().isEmpty(); }));
    ::kill(static_cast<pid_t>(program.process.processId()), SIGTERM);
    EXPECT_TRUE(program.process.waitForFinished(patience));
    EXPECT_EQ(program.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.process.exitCode(), 0);
}

// Two programs copy ten thousand times as fast as they can: no crash, and the entries that were
// recorded keep each program's order.
TEST_F(HostileOwners, RacingCopiesKeepTheirOrder) {
    ScriptedOwner first(OwnerScript{OwnerBehaviour::Answers, {{"UTF8_STRING", "A"}}, {}, 0, 5000});
    ScriptedOwner second(OwnerScript{OwnerBehaviour::Answers, {{"UTF8_STRING", "B"}}, {}, 0, 5000});
    ASSERT_TRUE(waitFor([&] { return first.hasCopied() && second.hasCopied(); }, 60'000));
    ASSERT_TRUE(recordsMarker());
    ASSERT_EQ(program.process.state(), QProcess::Running);

    QHash<QChar, int> last;
    const QRegularExpression entry(QStringLiteral(", (\\d+) recent, .*: ([AB]) (\\d+)$"));
    for (const QString &line : recorded()) {
        const auto match = entry.match(line);
        if (!match.hasMatch())
            continue;
        EXPECT_LE(match.captured(1).toInt(), 50);
        const QChar owner = match.captured(2).at(0);
        const int number = match.captured(3).toInt();
        EXPECT_GE(number, last.value(owner)) << line.toStdString();
        last[owner] = number;
    }
}

} // namespace
