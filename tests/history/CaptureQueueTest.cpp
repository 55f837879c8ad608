#include "history/CaptureQueue.h"
#include "platform/Pasteboard.h"
#include "support/TestEnvironment.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

namespace {

// A copy whose reading stands for a conversion that cannot be called off: it ignores cancel()
// and ends only when the test opens its gate.
struct Gate {
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;
    std::atomic<bool> entered = false;
    void release() {
        const std::lock_guard lock(mutex);
        open = true;
        opened.notify_all();
    }
};

class StuckContents : public PasteboardContents {
public:
    StuckContents(QString text, std::shared_ptr<Gate> gate)
        : m_text(std::move(text))
        , m_gate(std::move(gate)) {}
    Flavour<QString> string(qsizetype) override {
        m_gate->entered = true;
        std::unique_lock lock(m_gate->mutex);
        m_gate->opened.wait(lock, [this] { return m_gate->open; });
        return {m_text};
    }
    Flavour<QByteArray> rtfData(qsizetype) override { return {}; }
    Flavour<QByteArray> htmlData(qsizetype) override { return {}; }
    Flavour<PasteboardImage> image(qsizetype) override { return {}; }
    bool isConcealed() override { return false; }

private:
    QString m_text;
    std::shared_ptr<Gate> m_gate;
};

// A conversion that outlasts the patience of a newer copy is left to finish into nothing on its
// thread while a fresh worker goes on; only one is left at a time, and the queue's end waits for
// none of them.
TEST(CaptureQueue, LeavesAConversionThatCannotBeCalledOff) {
    auto queue = std::make_unique<CaptureQueue>();
    QStringList captured;
    QObject::connect(queue.get(), &CaptureQueue::captured,
                     [&](const ClipboardItem &item) { captured << item.text; });
    const auto submit = [&](const QString &text, qint64 change) {
        auto gate = std::make_shared<Gate>();
        queue->submit(std::make_unique<StuckContents>(text, gate), 0, change);
        return gate;
    };
    const auto a = submit(QStringLiteral("a"), 1);
    ASSERT_TRUE(tqtest::waitFor([&] { return a->entered.load(); }));
    const auto b = submit(QStringLiteral("b"), 2);
    ASSERT_TRUE(tqtest::waitFor([&] { return b->entered.load(); }));
    const auto c = submit(QStringLiteral("c"), 3);
    c->release();
    // Started after the queue's own timer for b, so it fires after it: b is overdue by then, but
    // a still runs, so b is not left too and c waits.
    bool overdue = false;
    QTimer::singleShot(CaptureQueue::supersededPatience, [&overdue] { overdue = true; });
    ASSERT_TRUE(tqtest::waitFor([&] { return overdue; }));
    EXPECT_FALSE(c->entered);

    a->release();
    EXPECT_TRUE(tqtest::waitFor([&] { return !captured.isEmpty(); }));
    const auto d = submit(QStringLiteral("d"), 4);
    ASSERT_TRUE(tqtest::waitFor([&] { return d->entered.load(); }));
    queue.reset(); // with d and b under way
    EXPECT_EQ(captured, QStringList{QStringLiteral("c")});
    b->release();
    d->release();
}

} // namespace
