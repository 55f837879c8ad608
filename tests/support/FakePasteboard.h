#pragma once

#include "platform/Pasteboard.h"

#include <QList>

namespace tqtest {

// An in-memory pasteboard for unit tests of the logic. Tests play the other applications by
// calling offer(), which replaces the contents and advances the change count like a copy.
class FakePasteboard : public Pasteboard {
public:
    struct Contents {
        std::optional<QString> string;
        std::optional<QByteArray> rtf;
        std::optional<QByteArray> html;
        std::optional<PasteboardImage> image;
        bool concealed = false;
    };

    void offer(Contents contents) {
        m_contents = std::move(contents);
        ++m_changeCount;
    }
    const Contents &contents() const { return m_contents; }
    int writes() const { return m_writes; }
    int reads() const { return m_reads; }

    qint64 changeCount() const override { return m_changeCount; }
    std::optional<QString> string() override { return ++m_reads, m_contents.string; }
    std::optional<QByteArray> rtfData() override { return ++m_reads, m_contents.rtf; }
    std::optional<QByteArray> htmlData() override { return ++m_reads, m_contents.html; }
    std::optional<PasteboardImage> image() override { return ++m_reads, m_contents.image; }
    bool isConcealed() override { return m_contents.concealed; }

    void clearContents() override {
        m_contents = {};
        ++m_changeCount;
        ++m_writes;
    }
    void setRtfData(const QByteArray &rtf) override { m_contents.rtf = rtf; }
    void setHtmlData(const QByteArray &html) override { m_contents.html = html; }
    void setString(const QString &text) override { m_contents.string = text; }
    void writeImage(const QByteArray &png) override {
        m_contents.image = PasteboardImage{png, QByteArrayLiteral("image/png")};
    }

private:
    Contents m_contents;
    qint64 m_changeCount = 0;
    int m_writes = 0;
    int m_reads = 0;
};

} // namespace tqtest
