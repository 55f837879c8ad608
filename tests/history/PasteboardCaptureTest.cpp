#include "history/PasteboardCapture.h"
#include "HistoryTestSupport.h"
#include "history/formats/InertTextDocument.h"
#include "platform/SystemLog.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

using namespace tqtest;
using Kind = ClipboardItem::Kind;

// A real copy as its program offered it: text, with RTF and HTML when it offered them.
Offer copied(const QString &dir) {
    const auto path = [&dir](const char *target) { return dir + QLatin1String(target); };
    Offer offer = Offer().text(QString::fromUtf8(testData(path("/UTF8_STRING.txt"))));
    if (QFile::exists(QStringLiteral(TQ_TEST_DATA_DIR "/clipboard/") + path("/text_rtf.rtf")))
        offer.rtf(testData(path("/text_rtf.rtf")));
    if (QFile::exists(QStringLiteral(TQ_TEST_DATA_DIR "/clipboard/") + path("/text_html.html")))
        offer.html(testData(path("/text_html.html")));
    return offer;
}

std::optional<ClipboardItem> capture(const Offer &offer) {
    FakePasteboard pasteboard;
    pasteboard.offer(offer);
    return captureItem(*pasteboard.contents(), 42.0);
}

// Which flavour wins, what text is kept and whether the entry holds a link, for made-up and for
// real copies: plain text untrimmed; RTF kept byte for byte (a word processor's trailing NUL
// too); else HTML converted; a javascript: anchor is no link; secrets and blanks give nothing.
TEST(PasteboardCaptureTest, TextAndRichCopies) {
    const QString word = QStringLiteral("  word  ");
    const QByteArray linkRtf("{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"https://a.example/\"}"
                             "{\\fldrslt here}}}");
    const QString html = QStringLiteral("rich/");
    const struct {
        Offer offer;
        std::optional<Kind> kind; // absent: nothing captured
        bool link;
    } cases[] = {
        {Offer().text(word), Kind::text, false},
        {Offer().text(QStringLiteral(" \n\t\u2028")), {}, false},
        {Offer().text(QString()).image("not an image"), {}, false},
        {Offer().text(word).concealed(), {}, false},
        {Offer().text(QStringLiteral("see https://example.org")), Kind::text, true},
        {Offer().text(word).rtf(linkRtf).html("<i>other</i>"), Kind::rich, true},
        {Offer().text(word).rtf("").html("<b>word</b>"), Kind::rich, false},
        {Offer().text(word).rtf("not rtf"), Kind::text, false},
        {Offer().text(word).html("<html><body> </body></html>"), Kind::text, false},
        {Offer().text(word).image(imageOf(qRgb(0, 0, 0))), Kind::text, false},
        {Offer().text(word).html(testData(html + QStringLiteral("utf16le-bom.html"))), Kind::rich,
         true},
        {Offer().text(word).html(testData(html + QStringLiteral("anchor-javascript-only.html"))),
         Kind::rich, false},
        {Offer().text(word).rtf(testData(QStringLiteral("rich/unbalanced-braces.rtf"))), Kind::rich,
         false},
        {copied(QStringLiteral("chromium/selectall-rich-basic")), Kind::rich, true},
        {copied(QStringLiteral("chromium/selectall-links-hidden")), Kind::rich, true},
        {copied(QStringLiteral("chromium/selectall-no-link")), Kind::rich, false},
        {copied(QStringLiteral("chromium/textarea-with-url")), Kind::text, true},
        {copied(QStringLiteral("libreoffice/writer-find-one-link-odt")), Kind::rich, true},
        {copied(QStringLiteral("libreoffice/writer-selectall-no-link-odt")), Kind::rich, false},
    };
    for (const auto &c : cases) {
        const FakePasteboard::Contents &offered = c.offer.contents;
        SCOPED_TRACE(offered.string.value_or(QString()).left(30).toStdString());
        const std::optional<ClipboardItem> item = capture(c.offer);
        ASSERT_EQ(item.has_value(), c.kind.has_value());
        if (!item)
            continue;
        EXPECT_EQ(item->kind, *c.kind);
        EXPECT_EQ(item->containsLink, c.link);
        EXPECT_EQ(item->text, *offered.string);
        EXPECT_EQ(item->copiedAt, 42.0);
        EXPECT_FALSE(item->imageData);
        if (item->kind == Kind::rich && offered.rtf && !offered.rtf->isEmpty()) {
            EXPECT_EQ(item->rtfData, offered.rtf);
        } else if (item->kind == Kind::rich) {
            EXPECT_TRUE(item->rtfData->startsWith("{\\rtf"));
        }
    }
}

// HTML past a bound of its shape is not given to Qt's reader: the copy is kept as its plain
// text, with one line saying what was over.
TEST(PasteboardCaptureTest, HtmlPastItsBoundsIsKeptAsText) {
    const QByteArray html = QByteArray("<b>").repeated(CaptureLimits::htmlDepth + 1) + "word";
    SystemLog::Capture log;
    const std::optional<ClipboardItem> item =
        capture(Offer().text(QStringLiteral("word")).html(html));
    ASSERT_TRUE(item);
    EXPECT_EQ(item->kind, Kind::text);
    EXPECT_FALSE(item->rtfData);
    EXPECT_EQ(log.lines(), QStringList{QStringLiteral("Tallowquill: clipboard \"text/html\" of %1 "
                                                      "bytes nests %2 deep, over the limit of %3; "
                                                      "recorded as plain text")
                                           .arg(html.size())
                                           .arg(CaptureLimits::htmlDepth + 1)
                                           .arg(CaptureLimits::htmlDepth)});
}

