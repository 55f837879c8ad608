// Saving and loading a heavy pins file: 50 entries, 10 of them images of 4 MB.
// Targets on the project machine: load under 150 ms, save under 150 ms.

#include "history/PinStore.h"
#include "history/PinsJson.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int kEntries = 50;
constexpr int kImageEvery = 5;
constexpr qsizetype kImageBytes = 4 * 1024 * 1024;

// Random bytes stand in for PNG data: compressed image data is about as incompressible.
QByteArray randomBytes(qsizetype size, quint32 seed) {
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    generator.fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

QList<ClipboardItem> heavyPins() {
    QList<ClipboardItem> items;
    for (int i = 0; i < kEntries; ++i) {
        ClipboardItem item;
        item.id = QUuid::createUuid();
        item.copiedAt = 786'000'000.0 + i * 0.125;
        item.isPinned = true;
        if (i % kImageEvery == 0) {
            item.kind = ClipboardItem::Kind::image;
            item.text = QStringLiteral("Image");
            item.imageData = randomBytes(kImageBytes, quint32(i));
        } else if (i % 2 == 0) {
            item.kind = ClipboardItem::Kind::rich;
            item.text =
                QStringLiteral("A \"quoted\" line with a tab\tand a link https://example.org/%1")
                    .arg(i)
                    .repeated(20);
            item.rtfData = QByteArray("{\\rtf1\\ansi ").append(item.text.toUtf8()).append('}');
            item.containsLink = true;
        } else {
            item.kind = ClipboardItem::Kind::text;
            item.text = QStringLiteral("plain entry %1 — naïve café\nsecond line").arg(i);
        }
        items.append(item);
    }
    return items;
}

void BM_SavePins(benchmark::State &state) {
    QTemporaryDir dir;
    PinStore store(dir.path() + QStringLiteral("/Tallowquill"));
    const QList<ClipboardItem> items = heavyPins();
    for (auto _ : state)
        store.savePins(items);
    state.SetBytesProcessed(state.iterations() *
                            QFileInfo(store.folder() + QStringLiteral("/pins.json")).size());
}
BENCHMARK(BM_SavePins)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_LoadPins(benchmark::State &state) {
    QTemporaryDir dir;
    PinStore store(dir.path() + QStringLiteral("/Tallowquill"));
    store.savePins(heavyPins());
    for (auto _ : state) {
        const QList<ClipboardItem> items = store.loadPins();
        if (items.size() != kEntries) {
            state.SkipWithError("the pins did not load");
            break;
        }
        benchmark::DoNotOptimize(items);
    }
}
BENCHMARK(BM_LoadPins)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The codec alone, without the file system: where the time goes when the disk is slow.
void BM_EncodeOnly(benchmark::State &state) {
    const QList<ClipboardItem> items = heavyPins();
    for (auto _ : state) {
        qsizetype written = 0;
        PinsJson::write(items, [&written](QByteArrayView piece) {
            written += piece.size();
            return true;
        });
        benchmark::DoNotOptimize(written);
    }
}
BENCHMARK(BM_EncodeOnly)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_DecodeOnly(benchmark::State &state) {
    const QByteArray json = PinsJson::encode(heavyPins());
    for (auto _ : state) {
        const auto items = PinsJson::read(json);
        if (!items) {
            state.SkipWithError("the pins did not decode");
            break;
        }
        benchmark::DoNotOptimize(items);
    }
}
BENCHMARK(BM_DecodeOnly)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
