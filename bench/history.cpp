// Speed of the history's hot paths: adding a copy to a full history, capturing large rich text
// and screenshots, and the idle poll.
#include "history/ClipboardMonitor.h"
#include "history/ItemDetails.h"
#include "history/PasteboardCapture.h"
#include "history/PinStore.h"
#include "history/formats/RtfWriter.h"
#include "platform/Pasteboard.h"
#include "settings/AppSettings.h"
#include "support/FakePasteboard.h"
#include "support/MemoryDefaultsStore.h"

#include "BenchHistory.h"
#include "LargePage.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using bench::History;

// About a million characters of prose; mixed adds accented Latin, Greek and CJK.
QString megabyteText(int seed, bool mixed) {
    static const QString asciiWords[] = {QStringLiteral("river"),  QStringLiteral("station"),
                                         QStringLiteral("ledger"), QStringLiteral("survey"),
                                         QStringLiteral("basin"),  QStringLiteral("marker")};
    static const QString mixedWords[] = {QStringLiteral("café"),     QStringLiteral("naïve"),
                                         QStringLiteral("ελληνικά"), QStringLiteral("中文"),
                                         QStringLiteral("Ärger"),    QStringLiteral("façade")};
    QRandomGenerator rng(7); // the same body for every seed: only the end differs
    QString text;
    text.reserve(1'000'100);
    while (text.size() < 1'000'000) {
        const bool useMixed = mixed && rng.bounded(4) == 0;
        text += (useMixed ? mixedWords : asciiWords)[rng.bounded(6)];
        text += rng.bounded(12) == 0 ? QLatin1Char('\n') : QLatin1Char(' ');
    }
    return text + QString::number(seed);
}

void addIntoFullHistory(benchmark::State &state, bool mixed) {
    History history;
    // More distinct texts than the history holds, so each add is a new entry that pushes out
    // the oldest, after a scan over 50 entries of the same length.
    QList<QString> pool;
    for (int i = 0; i < ClipboardMonitor::maxRecent + 1; ++i)
        pool.append(megabyteText(i, mixed));
    qsizetype next = 0;
    const auto addNext = [&] {
        history.monitor.add(ClipboardItem{QUuid::createUuid(),
                                          ClipboardItem::Kind::text,
                                          pool.at(next),
                                          std::nullopt,
                                          std::nullopt,
                                          false,
                                          ClipboardItem::now(),
                                          false,
                                          {}});
        next = (next + 1) % pool.size();
    };
    for (int i = 0; i < ClipboardMonitor::maxRecent; ++i)
        addNext();
    for (auto _ : state)
        addNext();
    state.counters["recent"] = double(history.monitor.recent().size());
}

void BM_AddIntoFullHistoryAscii(benchmark::State &state) {
    addIntoFullHistory(state, false);
}
BENCHMARK(BM_AddIntoFullHistoryAscii)->Unit(benchmark::kMillisecond);

void BM_AddIntoFullHistoryMixedScripts(benchmark::State &state) {
    addIntoFullHistory(state, true);
}
BENCHMARK(BM_AddIntoFullHistoryMixedScripts)->Unit(benchmark::kMillisecond);

void captureRichRepeatedly(benchmark::State &state, const tqtest::FakePasteboard::Contents &offer) {
    tqtest::FakePasteboard pasteboard;
    pasteboard.offer(offer);
    for (auto _ : state) {
        std::optional<ClipboardItem> item = captureItem(*pasteboard.contents());
        if (!item || item->kind != ClipboardItem::Kind::rich || !item->containsLink)
            state.SkipWithError("not captured as rich text with a link");
        benchmark::DoNotOptimize(item);
    }
}

void captureHtml(benchmark::State &state, bool styled) {
    tqtest::FakePasteboard::Contents offer;
    offer.html = bench::largePage(styled);
    offer.string = QStringLiteral("Large page");
    captureRichRepeatedly(state, offer);
    state.counters["htmlBytes"] = double(offer.html->size());
}

