#include "tools/log/report.h"

#include "tests/file_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>
#include <unistd.h>

using namespace pwlog;

namespace {

// The numbers of the path data of every path drawn in a colour, in drawing order.
std::vector<std::vector<double>> pathsIn(const std::string& svg, const std::string& colour) {
    std::vector<std::vector<double>> paths;
    const std::regex path(":rgb\\(" + colour + "\\);[^\"]*\" d=\"([^\"]*)\"");
    for (auto m = std::sregex_iterator(svg.begin(), svg.end(), path); m != std::sregex_iterator();
         ++m) {
        std::istringstream data(std::regex_replace((*m)[1].str(), std::regex("[A-Z]"), " "));
        paths.emplace_back(std::istream_iterator<double>(data), std::istream_iterator<double>());
    }
    return paths;
}
// The length in glyphs of each label of the value scale, bottom up.
std::vector<int> scaleLabels(const std::string& svg) {
    std::vector<int> labels;
    const std::regex label("85%,87%,82%\\);[^/]*/>\\s*<g[^>]*>((\\s*<use[^>]*>)*)");
    for (auto m = std::sregex_iterator(svg.begin(), svg.end(), label); m != std::sregex_iterator();
         ++m) {
        const std::string uses = (*m)[1];
        labels.push_back(static_cast<int>(std::count(uses.begin(), uses.end(), '<')));
    }
    return labels;
}

const std::string GRID = "85%,87%,82%", INK = "20%,22%,18%", BARS = "45%,58%,35%",
                  SERIES = "26%,45%,62%", LEVEL = "80%,45%,10%";

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
    const Summary s2 = summarise(car2, 2, 0, 60.0,
                                 readEvents("2\ttirechange\t12000\tMon Mar 10 12:00:00 2025\n")),
                  s0 = summarise(bike, 0, 0, 0.0, {});
    ReportOptions options;
    options.title = "Logbook <of \"Ann\" & Bob>";
    const std::string html =
        reportHtml({{2, &car2, &s2, 0, 60.0}, {0, &bike, &s0, 0, 0.0}}, car2.warnings, options);
    // a refill whose price was not entered is left out of the price chart, not drawn at 0
    const LogRecords unpriced =
        splitLog("1\t0.0\t30.00\t10000\t60.00\t0\tMon Jan  6 08:00:00 2025\n"
                 "1\t0.0\t30.00\t10500\t0.00\t0\tMon Jan 13 08:00:00 2025\n"
                 "1\t0.0\t30.00\t11000\t66.00\t0\tMon Jan 20 08:00:00 2025\n");
    const VehicleLog car1 = readVehicle(unpriced.records, 1);
    const Summary s1 = summarise(car1, 1, 0, 0.0, {});
    const std::string page = reportHtml({{1, &car1, &s1, 0, 0.0}}, car1.warnings, options);
    const std::size_t p1 = page.find("aria-label=\"Price per l");
    ASSERT_NE(p1, std::string::npos);
    EXPECT_EQ(pathsIn(page.substr(p1, page.find("</svg>", p1) - p1), SERIES).size(), 3u)
        << "the line and a dot at each of its two ends";
    releaseChartFonts();

