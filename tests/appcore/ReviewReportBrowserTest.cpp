// The HTML report as a real browser reads it: headless Chromium loads the written file and dumps the
// document it built, so a row that only looks right in the text but parses otherwise shows here.
#include "app/core/ReviewReport.h"

#include "tests/appcore/ReviewReportFixture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>

namespace {

// The document Chromium built from the file, as its --dump-dom prints it; empty when it did not run.
std::string RenderedDom(const std::string& file, const std::string& profile)
{
    const std::string command = std::string("timeout 50 ") + QOSWEEP_CHROMIUM +
                                " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run"
                                " --disable-background-networking --disable-component-update --disable-sync"
                                " --user-data-dir='" +
                                profile + "' --dump-dom 'file://" + file + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return {};
    std::string out;
    std::array<char, 4096> buffer;
    for (size_t n; (n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
        out.append(buffer.data(), n);
    pclose(pipe);
    return out;
}

size_t Count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size())
        ++n;
    return n;
}

class ReviewReportBrowserTest : public ReviewReportFixture
{};

TEST_F(ReviewReportBrowserTest, ChromiumShowsEveryRowWithItsTextsAsText)
{
    AddFixtureGroups();
    TempDir dir;
    const std::string file = dir.file("report.html");
    std::string fault;
    ASSERT_TRUE(WriteReviewReport(file, ReportFormat::Html, fault)) << fault;

    const std::string dom = RenderedDom(file, dir.file("profile"));
    ASSERT_NE(std::string::npos, dom.find("</html>")) << "no document from Chromium:\n" << dom;
    // Two tables, eight record rows; each group a row group of its own.
    EXPECT_EQ(2u, Count(dom, "<table>"));
    EXPECT_EQ(8u, Count(dom, "<tr class="));
    EXPECT_EQ(4u, Count(dom, "<tbody>"));
    EXPECT_EQ(3u, Count(dom, "<tr class=\"kept\">") + Count(dom, "<tr class=\"unticked\">"));
    // The markup in a name stayed text: the browser made no element of it and writes it back escaped
    // in its own way (a quote in text needs no escape).
    EXPECT_EQ(2u, Count(dom, "<td class=\"name\">&lt;b&gt;&amp;\"x\"</td>"));
    EXPECT_EQ(0u, Count(dom, "<b>"));
    EXPECT_NE(std::string::npos, dom.find("<td class=\"name\">Zo\xC3\xAB\n\xC3\x85str\xC3\xB6m</td>"));
    EXPECT_NE(std::string::npos, dom.find("<td>M\xC3\xBC"
                                          "ller &amp; S\xC3\xB6hne, \"Bau\"</td>"));
    EXPECT_NE(std::string::npos, dom.find("<td class=\"role\">delete (kept record ticked)</td>"));
    EXPECT_NE(std::string::npos, dom.find("<td class=\"lost\">Phone +49 170 1234567</td>"));
    EXPECT_NE(std::string::npos, dom.find("<td>Display Name, Email</td>"));
    EXPECT_NE(std::string::npos, dom.find("<td>Room 4.12</td>"));
}

} // namespace
