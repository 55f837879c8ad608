// Saving and loading a heavy pins file: 50 entries, 10 of them images of 4 MB.
// Targets on the project machine: load under 150 ms, save under 150 ms.
// Beside our codec, the rows that justify keeping it: the same file read with simdjson, and the
// image fields through Qt's Base64.

#include "history/PinStore.h"
#include "history/PinsJson.h"
#include "history/formats/Base64.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <simdjson.h>

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

// The same entries through simdjson's DOM API, checked as strictly in what decides an entry
// (required keys, types, kind, UUID, Base64), the byte fields decoded by our Base64. Not its
// On-Demand API: Debian's build compiles that for the baseline processor only, while the DOM
// parser picks the fastest kernel at run time.
std::optional<QList<ClipboardItem>> readWithSimdjson(simdjson::dom::parser &parser,
                                                     const simdjson::padded_string &json) {
    using namespace simdjson;
    dom::array array;
    if (parser.parse(json).get_array().get(array))
        return std::nullopt;
    QList<ClipboardItem> items;
    for (const dom::element element : array) {
        dom::object object;
        if (element.get_object().get(object))
            return std::nullopt;
        ClipboardItem item;
        int required = 0;
        for (const auto &[key, value] : object) {
            std::string_view text;
            bool flag = false;
            if (key == "id") {
                if (value.get_string().get(text))
                    return std::nullopt;
                item.id = QUuid::fromString(QLatin1StringView(text.data(), qsizetype(text.size())));
                if (item.id.isNull() || text.size() != 36)
                    return std::nullopt;
                ++required;
            } else if (key == "kind") {
                if (value.get_string().get(text))
                    return std::nullopt;
                const auto kind = kindFromRawValue(QString::fromUtf8(text.data(), text.size()));
                if (!kind)
                    return std::nullopt;
                item.kind = *kind;
                ++required;
            } else if (key == "text") {
                if (value.get_string().get(text))
                    return std::nullopt;
                item.text = QString::fromUtf8(text.data(), qsizetype(text.size()));
                ++required;
            } else if (key == "rtfData" || key == "imageData") {
                if (value.get_string().get(text))
                    return std::nullopt;
                auto bytes = Base64::decode(QByteArrayView(text.data(), qsizetype(text.size())));
                if (!bytes)
                    return std::nullopt;
                (key == "rtfData" ? item.rtfData : item.imageData) = std::move(bytes);
            } else if (key == "containsLink" || key == "isPinned") {
                if (value.get_bool().get(flag))
                    return std::nullopt;
                (key == "containsLink" ? item.containsLink : item.isPinned) = flag;
                ++required;
            } else if (key == "copiedAt") {
                if (value.get_double().get(item.copiedAt))
                    return std::nullopt;
                ++required;
            }
        }
        if (required != 6)
            return std::nullopt;
        items.append(std::move(item));
    }
    return items;
}

void BM_DecodeSimdjson(benchmark::State &state) {
    const QByteArray json = PinsJson::encode(heavyPins());
    // Loaded straight into simdjson's padded buffer, as a program using it would.
    const simdjson::padded_string padded(json.constData(), size_t(json.size()));
    simdjson::dom::parser parser;
    for (auto _ : state) {
        const auto items = readWithSimdjson(parser, padded);
        if (!items || items->size() != kEntries) {
            state.SkipWithError("the pins did not decode");
            break;
        }
        benchmark::DoNotOptimize(items);
    }
    state.SetLabel(simdjson::get_active_implementation()->name());
}
BENCHMARK(BM_DecodeSimdjson)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The image fields of the heavy file, 40 MB in all, alone through each Base64 codec.
QList<QByteArray> imageFields() {
    QList<QByteArray> fields;
    for (const ClipboardItem &item : heavyPins()) {
        if (item.imageData)
            fields.append(*item.imageData);
    }
    return fields;
}

template <typename Encode>
void encodeFields(benchmark::State &state, Encode encode) {
    const QList<QByteArray> fields = imageFields();
    qsizetype bytes = 0;
    for (auto _ : state) {
        for (const QByteArray &field : fields) {
            const QByteArray text = encode(field);
            bytes += field.size();
            benchmark::DoNotOptimize(text.constData());
        }
    }
    state.SetBytesProcessed(bytes);
}

template <typename Decode>
void decodeFields(benchmark::State &state, Decode decode) {
    QList<QByteArray> texts;
    for (const QByteArray &field : imageFields())
        texts.append(field.toBase64());
    qsizetype bytes = 0;
    for (auto _ : state) {
        for (const QByteArray &text : texts) {
            const std::optional<QByteArray> field = decode(text);
            if (!field) {
                state.SkipWithError("a field did not decode");
                return;
            }
            bytes += field->size();
            benchmark::DoNotOptimize(field->constData());
        }
    }
    state.SetBytesProcessed(bytes);
}

void BM_Base64EncodeOurs(benchmark::State &state) {
    encodeFields(state, [](const QByteArray &field) { return Base64::encode(field); });
}
BENCHMARK(BM_Base64EncodeOurs)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_Base64EncodeQt(benchmark::State &state) {
    encodeFields(state, [](const QByteArray &field) { return field.toBase64(); });
}
BENCHMARK(BM_Base64EncodeQt)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_Base64DecodeOurs(benchmark::State &state) {
    decodeFields(state, [](const QByteArray &text) { return Base64::decode(text); });
}
BENCHMARK(BM_Base64DecodeOurs)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_Base64DecodeQt(benchmark::State &state) {
    decodeFields(state, [](const QByteArray &text) -> std::optional<QByteArray> {
        auto result = QByteArray::fromBase64Encoding(text, QByteArray::AbortOnBase64DecodingErrors);
        if (!result)
            return std::nullopt;
        return std::move(result.decoded);
    });
}
BENCHMARK(BM_Base64DecodeQt)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
