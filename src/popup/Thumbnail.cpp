#include "popup/Thumbnail.h"

#include <QBuffer>
#include <QImageReader>
#include <QPromise>
#include <QThreadPool>

#include <memory>

namespace Thumbnail {

QSize sizeFor(const QByteArray &imageData) {
    QBuffer buffer;
    buffer.setData(imageData);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize full = reader.size();
    if (!full.isValid() || full.isEmpty())
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
        QImage image = QImage::fromData(imageData);
        if (!image.isNull())
            image = image.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        promise->addResult(std::move(image));
        promise->finish();
    });
    return future;
}

} // namespace Thumbnail
