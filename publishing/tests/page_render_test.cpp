// Loads generated pages with hostile bulletins in headless Chromium and reads back the
// document as the browser built it.

#include "publishing_test_support.h"
#include "testsupport/fake_uploader.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace quillet;
using namespace quillet::testing;

namespace {

constexpr const char* kChromium = "/usr/bin/chromium";

// The document after loading and running its scripts, as Chromium serialises it.
std::string renderedDom(const fs::path& page, const fs::path& profile) {
    // The temporary paths hold no quote or blank.
    const std::string command =
        std::string("timeout 60 ") + kChromium +
        " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run"
        " --disable-background-networking --disable-component-update --disable-sync"
        " --user-data-dir=" +
        profile.string() + " --dump-dom file://" + page.string() + " >" +
        (profile / "dom.html").string() + " 2>" + (profile / "chromium.log").string();
    return std::system(command.c_str()) != -1 ? readBytes(profile / "dom.html") : "";
}

// How a text stands in serialised markup.
std::string asMarkupText(const std::string& text) {
    std::string out;
    for (const char c : text) {
        out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
    }
    return out;
}

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos;
         at = text.find(part, at + 1), ++count) {
    }
    return count;
}

class PageInChromium : public ::testing::Test, public PublisherRig<FakeUploader> {
protected:
    TempDir web;
    TempDir profile;
    void SetUp() override {
        if (!fs::exists(kChromium)) {
            FAIL() << "chromium is not installed: apt-get install chromium";
        }
        input.settings.autoCopyEnabled = true;
        input.settings.copyToDirectory = web.path().string();
        input.settings.htmlFileName = "index.htm";
        fs::copy_file(fs::path(QUILLET_PAGE_SOURCE_DIR) / "quillet.js1", program / "quillet.js1");
        table = hostileTable();
    }

    std::string publishAndRender() {
        publisher.webpageAction(input);
        EXPECT_EQ(statuses, std::vector<std::string>{""});
        const std::string dom = renderedDom(web / "index.htm", profile.path());
        EXPECT_NE(dom.find("</html>"), std::string::npos)
            << "Chromium gave no document; see its log: " << readBytes(profile / "chromium.log");
        return dom;
    }
};

TEST_F(PageInChromium, TheShippedPageShowsHostileBulletinsAsTextOrSaysThereAreNone) {
    fs::copy_file(fs::path(QUILLET_PAGE_SOURCE_DIR) / "quillet.template",
                  program / "quillet.template");
    const std::string dom = publishAndRender();
    EXPECT_NE(dom.find("<title>APRS bulletins heard by N0CALL</title>"), std::string::npos) << dom;
    EXPECT_EQ(occurrences(dom, "PWNED"), 2u) << "only inside the two escaped texts";
    EXPECT_EQ(dom.find("data-pwned"), std::string::npos);
    EXPECT_EQ(dom.find("<img"), std::string::npos);
    EXPECT_EQ(occurrences(dom, "<tr>"), 5u) << "the heading row and one row per bulletin";
    for (const Bulletin& b : table) {
        if (b.inUse && b.text.find('\x80') == std::string::npos) {
            EXPECT_NE(dom.find(asMarkupText(b.text)), std::string::npos) << b.text;
            EXPECT_NE(dom.find(asMarkupText(b.addressee)), std::string::npos) << b.addressee;
        }
    }
    // the Windows-1252 bytes were read as such: the euro sign and accented letters
    EXPECT_NE(dom.find("\xE2\x82\xACuro \xC3\xA9t\xC3\xA9"), std::string::npos);
    EXPECT_NE(dom.find("<table id=\"bulletins\">"), std::string::npos)
        << "the page script found the rows and left the table shown";
    // With no bulletins the page says so instead.
    table = {};
    statuses.clear();
    const std::string empty = publishAndRender();
    EXPECT_EQ(occurrences(empty, "<tr>"), 1u);
    EXPECT_NE(empty.find("<table id=\"bulletins\" hidden"), std::string::npos) << empty;
    EXPECT_NE(empty.find("<p id=\"no-bulletins\">No bulletins"), std::string::npos) << empty;
}

TEST_F(PageInChromium, EachLinkCallsGoWithItsCallsignAndNothingElse) {
    // Runs every row link's script as the browser would on a click: the URL decoded, then
    // evaluated. go records its argument; anything injected would run beside it.
    writeBytes(program / "quillet.template",
               "<!DOCTYPE html><html><head><meta charset=\"windows-1252\"><title>t</title>\n"
               "<script>\n"
               "var calls = [];\n"
               "function go(c) { calls.push(c); }\n"
               "document.addEventListener('DOMContentLoaded', function () {\n"
               "  var links = document.querySelectorAll('#rows a');\n"
               "  for (var i = 0; i < links.length; i++) {\n"
               "    var code = links[i].getAttribute('href');\n"
               "    try { (0, eval)(decodeURIComponent(code.slice(11))); }\n"
               "    catch (e) { calls.push('threw ' + e); }\n"
               "  }\n"
               "  document.getElementById('calls').textContent = JSON.stringify(calls);\n"
               "});\n"
               "</script></head><body><table id=\"rows\">\n$RAWDATA</table>\n"
               "<pre id=\"calls\"></pre></body></html>\n");
    const std::string dom = publishAndRender();
    // the callsigns as JSON.stringify writes them
    const std::string expected = R"(["EVIL1","EVIL2\"><img src=x onerror=\"document.body.)"
                                 R"(dataset.pwned=1\">","X');document.body.dataset.pwned=3;//",)"
                                 R"("Q%27)+alert(1)+(%27"])";
    EXPECT_NE(dom.find("<pre id=\"calls\">" + asMarkupText(expected) + "</pre>"), std::string::npos)
        << dom;
    EXPECT_EQ(dom.find("data-pwned"), std::string::npos);
    EXPECT_NE(dom.find("<title>t</title>"), std::string::npos);
}

} // namespace
