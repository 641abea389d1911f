#pragma once
// The HTML report: the summary tables and charts of every vehicle in one file that needs
// nothing else (the charts are inline SVG drawn with cairo, their text as outlines).
#include "tools/log/logbook.h"
#include "tools/log/units.h"

#include <string>
#include <vector>

namespace pwlog {

struct VehicleReport {
    int vehicle = 0;
    const VehicleLog* log = nullptr;
    const Summary* summary = nullptr;
    int odometerMode = 0;
    double tankSize = 0.0;
};

struct ReportOptions {
    std::string title;
    int fuelDistanceMode = 0;
    Units units = Units::Metric;
};

std::string reportHtml(const std::vector<VehicleReport>& vehicles,
                       const std::vector<Warning>& warnings, const ReportOptions& options);
// Gives back the font caches cairo and fontconfig keep for the whole process, once the
// last chart is drawn (leak checkers would report them).
void releaseChartFonts();

// A time series chart as SVG: points joined in time order, with an optional level line.
// id prefixes the SVG's own ids, so that charts can share a page.
struct Point {
    LocalTime time;
    double value;
};
std::string lineChartSvg(const std::string& id, const std::string& title, const std::string& unit,
                         std::vector<Point> points, const double* level,
                         const std::string& levelLabel);
// A bar chart of months as SVG, every month from the first to the last one shown.
std::string monthChartSvg(const std::string& id, const std::string& title, const std::string& unit,
                          const std::vector<Period>& months, double (*value)(const Totals&));

} // namespace pwlog
