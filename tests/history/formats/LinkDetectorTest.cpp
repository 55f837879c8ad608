#include "history/formats/LinkDetector.h"

#include "RichTextTestData.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

struct Case {
    const char16_t *text;
    bool link;
};

void expectAll(std::initializer_list<Case> cases) {
    for (const Case &c : cases) {
        const QString text = QString::fromUtf16(c.text);
        EXPECT_EQ(containsLink(text), c.link) << text.toStdString();
    }
}

} // namespace

// Web, file and mail addresses written in plain text mark the entry as holding a link.
TEST(LinkDetector, FindsAddresses) {
    expectAll({
        {u"https://example.org/a/b?c=d&e=f#g", true},
        {u"see http://status.example.com:8080/health?verbose=1 now", true},
        {u"HTTPS://EXAMPLE.ORG", true},
        {u"ftp://ftp.example.org/pub/", true},
        {u"file:///etc/hostname", true},
        {u"http://[2001:db8::1]:8080/x", true},
        {u"file://host/share", true},
        {u"https://bücher.example/straße", true},
        {u"\u202Eevil.exe\u202C and שלום https://example.org/דף", true},
        {u"mailto:ops-team@example.org?subject=Hi", true},
        {u"mailto:root@localhost", true},
        {u"Docs are on www.example.com/docs now.", true},
        {u"Write to ops-team@example.org about it.", true},
        {u"(https://en.example.org/wiki/Foo_(bar)), then stop.", true},
        {u"<https://example.org>", true},
        {u"line one\r\nhttps://example.org/x\r\n", true},
        {u"\u201Chttps://example.org\u201D", true},
        {u"a@a@a@b.org", true},
    });
}

// Words that only look like addresses do not, however close they come.
TEST(LinkDetector, IgnoresLookAlikes) {
    expectAll({
        {u"", false},
        {u"the word http alone, \"https\" too", false},
        {u"http://", false},
        {u"http:// example.org", false},
        {u"see http://.", false},
        {u"(http://)", false},
        {u"file://", false},
        {u"file://.", false},
        {u"http://[", false},
        {u"xhttp://example.org", false},
        {u"javascript:alert(document.cookie)", false},
        {u"report.final.pdf, cake.final.docx, v1.2.3, 3.14, a.b, e.g. and i.e.", false},
        {u"example dot com, example.com without www", false},
        {u"www.example", false},
        {u"www.", false},
        {u"foo.www.example.com", false},
        {u"user@localhost, bake@home (no domain), a@b.c, x@3.14", false},
        {u"mailto:", false},
        {u"mailto:nobody", false},
        {u"mailto:mailto:a@", false},
        {u"(http://)(http://)x.www.x.www.", false},
        {u"C:\\Users\\x and /usr/share/doc", false},
    });
}

// Real copied text: a page of written-out addresses among traps, and pages without any. (A
// textarea with an address is PasteboardCaptureTest's.)
TEST(LinkDetector, JudgesRealCopies) {
    const QString visible = QString::fromUtf8(richTextData("chromium-links-visible.txt"));
    const QStringList lines = visible.split(u'\n');
    ASSERT_GE(lines.size(), 7);
    EXPECT_TRUE(containsLink(lines[1])); // mirror and status page URLs
    EXPECT_TRUE(containsLink(lines[3])); // www. host and an e-mail address
    EXPECT_FALSE(containsLink(lines[5])) << lines[5].toStdString(); // the traps
    EXPECT_TRUE(containsLink(visible));
    for (const char *name :
         {"chromium-textarea-code.txt", "../chromium/selectall-no-link/UTF8_STRING.txt",
          "not-links.txt", "lo-rich-basic.txt", "lo-i18n.txt"}) {
        EXPECT_FALSE(containsLink(QString::fromUtf8(richTextData(name)))) << name;
    }
}
