// From the shortcut's callback to the popup's first frame, over a full history in which 20 of the
// 50 entries are 4K screenshots: the figure is the median of 20 openings (median_ms).
#include "history/ClipboardMonitor.h"
#include "history/PinStore.h"
#include "platform/KeyPoster.h"
#include "platform/MemoryDefaultsStore.h"
#include "platform/Workspace.h"
#include "popup/PopupController.h"
#include "popup/PopupPanel.h"
#include "settings/AppSettings.h"
#include "support/FakePasteboard.h"
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
#include <vector>

namespace {

using MemoryDefaults = MemoryDefaultsStore;

class NoWorkspace : public Workspace {
public:
    std::optional<WindowId> activeWindow() override { return std::nullopt; }
    void activateWindow(WindowId) override {}
    void showOnAllWorkspaces(WindowId) override {}
    QPoint pointerPosition() const override { return {}; }
};

class NoKeys : public KeyPoster {
public:
    bool isTrusted() const override { return false; }
    void postPaste() override {}
};

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

void BM_OpenPopup(benchmark::State &state) {
    QTemporaryDir folder;
    tqtest::FakePasteboard pasteboard;
    AppSettings settings(std::make_unique<MemoryDefaults>());
    PinStore pins(folder.path());
    ClipboardMonitor monitor(pasteboard, settings, pins);
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
        monitor.add(item);
    }

    NoWorkspace workspace;
    NoKeys keys;
    AutoPaste autoPaste(keys);
    PopupController controller(monitor, workspace, autoPaste);
    std::vector<double> milliseconds;
    for (auto _ : state) {
        bool painted = false;
        const auto connection = QObject::connect(&controller, &PopupController::shownAndPainted,
                                                 [&] { painted = true; });
        QElapsedTimer timer;
        timer.start();
        controller.toggle();
        while (!painted)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const double elapsed = timer.nsecsElapsed() / 1e6;
        state.SetIterationTime(elapsed / 1000);
        milliseconds.push_back(elapsed);

        state.PauseTiming();
        QObject::disconnect(connection);
        controller.toggle();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        // Let the decoding of the last opening finish so that openings do not pile up.
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 700)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        state.ResumeTiming();
    }
    std::sort(milliseconds.begin(), milliseconds.end());
    state.counters["median_ms"] = milliseconds[milliseconds.size() / 2];
    state.counters["max_ms"] = milliseconds.back();
}
BENCHMARK(BM_OpenPopup)->Iterations(20)->UseManualTime()->Unit(benchmark::kMillisecond);

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
