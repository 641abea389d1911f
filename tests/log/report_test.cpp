#include "tools/log/report.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// The labels under a chart's time axis, as its aria-label lists them.
std::vector<std::string> axisLabels(const std::string& svg) {
    std::smatch m;
    EXPECT_TRUE(
        std::regex_search(svg, m, std::regex("aria-label=\"[^;\"]*; time axis: ([^\"]*)\"")))
        << svg.substr(0, 300);
    std::vector<std::string> labels;
    const std::string list = m[1];
    for (std::size_t at = 0; at < list.size();) {
        const std::size_t comma = std::min(list.find(", ", at), list.size());
        labels.push_back(list.substr(at, comma - at));
        at = comma + 2;
    }
    return labels;
}

// Over a new year the first label drawn in that year names it, also when January's own
// label has no room: "Nov 2025, Dec, Feb 2026", never "Nov 2025, Dec, Feb".
TEST(ReportTest, TimeAxesNameEveryYearAtItsFirstLabel) {
    std::vector<Point> points;
    std::vector<Period> months;
    for (int i = 0; i < 14; ++i) {
        const date::year_month m = date::year{2025} / date::October + date::months{i};
        points.push_back({LocalTime{date::local_days{m / 15}.time_since_epoch()}, 6.0 + i % 3});
        Period p;
        p.year = static_cast<int>(m.year());
        p.month = static_cast<unsigned>(m.month());
        p.totals.money = 50.0 + i;
        months.push_back(p);
    }
    const std::vector<std::string> line =
        axisLabels(lineChartSvg("c", "Consumption", "l/100km", points, nullptr, ""));
    const std::vector<std::string> bars = axisLabels(monthChartSvg(
        "m", "Money per month", "money", months, [](const Totals& t) { return t.money; }));
    releaseChartFonts();
    for (const std::vector<std::string>* labels : {&line, &bars}) {
        std::string all;
        for (const std::string& label : *labels)
            all += label + ", ";
        SCOPED_TRACE(all);
        ASSERT_GE(labels->size(), 4u);
        EXPECT_EQ(labels->front(), "Oct 2025");
        // each year once, on its first label; "Jan" itself may have had no room
        std::vector<std::string> years;
        for (const std::string& label : *labels)
            if (label.size() > 4)
                years.push_back(label.substr(4));
        EXPECT_EQ(years, (std::vector<std::string>{"2025", "2026"}));
        // and the label after December carries it, whichever month that is
        const std::size_t dec = static_cast<std::size_t>(
            std::find(labels->begin(), labels->end(), "Dec") - labels->begin());
        ASSERT_LT(dec + 1, labels->size());
        EXPECT_EQ(labels->at(dec + 1).substr(3), " 2026");
    }
}

} // namespace