void BM_CaptureHtmlPage(benchmark::State &state) {
    captureHtml(state, false);
}
BENCHMARK(BM_CaptureHtmlPage)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_CaptureStyledHtmlPage(benchmark::State &state) {
    captureHtml(state, true);
}
BENCHMARK(BM_CaptureStyledHtmlPage)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same page offered as RTF, as a word processor does: kept as it is, read once for links.
void BM_CaptureRtfPage(benchmark::State &state) {
    QTextDocument document;
    document.setHtml(QString::fromUtf8(bench::largePage(false)));
    tqtest::FakePasteboard::Contents offer;
    offer.rtf = rtfFromDocument(document);
    offer.string = QStringLiteral("Large page");
    captureRichRepeatedly(state, offer);
    state.counters["rtfBytes"] = double(offer.rtf->size());
}
BENCHMARK(BM_CaptureRtfPage)->Unit(benchmark::kMillisecond)->Iterations(5);

// What pasting that page back offers (RTF as stored, HTML made from it, the text), worked out on
// the capture worker with the rest of the entry's details.
void BM_RichPageDetails(benchmark::State &state) {
    QTextDocument document;
    document.setHtml(QString::fromUtf8(bench::largePage(false)));
    const ClipboardItem item{QUuid::createUuid(),
                             ClipboardItem::Kind::rich,
                             document.toPlainText(),
                             rtfFromDocument(document),
                             std::nullopt,
                             true,
                             ClipboardItem::now(),
                             false,
                             {}};
    for (auto _ : state)
        benchmark::DoNotOptimize(ItemDetails::of(item));
}
BENCHMARK(BM_RichPageDetails)->Unit(benchmark::kMillisecond)->Iterations(3);

// A 4K desktop screenshot: gradient wallpaper, overlapping windows full of text, a photo.
QImage screenshot() {
    QImage image(3840, 2160, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient wallpaper(0, 0, 3840, 2160);
    wallpaper.setColorAt(0, QColor(40, 60, 110));
    wallpaper.setColorAt(1, QColor(150, 90, 60));
    painter.fillRect(image.rect(), wallpaper);
    QRandomGenerator rng(7);
    for (int w = 0; w < 6; ++w) {
        const QRect window(100 + w * 550, 80 + w * 250, 1800, 1200);
        painter.fillRect(window.translated(6, 6), QColor(0, 0, 0, 60));
        painter.fillRect(window, QColor(245, 245, 245));
        painter.fillRect(QRect(window.topLeft(), QSize(window.width(), 40)), QColor(60, 63, 70));
        for (int y = window.top() + 60; y < window.bottom() - 20; y += 22) {
            QString line;
            for (int i = 20 + int(rng.bounded(100)); i > 0; --i)
                line += rng.bounded(5) == 0 ? QLatin1Char(' ') : QChar(u'a' + rng.bounded(26));
            painter.setPen(QColor(rng.bounded(80), rng.bounded(80), rng.bounded(160)));
            painter.drawText(window.left() + 20, y, line);
        }
    }
    painter.end();
    for (int y = 1500; y < 2100; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 2600; x < 3700; ++x)
            row[x] = qRgb(((x * 3 + y) % 256) ^ rng.bounded(16), ((y * 2) % 256) ^ rng.bounded(16),
                          ((x + y * 5) % 256) ^ rng.bounded(16));
    }
    return image;
}

void captureImage(benchmark::State &state, const char *format, const QByteArray &mimeType) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    screenshot().save(&buffer, format);
    tqtest::FakePasteboard pasteboard;
    tqtest::FakePasteboard::Contents offer;
    offer.image = PasteboardImage{bytes, mimeType};
    pasteboard.offer(offer);
    for (auto _ : state) {
        std::optional<ClipboardItem> item = captureItem(*pasteboard.contents());
        if (!item || item->kind != ClipboardItem::Kind::image)
            state.SkipWithError("not captured as an image");
        benchmark::DoNotOptimize(item);
    }
    state.counters["offeredBytes"] = double(bytes.size());
}

void BM_CaptureScreenshotPng(benchmark::State &state) {
    captureImage(state, "PNG", QByteArrayLiteral("image/png"));
}
BENCHMARK(BM_CaptureScreenshotPng)->Unit(benchmark::kMillisecond);

void BM_CaptureScreenshotBmp(benchmark::State &state) {
    captureImage(state, "BMP", QByteArrayLiteral("image/bmp"));
}
BENCHMARK(BM_CaptureScreenshotBmp)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PollWithoutChange(benchmark::State &state) {
    History history;
    history.monitor.start();
    for (auto _ : state)
        history.monitor.poll();
}
BENCHMARK(BM_PollWithoutChange);

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
