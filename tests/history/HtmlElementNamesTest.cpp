#include "history/HtmlElementNames.h"
#include "HistoryTestSupport.h"

#include <gtest/gtest.h>

namespace {

// Element names are dropped from copied HTML before it is parsed, and nothing else changes:
// text, comments, scripts and attribute values that only look like names stay as they were.
TEST(HtmlElementNamesTest, DropsOnlyTheNamesOfElements) {
    const struct {
        const char *html, *expected;
    } cases[] = {
        {R"(<h3 id="s0">Title</h3>)", "<h3>Title</h3>"},
        {R"(<a name=top ID='x' href="#top">up</a>)", R"(<a href="#top">up</a>)"},
        {R"(<p title="a > id=b" id = "c" class=d>t</p>)", R"(<p title="a > id=b" class=d>t</p>)"},
        {R"(<img id=i src=x.png />)", R"(<img src=x.png />)"},
        {R"(<p>say id="x" or <b>name=y</b></p>)", R"(<p>say id="x" or <b>name=y</b></p>)"},
        {R"(<!-- <p id="c"> --><p>x</p>)", R"(<!-- <p id="c"> --><p>x</p>)"},
        {R"(<script>if (a<b id="s") {}</script><i id=z>)",
         R"(<script>if (a<b id="s") {}</script><i>)"},
        {R"(<style>#s0 { color: red }</style><h3 id="s0">x</h3>)",
         R"(<style>#s0 { color: red }</style><h3 id="s0">x</h3>)"},
        {R"(<p id="unterminated)", "<p"},
        {"a < b, 3<4", "a < b, 3<4"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(withoutElementNames(QString::fromUtf8(c.html)).toStdString(), c.expected);
}

} // namespace