    // self-contained: no script, no link, nothing fetched; the title escaped
    EXPECT_EQ(html.find("<script"), std::string::npos);
    EXPECT_EQ(html.find("<link"), std::string::npos);
    EXPECT_EQ(html.find("<img"), std::string::npos);
    EXPECT_EQ(std::regex_search(html, std::regex("(src|href)=\"(https?:|//)")), false);
    EXPECT_NE(html.find("<title>Logbook &lt;of &quot;Ann&quot; &amp; Bob&gt;</title>"),
              std::string::npos);
    // four charts for car 2; the motorcycle without refills gets none
    int charts = 0;
    for (std::size_t at = html.find("<svg "); at != std::string::npos;
         at = html.find("<svg ", at + 1))
        ++charts;
    EXPECT_EQ(charts, 4);
    EXPECT_NE(html.find("<h2>car 2</h2>"), std::string::npos);
    EXPECT_NE(html.find("<h2>motorcycle</h2>\n<p>No refills.</p>"), std::string::npos);
    EXPECT_EQ(html.find("300pt"), std::string::npos); // sized as the page lays it out
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
    // the price chart's scale in money per litre, from 1.6 to 2.4: labels of 3 glyphs
    const std::size_t prices = html.find("aria-label=\"Price per l");
    ASSERT_NE(prices, std::string::npos);
    EXPECT_EQ(scaleLabels(html.substr(prices, html.find("</svg>", prices) - prices)),
              std::vector<int>(5, 3));
    // the figures as computed by hand, each to its decimals
    for (const char* row : {"<th>refills</th><td>14, 2025-03-01 to 2025-03-27</td>",
                            "<th>distance</th><td>6510 km</td>", "<th>fuel</th><td>412.00 l</td>",
                            "<th>money spent</th><td>796.60</td>",
                            "<th>average consumption</th><td>6.33 l/100km</td>",
                            "<th>best interval</th><td>5.48 l/100km (2025-03-25)</td>",
                            "<th>worst interval</th><td>7.26 l/100km (2025-03-05)</td>",
                            "<th>cost per 100 km</th><td>12.24</td>",
                            "<th>range of a full tank</th><td>948 km (60.0 l)</td>",
                            "<th>since the tire change</th><td>4410 km (changed 2025-03-10)</td>",
                            "<td>2025</td><td>14</td><td>6510</td><td>412.00</td><td>796.60</td>"
                            "<td>6.33</td>",
                            "<td>2025-03</td><td>14</td><td>6510</td>"})
        EXPECT_NE(html.find(row), std::string::npos) << row;
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
    // a label that would reach past the chart's right edge is left out: "Jan 2026" at the
    // end of an axis from November
    const std::vector<Point> winter = {points[1], points[2]};
    EXPECT_EQ(axisLabels(lineChartSvg("c", "Consumption", "l/100km", winter, nullptr, "")),
              (std::vector<std::string>{"Nov 2025", "Dec"}));
    // two years are still told by their months; a 25th month turns both axes to the
    // Januaries with their years (October 2025 to October 2027 here)
    for (const std::size_t span : {24u, 25u}) {
        while (months.size() < span) {
            const date::year_month m =
                date::year{2025} / date::October + date::months{static_cast<int>(months.size())};
            points.push_back({LocalTime{date::local_days{m / 15}.time_since_epoch()}, 6.0});
            months.push_back(months.back());
            months.back().year = static_cast<int>(m.year());
            months.back().month = static_cast<unsigned>(m.month());
        }
        const std::vector<std::string> labels = axisLabels(monthChartSvg(
            "m", "Money per month", "money", months, [](const Totals& t) { return t.money; }));
        EXPECT_EQ(axisLabels(lineChartSvg("c", "Consumption", "l/100km", points, nullptr, "")),
                  labels);
        if (span == 24)
            EXPECT_EQ(labels.front(), "Oct 2025");
        else
            EXPECT_EQ(labels, (std::vector<std::string>{"2026", "2027"}));
    }
    releaseChartFonts();
}