// Copied HTML names local files through images, backgrounds and style sheets, and none is read.
// (Files that never end, such as /dev/zero, are HostileOwnersX11Test's.)
TEST(PasteboardCaptureTest, HtmlNeverLoadsResources) {
    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("private.png"));
    QFile file(png);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(imageOf(qRgb(1, 2, 3))) > 0);
    file.close();
    const QUrl url = QUrl::fromLocalFile(png);
    const QString html =
        QStringLiteral("<link rel=stylesheet href='%1'><style>@import '%1';</style>"
                       "<div style='background-image:url(%1)'>hi <img src='%1'>")
            .arg(url.toString());
    QTextDocument stock;
    stock.setHtml(html);
    ASSERT_TRUE(stock.resource(QTextDocument::ImageResource, url).isValid());
    InertTextDocument inert;
    inert.setHtml(html);
    EXPECT_FALSE(inert.resource(QTextDocument::ImageResource, url).isValid());
    EXPECT_FALSE(inert.resource(QTextDocument::StyleSheetResource, url).isValid());
}

// Images are stored as PNG: PNG bytes as they came (up to the pixel bound), any other raster
// format converted the right way up; a vector image (it could name local files), a bomb, a
// damaged or fake image gives no entry, one log line without content, and no crash.
TEST(PasteboardCaptureTest, Images) {
    const struct {
        const char *file;
        QSize size; // invalid: nothing captured
    } cases[] = {
        {"chromium/copy-image-png-alpha/image_png.png", QSize(128, 128)},
        {"images/generated/png-8000x8000-rgb-gradient.png", QSize(8000, 8000)},
        {"libreoffice/writer-copy-picture-broken-link/image_bmp.bmp", QSize(133, 133)},
        {"images/generated/jpeg-exif-orientation-6.jpg", QSize(160, 320)},
        {"images/generated/tiff-2-pages.tiff", QSize(120, 80)},
        {"images/debian/gif-animated-2-frames.gif", QSize(164, 180)},
        {"images/debian/svg-icon-libreoffice-writer.svg", QSize()},
        {"images/generated/png-20000x20000-bomb.png", QSize()},
        {"images/generated/png-bad-idat-crc.png", QSize()},
        {"images/generated/png-is-actually-text.png", QSize()},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        const QByteArray bytes = testData(QString::fromLatin1(c.file));
        SystemLog::Capture log;
        // The claimed type is not trusted: the content decides.
        const std::optional<ClipboardItem> item = capture(Offer().text(QString()).image(bytes));
        ASSERT_EQ(item.has_value(), c.size.isValid());
        if (!item) {
            ASSERT_EQ(log.lines().size(), 1);
            EXPECT_TRUE(
                log.lines()[0].startsWith(QStringLiteral("Tallowquill: failed to read image: ")));
            continue;
        }
        EXPECT_EQ(item->kind, Kind::image);
        EXPECT_EQ(item->text, QStringLiteral("Image"));
        EXPECT_FALSE(item->containsLink || item->rtfData);
        if (bytes.startsWith("\x89PNG")) {
            EXPECT_EQ(item->imageData, bytes);
        } else {
            EXPECT_EQ(QImage::fromData(*item->imageData, "PNG").size(), c.size);
        }
    }
}

// A PNG is kept as sent but for text chunks over 4 KiB and ancillary chunks of unknown kinds,
// dropped whole wherever they are, with one log line; a PNG with neither stays byte for byte.
TEST(PasteboardCaptureTest, PngKeepsAllButBigTextsAndUnknownChunks) {
    const QByteArray png = imageOf(qRgb(1, 2, 3));
    const QByteArray known = pngChunk("tIME", QByteArray("\x07\xe8\1\2\3\4\5", 7)) +
                             pngChunk("sRGB", QByteArray(1, '\0'));
    const QByteArray longestText = pngChunk("tEXt", "Comment" + QByteArray(4089, '\0'));
    const QByteArray overLong = pngChunk("iTXt", "Comment" + QByteArray(4090, '\0'));
    const QByteArray bomb =
        pngChunk("zTXt", QByteArray("k\0\0", 3) + qCompress(QByteArray(1 << 23, 'a'), 9).sliced(4));
    const QByteArray unknown = pngChunk("prVt", "x");
    const struct {
        QByteArray sent, kept;
    } cases[] = {
        {png, png},
        {withChunks(png, known + longestText, longestText),
         withChunks(png, known + longestText, longestText)},
        {withChunks(png, known + bomb + unknown, overLong), withChunks(png, known)},
        {withChunks(png, unknown + longestText, unknown), withChunks(png, longestText)},
    };
    for (const auto &c : cases) {
        SystemLog::Capture log;
        const std::optional<ClipboardItem> item = capture(Offer().text(QString()).image(c.sent));
        ASSERT_TRUE(item);
        EXPECT_EQ(item->imageData, c.kept);
        EXPECT_EQ(log.lines().size(), c.sent == c.kept ? 0 : 1);
    }
}

} // namespace
