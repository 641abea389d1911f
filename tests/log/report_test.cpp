#include "tools/log/report.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>

using namespace pwlog;

namespace {

TEST(ReportTest, OnePageThatNeedsNothingElse) {
    std::string log;
    for (int i = 0; i < 14; ++i) {
        char line[160];
        std::snprintf(line, sizeof line,
                      "2\t%d.00\t%d.50\t0.0\t%d.40\t0.00\tMon Mar %2d 08:00:00 2025\n",
                      400 + 10 * i, 28 + i % 3, 50 + i, 1 + 2 * i);
        log += line;
    }
    log += "2\t0.0\t0.00\t0.0\t0.00\t0.00\tMon Mar 31 08:00:00 2025\n";
    const LogRecords records = splitLog(log);
    const VehicleLog car2 = readVehicle(records.records, 2), bike = readVehicle(records.records, 0);
    const Summary s2 = summarise(car2, 2, 0, 60.0, {}), s0 = summarise(bike, 0, 0, 0.0, {});
    ReportOptions options;
    options.title = "Logbook <of Ann & Bob>";
    const std::string html =
        reportHtml({{2, &car2, &s2, 0, 60.0}, {0, &bike, &s0, 0, 0.0}}, car2.warnings, options);
    releaseChartFonts();

    // self-contained: no script, no link, nothing fetched; the title escaped
    EXPECT_EQ(html.find("<script"), std::string::npos);
    EXPECT_EQ(html.find("<link"), std::string::npos);
    EXPECT_EQ(html.find("<img"), std::string::npos);
    EXPECT_EQ(std::regex_search(html, std::regex("(src|href)=\"(https?:|//)")), false);
    EXPECT_NE(html.find("<title>Logbook &lt;of Ann &amp; Bob&gt;</title>"), std::string::npos);
    // four charts for car 2; the motorcycle without refills gets none
    int charts = 0;
    for (std::size_t at = html.find("<svg "); at != std::string::npos;
         at = html.find("<svg ", at + 1))
        ++charts;
    EXPECT_EQ(charts, 4);
    EXPECT_NE(html.find("No refills."), std::string::npos);
    EXPECT_NE(html.find("line 15: no distance and no odometer reading"), std::string::npos);
    // charts share the page: no id twice, every reference resolves within the page
    std::set<std::string> ids;
    const std::regex id("id=\"([^\"]+)\"");
    for (auto m = std::sregex_iterator(html.begin(), html.end(), id); m != std::sregex_iterator();
         ++m)
        EXPECT_TRUE(ids.insert((*m)[1]).second) << (*m)[1];
    const std::regex ref("href=\"#([^\"]+)\"");
    int refs = 0;
    for (auto m = std::sregex_iterator(html.begin(), html.end(), ref); m != std::sregex_iterator();
         ++m, ++refs)
        EXPECT_EQ(ids.count((*m)[1]), 1u) << (*m)[1];
    EXPECT_GT(refs, 100); // the text is drawn as glyph outlines
    // the figures as computed
    EXPECT_NE(html.find("<tr><th>range of a full tank</th><td>"), std::string::npos);
}

} // namespace