// Bars from the foot of the plot (y 254 of 50..254, x 62..542) on a scale of round steps
// from 0 over the highest month, labelled with the decimals a step needs; a month without
// refills keeps its empty slot.
TEST(ReportTest, BarsAndTheirScaleAreDrawnToTheValues) {
    std::vector<Period> months(3);
    const unsigned month[] = {1, 3, 4};
    const double money[] = {100.0, 50.0, 25.0};
    for (std::size_t i = 0; i < 3; ++i) {
        months[i].year = 2025;
        months[i].month = month[i];
        months[i].totals.money = money[i];
    }
    const auto chart = [&](double (*value)(const Totals&)) {
        return monthChartSvg("m", "Money per month", "money", months, value);
    };
    const std::string bars = chart([](const Totals& t) { return t.money; });
    const std::string none = chart([](const Totals&) { return 0.0; });
    const std::string undated =
        monthChartSvg("u", "Money per month", "money", {}, [](const Totals& t) { return t.money; });
    releaseChartFonts();
    // the grid at 0, 50, 100 and 150; its labels 1, 2, 3 and 3 glyphs long
    std::vector<double> grid;
    for (const std::vector<double>& line : pathsIn(bars, GRID))
        grid.push_back(line.at(1));
    EXPECT_EQ(grid, (std::vector<double>{254, 186, 118, 50}));
    EXPECT_EQ(scaleLabels(bars), (std::vector<int>{1, 2, 3, 3}));
    // slots of 120, a bar in the middle 70% of each (none in February), a tick under
    // each slot's middle
    const std::vector<std::vector<double>> drawn = pathsIn(bars, BARS), ink = pathsIn(bars, INK);
    ASSERT_EQ(drawn.size(), 3u);
    ASSERT_EQ(ink.size(), 6u);
    EXPECT_EQ(ink[4], (std::vector<double>{62, 254, 542, 254})); // the frame
    EXPECT_EQ(ink[5], (std::vector<double>{62, 50, 62, 254}));
    for (std::size_t i = 0; i < 4; ++i) {
        const double left = 62 + 120 * static_cast<double>(i);
        EXPECT_EQ(ink[i], (std::vector<double>{left + 60, 254, left + 60, 258})) << i;
        if (i == 1)
            continue;
        const std::vector<double>& bar = drawn[i == 0 ? 0 : i - 1];
        EXPECT_NEAR(bar[0], left + 18, 1e-3) << i;
        EXPECT_NEAR(bar[2], left + 102, 1e-3) << i;
        EXPECT_NEAR(bar[1], 254 - money[i == 0 ? 0 : i - 1] / 150 * 204, 1e-3) << i;
        EXPECT_NEAR(bar[5], 254, 1e-3) << i;
    }
    // nothing to show: a scale from 0 to 1 in steps of 0.2, and no bar
    EXPECT_EQ(pathsIn(none, GRID).size(), 6u);
    EXPECT_TRUE(pathsIn(none, BARS).empty());
    // no dated refill at all: the frame and the reason ("no dated refills", 14 glyphs) in
    // the middle of the 300-unit high chart
    EXPECT_EQ(pathsIn(undated, INK).size(), 2u);
    EXPECT_TRUE(pathsIn(undated, GRID).empty());
    std::size_t glyphs = 0;
    const std::regex use("<use[^>]* y=\"([-0-9.]+)\"");
    for (std::sregex_iterator u(undated.begin(), undated.end(), use), end; u != end; ++u)
        glyphs += std::abs(std::stod((*u)[1]) - 150) < 20;
    EXPECT_GE(glyphs, 14u);
}

