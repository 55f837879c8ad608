#include "Screenshots.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <random>

namespace benchapp {

namespace {

// A busy desktop: windows of text over a wallpaper, and a photo; `seed` moves and recolours
// everything, so no two are alike.
QImage screenshot(int seed) {
    std::mt19937 random(unsigned(seed) * 7919U + 1U);
    const auto between = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    QImage image(3840, 2160, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient wallpaper(0, 0, 3840, 2160);
    wallpaper.setColorAt(0, QColor::fromHsv(between(0, 359), 140, 120));
    wallpaper.setColorAt(1, QColor::fromHsv(between(0, 359), 160, 60));
    painter.fillRect(image.rect(), wallpaper);
    QFont font = painter.font();
    font.setPixelSize(22);
    painter.setFont(font);
    for (int window = 0; window < 8; ++window) {
        const QRect frame(between(0, 2600), between(0, 1300), between(900, 1500),
                          between(600, 1000));
        painter.fillRect(frame, QColor(0xf4, 0xf4, 0xf4));
        painter.fillRect(frame.x(), frame.y(), frame.width(), 44,
                         QColor::fromHsv(between(0, 359), 60, 90));
        painter.setPen(Qt::black);
        for (int line = 0; line * 30 + 80 < frame.height(); ++line) {
            painter.drawText(frame.x() + 20, frame.y() + 80 + line * 30,
                             QStringLiteral("Screenshot %1, window %2, line %3: %4")
                                 .arg(seed)
                                 .arg(window)
                                 .arg(line)
                                 .arg(between(0, 1 << 30), 0, 36));
        }
    }
    // A photo: a gradient with grain, which compresses as badly as photos do.
    const QRect photo(between(0, 3000), between(0, 1600), 800, 500);
    const QColor from = QColor::fromHsv(between(0, 359), 200, 230);
    const QColor to = QColor::fromHsv(between(0, 359), 200, 80);
    painter.end();
    for (int y = photo.top(); y <= photo.bottom(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = photo.left(); x <= photo.right(); ++x) {
            const double along = double(x - photo.left() + y - photo.top()) / 1300;
            const int grain = between(-12, 12);
            const auto mix = [&](int a, int b) {
                return std::clamp(int(a + (b - a) * along) + grain, 0, 255);
            };
            row[x] = qRgb(mix(from.red(), to.red()), mix(from.green(), to.green()),
                          mix(from.blue(), to.blue()));
        }
    }
    return image;
}

} // namespace

int writeScreenshots(const std::string &dir, int count) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "bench_app_driver";
    char *argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    const QString folder = QString::fromStdString(dir);
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i) {
        const QString path = folder + QStringLiteral("/shot-%1.png").arg(i);
        if (!screenshot(i).save(path, "PNG")) {
            std::fprintf(stderr, "bench_app_driver: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}

} // namespace benchapp
