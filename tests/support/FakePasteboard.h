#pragma once

#include "platform/Pasteboard.h"

#include <atomic>
#include <memory>

namespace tqtest {

// A limit no test copy reaches.
inline constexpr qsizetype kAnySize = qsizetype(1) << 40;

// An in-memory pasteboard for unit tests of the logic. Tests play the other applications by
// calling offer(), which replaces the contents and advances the change count like a copy (an
// empty offer is a deliberate clear), and ownerLeaves(), which empties the clipboard as a
// quitting owner does.
class FakePasteboard : public Pasteboard {
public:
    // Without tellsClears, one that cannot tell a clear from its owner leaving, as on Wayland.
    explicit FakePasteboard(bool tellsClears = true)
        : m_tellsClears(tellsClears) {}
    struct Contents {
        std::optional<QString> string{};
        std::optional<QByteArray> rtf{};
        std::optional<QByteArray> html{};
        std::optional<PasteboardImage> image{};
        bool concealed = false;
    };

    void offer(Contents contents) {
        m_contents = std::move(contents);
        m_holdsOwnWrite = false;
        ++m_changeCount;
        Q_EMIT changed();
    }
    // A copy another program made just before our last write, told after it: the write keeps the
    // clipboard, only the count moves.
    void lostCopyReported() {
        ++m_changeCount;
        Q_EMIT changed();
    }
    void ownerLeaves() {
        offer({});
        Q_EMIT ownerLeft(m_changeCount);
    }
    const Contents &current() const { return m_contents; }
    int writes() const { return m_writes; }
    int reads() const { return m_reads; }

    qint64 changeCount() const override { return m_changeCount; }
    bool tellsClearFromOwnerLeaving() const override { return m_tellsClears; }
    bool holdsOwnWrite() override { return m_holdsOwnWrite; }
    std::unique_ptr<PasteboardContents> contents() override {
        return std::make_unique<Snapshot>(m_contents, m_reads);
    }

    void setContents(const PasteboardData &data) override {
        m_contents = {data.string, data.rtf, data.html, std::nullopt, false};
        if (data.png)
            m_contents.image = PasteboardImage{*data.png, QByteArrayLiteral("image/png")};
        ++m_changeCount;
        ++m_writes;
        m_holdsOwnWrite = true;
        Q_EMIT changed();
    }

    // One change's contents as a value; reads count towards the pasteboard's reads().
    class Snapshot : public PasteboardContents {
    public:
        Snapshot(Contents contents, std::atomic<int> &reads)
            : m_contents(std::move(contents))
            , m_reads(reads) {}
        Flavour<QString> string(qsizetype limit) override {
            return read(m_contents.string, limit,
                        m_contents.string ? m_contents.string->toUtf8().size() : 0);
        }
        Flavour<QByteArray> rtfData(qsizetype limit) override {
            return read(m_contents.rtf, limit, m_contents.rtf ? m_contents.rtf->size() : 0);
        }
        Flavour<QByteArray> htmlData(qsizetype limit) override {
            return read(m_contents.html, limit, m_contents.html ? m_contents.html->size() : 0);
        }
        Flavour<PasteboardImage> image(qsizetype limit) override {
            return read(m_contents.image, limit,
                        m_contents.image ? m_contents.image->data.size() : 0);
        }
        bool isConcealed() override { return m_contents.concealed; }

    private:
        template <typename T>
        Flavour<T> read(const std::optional<T> &value, qsizetype limit, qint64 size) {
            ++m_reads;
            if (size > limit)
                return {std::nullopt, size};
            return {value};
        }
        Contents m_contents;
        std::atomic<int> &m_reads;
    };

private:
    Contents m_contents;
    qint64 m_changeCount = 0;
    int m_writes = 0;
    bool m_holdsOwnWrite = false;
    bool m_tellsClears = true;
    std::atomic<int> m_reads = 0;
};

} // namespace tqtest