// Up to one point per 4 units of width a line with a dot at each point; more, a column
// per unit showing the span of the values there, so no extreme is lost.
TEST(ReportTest, LineChartsShowEveryPointOrTheSpanOfEachColumn) {
    const date::local_days march{date::year{2025} / date::March / 1};
    std::vector<Point> points;
    for (int i = 0; i < 400; ++i)
        points.push_back({march + std::chrono::hours(i + 1), 7.0});
    points[201] = {points[200].time, 5.0}; // a second fill at the same stop
    points[200].value = 9.0;
    const double level = 7.0;
    std::vector<std::size_t> drawn;
    // two points: the line between them, then a dot on each end
    const std::vector<std::vector<double>> two =
        pathsIn(lineChartSvg("c", "C", "l", {points[0], points[1]}, nullptr, ""), SERIES);
    ASSERT_EQ(two.size(), 3u);
    ASSERT_EQ(two[0].size(), 4u);
    EXPECT_LT(two[0][0], two[0][2]);
    // one point makes no line: the frame and the reason, no dot and no scale
    const std::string one = lineChartSvg("c", "C", "l", {points[0]}, nullptr, "");
    EXPECT_TRUE(pathsIn(one, SERIES).empty());
    EXPECT_TRUE(pathsIn(one, GRID).empty());
    EXPECT_EQ(pathsIn(one, INK).size(), 2u);
    // they are equal: a level line amid a scale in hundredths, as when they are a hair apart
    EXPECT_DOUBLE_EQ(two[0][1], 152.0);
    const std::string hair = lineChartSvg(
        "c", "C", "l", {points[0], {points[1].time, std::nextafter(7.0, 8.0)}}, nullptr, "");
    EXPECT_EQ(scaleLabels(hair), std::vector<int>(5, 4)); // 6.96 to 7.04
    EXPECT_DOUBLE_EQ(pathsIn(hair, SERIES).at(0).at(1), 152.0);
    for (std::size_t n : {2, 120, 121})
        drawn.push_back(
            pathsIn(lineChartSvg("c", "C", "l", {points.begin(), points.begin() + n}, nullptr, ""),
                    SERIES)
                .size());
    EXPECT_EQ(drawn, (std::vector<std::size_t>{3, 121, 1})); // the line and its dots, or columns
    const std::string svg = lineChartSvg("c", "C", "l", points, &level, "average 7.00");
    // a log out of time order (a clock set back) draws as the same points in order would
    // (cairo numbers its surfaces across charts)
    const auto chart = [&](const std::vector<Point>& p) {
        return std::regex_replace(lineChartSvg("c", "C", "l", p, &level, ""),
                                  std::regex("surface[0-9]+"), "surface");
    };
    for (const std::size_t n : {std::size_t{5}, points.size()})
        EXPECT_EQ(chart({points.rend() - static_cast<long>(n), points.rend()}),
                  chart({points.begin(), points.begin() + static_cast<long>(n)}))
            << n;
    releaseChartFonts();
    const std::vector<std::vector<double>> series = pathsIn(svg, SERIES),
                                           dashed = pathsIn(svg, LEVEL);
    ASSERT_EQ(series.size(), 1u);
    ASSERT_EQ(dashed.size(), 1u);
    // a unit wide, as the columns are, where the line with its dots is wider
    EXPECT_NE(svg.find("stroke-width:1;stroke-linecap:butt;stroke-linejoin:miter;stroke:rgb(" +
                       SERIES + ")"),
              std::string::npos);
    const std::vector<double>& c = series[0];
    ASSERT_EQ(c.size() % 4, 0u);
    ASSERT_GT(c.size() / 4, 200u);
    double top = c[1], bottom = c[3];
    for (std::size_t i = 0; i < c.size(); i += 4) {
        top = std::min(top, c[i + 1]);
        bottom = std::max(bottom, c[i + 3]);
    }
    // each point in the column of its time: the first an hour into March, the last 400
    // hours later, on an axis of March's 744 hours 480 units wide
    EXPECT_EQ(c[0], 62.5);
    EXPECT_EQ(c[c.size() - 4], 62 + std::floor(480 * 400.0 / 744) + 0.5);
    int spans = 0;
    for (std::size_t i = 0; i < c.size(); i += 4) {
        SCOPED_TRACE(i);
        EXPECT_EQ(c[i], c[i + 2]); // upright, left to right
        EXPECT_TRUE(i == 0 || c[i] > c[i - 4]);
        if (c[i + 1] == top && c[i + 3] == bottom) {
            ++spans;
        } else {
            // one value: a unit long, at the height of the level line drawn at 7
            EXPECT_NEAR(c[i + 3] - c[i + 1], 1.0, 1e-3);
            EXPECT_NEAR((c[i + 1] + c[i + 3]) / 2, dashed[0][1], 1e-3);
        }
    }
    EXPECT_EQ(spans, 1);
    EXPECT_EQ(dashed[0], (std::vector<double>{62, dashed[0][1], 542, dashed[0][1]}));
    const std::vector<std::vector<double>> ink = pathsIn(svg, INK); // ticks, then the frame
    ASSERT_GE(ink.size(), 2u);
    EXPECT_EQ(ink[ink.size() - 2], (std::vector<double>{62, 254, 542, 254}));
    EXPECT_EQ(ink.back(), (std::vector<double>{62, 50, 62, 254}));
}

// The report the README shows is the one the companion writes today, byte for byte: a
// change of a figure, a label's place or a colour anywhere in the report shows here.
TEST(ReportTest, TheSampleReportOfTheDocsIsTheOneWrittenNow) {
    char name[] = "/tmp/pwreport-XXXXXX";
    const std::string dir = mkdtemp(name);
    writeFileText(dir + "/properties.txt", "P_CAR1FUELFULL: 55.0\n");
    const std::string command = "bash " PW_SOURCE_DIR "/scripts/sample-log.sh >" + dir +
                                "/consumption.txt && " PW_LOG_TOOL " report --card " + dir +
                                " -o " + dir + "/report.html >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string written = readFileText(dir + "/report.html");
    std::system(("rm -rf " + dir).c_str());
    EXPECT_TRUE(written == readFileText(PW_SOURCE_DIR "/docs/report/sample-report.html"))
        << "docs/report/sample-report.html is out of date: after a change of the report made "
           "on purpose, run bash scripts/report-docs.sh";
}

} // namespace
