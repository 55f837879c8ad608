// Rich text conversions on a page of about 1 MB: HTML decoding, HTML parsing into a document,
// RTF writing and reading, and the link scan of the page's plain text.
//
// Set TQ_BENCH_HTML to an HTML file to time the whole HTML to RTF conversion on it as well.

#include "history/formats/HtmlDecoding.h"
#include "history/formats/LinkDetector.h"
#include "history/formats/RtfReader.h"
#include "history/formats/RtfWriter.h"

#include <QFile>
#include <QGuiApplication>
#include <QTextDocument>

#include <benchmark/benchmark.h>

namespace {

constexpr qsizetype kPageSize = 1000 * 1000;

// A page in the shape of a long article: headings, paragraphs with emphasis, colour and a link,
// a list and a small table per section, words in several scripts. With inlineStyles every
// block carries the long style attribute a browser adds to what it copies.
QByteArray makePage(bool inlineStyles) {
    static const char *const words[] = {
        "survey", "ridge",  "marker", "basin", "café",   "naïve", "ελληνικά", "العربية",
        "中文",   "season", "ledger", "😀",     "valley", "north", "station",  "archive"};
    const QByteArray style =
        inlineStyles ? QByteArray(" style=\"color: rgb(0, 0, 0); font-family: &quot;Times New "
                                  "Roman&quot;; font-size: medium; font-style: normal; "
                                  "font-weight: 400; letter-spacing: normal; text-align: start; "
                                  "text-indent: 0px; text-transform: none; white-space: normal; "
                                  "word-spacing: 0px; text-decoration-style: initial;\"")
                     : QByteArray();
    quint32 seed = 12345;
    auto word = [&] {
        seed = seed * 1103515245u + 12345u;
        return QByteArray(words[(seed >> 16) % std::size(words)]);
    };
    auto sentence = [&](int count) {
        QByteArray s;
        for (int i = 0; i < count; ++i)
            s += word() + ' ';
        return s;
    };

    QByteArray page = "<h1" + style + ">Large page</h1>\n";
    for (int n = 0; page.size() < kPageSize; ++n) {
        const QByteArray number = QByteArray::number(n);
        page += "<h3" + style + ">Section " + number + "</h3>\n<p" + style + ">" + sentence(16) +
                "<b>bold " + number + "</b>, <i>italic</i>, <u>underlined</u>, " +
                "<span style=\"color:#959fcc\">coloured</span> and <a href=\"https://example.org/" +
                number + "\">entry " + number + "</a>. " + sentence(14) + "</p>\n<ul" + style +
                "><li>" + sentence(6) + "</li><li>" + sentence(5) + "</li></ul>\n<table" + style +
                "><tr><td>" + number + "</td><td>0.5</td><td>" + word() + "</td></tr></table>\n";
    }
    return page;
}

const QByteArray &page(bool inlineStyles) {
    static const QByteArray plain = makePage(false);
    static const QByteArray styled = makePage(true);
    return inlineStyles ? styled : plain;
}

void setPageLabel(benchmark::State &state, qsizetype bytes) {
    state.SetBytesProcessed(state.iterations() * bytes);
    state.SetLabel(state.range(0) ? "inline styles" : "plain markup");
}

void BM_DecodeHtml(benchmark::State &state) {
    const QByteArray &html = page(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(decodeHtml(html));
    setPageLabel(state, html.size());
}
BENCHMARK(BM_DecodeHtml)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_SetHtml(benchmark::State &state) {
    const QString html = decodeHtml(page(state.range(0)));
    for (auto _ : state) {
        QTextDocument document;
        document.setHtml(html);
        benchmark::DoNotOptimize(document.characterCount());
    }
    setPageLabel(state, page(state.range(0)).size());
}
BENCHMARK(BM_SetHtml)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_RtfFromDocument(benchmark::State &state) {
    QTextDocument document;
    document.setHtml(decodeHtml(page(state.range(0))));
    qsizetype rtfSize = 0;
    for (auto _ : state) {
        const QByteArray rtf = rtfFromDocument(document);
        rtfSize = rtf.size();
    }
    setPageLabel(state, page(state.range(0)).size());
    state.counters["rtf_bytes"] = double(rtfSize);
}
BENCHMARK(BM_RtfFromDocument)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// What capture does with an HTML-only copy: decode, parse, write RTF.
void BM_HtmlToRtf(benchmark::State &state) {
    const QByteArray &html = page(state.range(0));
    for (auto _ : state) {
        QTextDocument document;
        document.setHtml(decodeHtml(html));
        benchmark::DoNotOptimize(rtfFromDocument(document));
    }
    setPageLabel(state, html.size());
}
BENCHMARK(BM_HtmlToRtf)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_DocumentFromRtf(benchmark::State &state) {
    QTextDocument document;
    document.setHtml(decodeHtml(page(false)));
    const QByteArray rtf = rtfFromDocument(document);
    for (auto _ : state)
        benchmark::DoNotOptimize(documentFromRtf(rtf));
    state.SetBytesProcessed(state.iterations() * rtf.size());
}
BENCHMARK(BM_DocumentFromRtf)->Unit(benchmark::kMillisecond);

// The worst case for the link scan: a long text with no link in it.
void BM_ContainsLink(benchmark::State &state) {
    QTextDocument document;
    document.setHtml(decodeHtml(page(false)));
    const QString text = document.toPlainText().remove(QStringLiteral("https://"));
    bool found = false;
    for (auto _ : state)
        found = containsLink(text);
    state.SetBytesProcessed(state.iterations() * text.size() * 2);
    state.SetLabel(found ? "link found" : "no link");
}
BENCHMARK(BM_ContainsLink)->Unit(benchmark::kMillisecond);

void BM_HtmlFileToRtf(benchmark::State &state) {
    QFile file(qEnvironmentVariable("TQ_BENCH_HTML"));
    if (!file.open(QIODevice::ReadOnly)) {
        state.SkipWithError("TQ_BENCH_HTML names no readable file");
        return;
    }
    const QByteArray html = file.readAll();
    for (auto _ : state) {
        QTextDocument document;
        document.setHtml(decodeHtml(html));
        benchmark::DoNotOptimize(rtfFromDocument(document));
    }
    state.SetBytesProcessed(state.iterations() * html.size());
}

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (!qEnvironmentVariableIsEmpty("TQ_BENCH_HTML"))
        benchmark::RegisterBenchmark("BM_HtmlFileToRtf", BM_HtmlFileToRtf)
            ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
