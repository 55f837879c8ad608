#include "ui/UiStyle.h"

#include <QApplication>
#include <QHash>
#include <QPainter>
#include <QPalette>
#include <QPixmapCache>
#include <QSvgRenderer>
#include <QtMath>

#include <cmath>
#include <memory>

// The symbols live in the library's resources, which nothing else would pull in.
static void initSymbolResources() {
    Q_INIT_RESOURCE(resources);
}

namespace UiStyle {

namespace {

QPalette palette() {
    return QApplication::palette();
}

QString resourceFor(const QString &name) {
    QString file = name;
    file.replace(QLatin1Char('.'), QLatin1Char('-'));
    return QStringLiteral(":/icons/%1.svg").arg(file);
}

// Parsed once per symbol; the drawings are tiny and used on every row.
QSvgRenderer &renderer(const QString &name) {
    static QHash<QString, std::shared_ptr<QSvgRenderer>> renderers;
    auto &slot = renderers[name];
    if (!slot) {
        initSymbolResources();
        slot = std::make_shared<QSvgRenderer>(resourceFor(name));
    }
    return *slot;
}

} // namespace

QColor accent() {
    return palette().color(QPalette::Active, QPalette::Highlight);
}

QColor primary() {
    return palette().color(QPalette::Active, QPalette::WindowText);
}

QColor secondary() {
    return withOpacity(primary(), 0.55);
}

QColor green() {
    return QColor(0x30, 0xb0, 0x50);
}

QColor orange() {
    return QColor(0xf0, 0x8a, 0x00);
}

QColor withOpacity(QColor colour, double opacity) {
    colour.setAlphaF(static_cast<float>(colour.alphaF() * opacity));
    return colour;
}

QFont font(double points, QFont::Weight weight) {
    QFont font = QApplication::font();
    if (points == std::floor(points))
        font.setPixelSize(static_cast<int>(points));
    else
        font.setPointSizeF(points * 72.0 / 96.0); // Qt lays points out at 96 logical dots per inch
    font.setWeight(weight);
    return font;
}

QPixmap symbol(const QString &name, int points, const QColor &colour, qreal devicePixelRatio) {
    // Drawn at every paint of every row: rendered once per look.
    const QString key = QStringLiteral("tq-symbol:%1:%2:%3:%4")
                            .arg(name)
                            .arg(points)
                            .arg(colour.rgba(), 0, 16)
                            .arg(devicePixelRatio);
    QPixmap cached;
    if (QPixmapCache::find(key, &cached))
        return cached;
    const int pixels = qCeil(points * devicePixelRatio);
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer(name).render(&painter, QRectF(0, 0, pixels, pixels));
        // Keep the drawing's shape, take the role's colour.
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(image.rect(), colour);
    }
    QPixmap pixmap = QPixmap::fromImage(std::move(image));
    pixmap.setDevicePixelRatio(devicePixelRatio);
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

} // namespace UiStyle
