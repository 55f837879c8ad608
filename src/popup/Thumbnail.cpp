#include "popup/Thumbnail.h"

#include "history/formats/RasterImage.h"

#include <QPromise>
#include <QThreadPool>

#include <memory>

namespace Thumbnail {

QSize sizeFor(QSize full) {
    if (!full.isValid() || full.isEmpty() || !RasterImage::fits(full))
        return {};
    return full.scaled(QSize(maxWidth, maxHeight), Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

namespace {

// A pool of its own: Qt's painting spreads large fills over the global pool and would wait
// behind a queue of screenshots.
QThreadPool &decodingPool() {
    static QThreadPool pool;
    return pool;
}

} // namespace

QFuture<QImage> decode(const QByteArray &imageData, QSize pixels) {
    // Shared: the pool takes a copyable task, a promise cannot be copied.
    auto promise = std::make_shared<QPromise<QImage>>();
    QFuture<QImage> future = promise->future();
    promise->start();
    decodingPool().start([promise, imageData, pixels] {
        promise->addResult(RasterImage::decode(imageData, nullptr, pixels));
        promise->finish();
    });
    return future;
}

} // namespace Thumbnail
