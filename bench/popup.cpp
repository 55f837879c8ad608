// From the shortcut's callback to the popup's first frame: over a full history in which 20 of the
// 50 entries are 4K screenshots, and while a 1 MB page just copied is being converted. The
// figure is the median of 20 openings (median_ms).
#include "history/ClipboardMonitor.h"
#include "history/PinStore.h"
#include "popup/PopupController.h"
#include "popup/PopupPanel.h"
#include "settings/AppSettings.h"
#include "support/FakeKeyPoster.h"
#include "support/FakePasteboard.h"
#include "support/FakeWorkspace.h"
#include "support/MemoryDefaultsStore.h"

#include "LargePage.h"
#include "system/AutoPaste.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

using MemoryDefaults = MemoryDefaultsStore;

// A busy 3840×2160 desktop picture, as screenshots are: flat areas, text, a few photos' worth
// of colour.
QByteArray screenshot() {
    QImage image(3840, 2160, QImage::Format_RGB32);
    image.fill(QColor(0xee, 0xee, 0xee));
    QPainter painter(&image);
    for (int i = 0; i < 400; ++i) {
        painter.fillRect((i * 97) % 3800, (i * 53) % 2100, 300, 40,
                         QColor::fromHsv(i % 360, 120, 200));
        painter.drawText((i * 31) % 3700, (i * 71) % 2100,
                         QStringLiteral("A line of window text %1").arg(i));
    }
    painter.end();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

struct History {
    QTemporaryDir folder;
    tqtest::FakePasteboard pasteboard;
    AppSettings settings{std::make_unique<MemoryDefaults>()};
    PinStore pins{folder.path()};
    ClipboardMonitor monitor{pasteboard, settings, pins};
    tqtest::FakeWorkspace workspace;
    tqtest::FakeKeyPoster keys;
    AutoPaste autoPaste{keys};
    PopupController controller{monitor, workspace, autoPaste};
};

// Times `openings` from the shortcut to the first frame; `before` runs untimed before each.
void openRepeatedly(benchmark::State &state, History &history,
                    const std::function<void()> &before = {}) {
    std::vector<double> milliseconds;
    for (auto _ : state) {
        state.PauseTiming();
        if (before)
            before();
        state.ResumeTiming();
        bool painted = false;
        const auto connection = QObject::connect(
            &history.controller, &PopupController::shownAndPainted, [&] { painted = true; });
        QElapsedTimer timer;
        timer.start();
        history.controller.toggle();
        while (!painted)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const double elapsed = timer.nsecsElapsed() / 1e6;
        state.SetIterationTime(elapsed / 1000);
        milliseconds.push_back(elapsed);

        state.PauseTiming();
        QObject::disconnect(connection);
        history.controller.toggle();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        // Let the work of the last opening finish so that openings do not pile up.
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 700 || history.monitor.isCapturing())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        state.ResumeTiming();
    }
    std::sort(milliseconds.begin(), milliseconds.end());
    state.counters["median_ms"] = milliseconds[milliseconds.size() / 2];
    state.counters["max_ms"] = milliseconds.back();
}

void BM_OpenPopup(benchmark::State &state) {
    History history;
    const QByteArray picture = screenshot();
    for (int i = 49; i >= 0; --i) {
        ClipboardItem item;
        item.id = QUuid::createUuid();
        item.copiedAt = ClipboardItem::now();
        // Screenshots every other entry among the newest 40: several of them in view.
        if (i < 40 && i % 2 == 0) {
            item.kind = ClipboardItem::Kind::image;
            item.text = QStringLiteral("Image");
            item.imageData = picture + QByteArray::number(i); // distinct entries
        } else {
            item.text = QStringLiteral("Copied text number %1").arg(i);
        }
        history.monitor.add(item);
    }
    openRepeatedly(state, history);
}
BENCHMARK(BM_OpenPopup)->Iterations(20)->UseManualTime()->Unit(benchmark::kMillisecond);

// The shortcut pressed right after copying a 1 MB page, while the page is converted to RTF.
void BM_OpenPopupWhileAPageConverts(benchmark::State &state) {
    History history;
    for (int i = 0; i < 50; ++i)
        history.monitor.add(ClipboardItem{QUuid::createUuid(),
                                          ClipboardItem::Kind::text,
                                          QStringLiteral("Copied text number %1").arg(i),
                                          std::nullopt,
                                          std::nullopt,
                                          false,
                                          ClipboardItem::now(),
                                          false,
                                          {}});
    const QByteArray page = bench::largePage();
    int converting = 0;
    openRepeatedly(state, history, [&] {
        tqtest::FakePasteboard::Contents offer;
        offer.string = QStringLiteral("Large page %1").arg(converting);
        offer.html = page;
        history.pasteboard.offer(offer);
        history.monitor.poll();
        converting += history.monitor.isCapturing();
    });
    state.counters["converting_at_open"] = converting;
}
BENCHMARK(BM_OpenPopupWhileAPageConverts)
    ->Iterations(20)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
