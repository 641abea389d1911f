#include "tools/log/report.h"

#include "tools/log/summary_text.h"

#include <cairo-svg.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace pwlog {

namespace {

constexpr double WIDTH = 560, HEIGHT = 300;
constexpr double LEFT = 62, RIGHT = 18, TOP = 50, BOTTOM = 46;
constexpr double FONT = 12, TITLE_FONT = 15;

struct Rgb {
    double r, g, b;
};
constexpr Rgb INK{0.20, 0.22, 0.18}, GRID{0.85, 0.87, 0.82}, SERIES{0.26, 0.45, 0.62},
    LEVEL{0.80, 0.45, 0.10}, BARS{0.45, 0.58, 0.35};

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

std::string escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

cairo_status_t appendSvg(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

// A chart being drawn: the surface, the plot box and the value scale.
class Canvas {
  public:
    Canvas(const std::string& title, const std::string& unit) : title_(title) {
        surface_ = cairo_svg_surface_create_for_stream(appendSvg, &svg_, WIDTH, HEIGHT);
        cr_ = cairo_create(surface_);
        cairo_select_font_face(cr_, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                               CAIRO_FONT_WEIGHT_NORMAL);
        colour(INK);
        cairo_set_font_size(cr_, TITLE_FONT);
        text(title, LEFT, 20, 0.0);
        cairo_set_font_size(cr_, FONT);
        text(unit, 8, TOP - 14, 0.0);
    }
    ~Canvas() {
        cairo_destroy(cr_);
        cairo_surface_destroy(surface_);
    }
    // The SVG to put into a page. Several charts share the page, so every id the
    // surface made up (glyphs, clips) gets the chart's own prefix.
    std::string finish(const std::string& id) {
        cairo_surface_finish(surface_);
        // the XML declaration does not belong inside an HTML page
        const std::size_t start = svg_.find("<svg");
        std::string svg = start == std::string::npos ? svg_ : svg_.substr(start);
        // The text is drawn as outlines; readers that cannot see it get it from the label.
        std::string said = title_;
        for (std::size_t i = 0; i < ticks_.size(); ++i)
            said += (i ? ", " : "; time axis: ") + ticks_[i];
        if (start != std::string::npos)
            svg.insert(4, " role=\"img\" aria-label=\"" + escape(said) + "\"");
        replaceAll(svg, "id=\"", "id=\"" + id + "-");
        replaceAll(svg, "href=\"#", "href=\"#" + id + "-");
        replaceAll(svg, "url(#", "url(#" + id + "-");
        // sized in CSS pixels, as the layout of the page expects
        replaceAll(svg, "width=\"560pt\" height=\"300pt\"", "width=\"560\" height=\"300\"");
        return svg;
    }

    // Vertical scale from lo to hi with round steps, labelled on the left.
    void valueAxis(double lo, double hi) {
        if (hi <= lo)
            hi = lo + 1.0;
        const double raw = (hi - lo) / 5.0;
        const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
        double step = magnitude;
        for (double m : {1.0, 2.0, 5.0, 10.0})
            if (m * magnitude >= raw) {
                step = m * magnitude;
                break;
            }
        lo_ = std::floor(lo / step) * step;
        hi_ = std::ceil(hi / step) * step;
        const int decimals = step >= 1.0 ? 0 : static_cast<int>(std::ceil(-std::log10(step)));
        for (double v = lo_; v <= hi_ + step / 2; v += step) {
            const double y = yOf(v);
            colour(GRID);
            line(LEFT, y, WIDTH - RIGHT, y, 1.0);
            colour(INK);
            text(withDecimals(v, decimals), LEFT - 6, y + FONT / 3, 1.0);
        }
    }
    double yOf(double v) const {
        return HEIGHT - BOTTOM - (v - lo_) / (hi_ - lo_) * (HEIGHT - TOP - BOTTOM);
    }
    double baseline() const { return yOf(std::max(lo_, 0.0)); }

    // A label under the plot, skipped when it would touch the one before it; true when
    // it was drawn.
    bool tick(const std::string& label, double x, double& freeFrom) {
        cairo_text_extents_t e;
        cairo_text_extents(cr_, label.c_str(), &e);
        colour(INK);
        line(x, HEIGHT - BOTTOM, x, HEIGHT - BOTTOM + 4, 1.0);
        const double left = x - e.x_advance / 2;
        if (left < freeFrom || x + e.x_advance / 2 > WIDTH)
            return false;
        text(label, x, HEIGHT - BOTTOM + 18, 0.5);
        freeFrom = x + e.x_advance / 2 + 8;
        ticks_.push_back(label);
        return true;
    }
    void frame() {
        colour(INK);
        line(LEFT, HEIGHT - BOTTOM, WIDTH - RIGHT, HEIGHT - BOTTOM, 1.2);
        line(LEFT, TOP, LEFT, HEIGHT - BOTTOM, 1.2);
    }
    // A chart with nothing to plot: its frame, and why in the frame's ink.
    void nothingToPlot(const std::string& message) {
        frame();
        text(message, WIDTH / 2, HEIGHT / 2, 0.5);
    }

    void colour(Rgb c) { cairo_set_source_rgb(cr_, c.r, c.g, c.b); }
    void line(double x1, double y1, double x2, double y2, double width) {
        cairo_set_line_width(cr_, width);
        cairo_move_to(cr_, x1, y1);
        cairo_line_to(cr_, x2, y2);
        cairo_stroke(cr_);
    }
    // align 0 left, 0.5 centre, 1 right of x
    void text(const std::string& s, double x, double y, double align) {
        cairo_text_extents_t e;
        cairo_text_extents(cr_, s.c_str(), &e);
        cairo_move_to(cr_, x - e.x_advance * align, y);
        cairo_show_text(cr_, s.c_str());
    }
    cairo_t* cr() { return cr_; }

  private:
    std::string title_;
    std::vector<std::string> ticks_; // the time axis's labels as drawn
    std::string svg_;
    cairo_surface_t* surface_;
    cairo_t* cr_;
    double lo_ = 0.0, hi_ = 1.0;
};

const char* const MONTHS[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// The months along a time axis, labelled "Nov 2025", "Dec", "Jan 2026", "Feb", ...: the
// first label drawn in each year carries the year, so a January whose label has no room
// hands the year on to the next month that has. Over more than two years only the
// Januaries are labelled, with their years.
class MonthAxis {
  public:
    explicit MonthAxis(bool yearly) : yearly_(yearly) {}
    void tick(Canvas& c, date::year_month m, double x) {
        const int year = static_cast<int>(m.year());
        const unsigned month = static_cast<unsigned>(m.month());
        const std::string withYear = year != labelledYear_ ? " " + std::to_string(year) : "";
        if (yearly_ ? month == 1 && c.tick(std::to_string(year), x, freeFrom_)
                    : c.tick(MONTHS[month - 1] + withYear, x, freeFrom_) && !withYear.empty())
            labelledYear_ = year;
    }

  private:
    bool yearly_;
    int labelledYear_ = 0; // no year 0 in the calendar: the first label carries its year
    double freeFrom_ = 0.0;
};

} // namespace

std::string lineChartSvg(const std::string& id, const std::string& title, const std::string& unit,
                         std::vector<Point> points, const double* level,
                         const std::string& levelLabel) {
    // A log is in the order refills were typed; a clock set back puts a time out of order,
    // and the line must still run left to right over an axis that holds every point.
    std::stable_sort(points.begin(), points.end(),
                     [](const Point& a, const Point& b) { return a.time < b.time; });
    Canvas c(title, unit);
    if (points.size() < 2) {
        c.nothingToPlot("not enough data");
        return c.finish(id);
    }
    double lo = points[0].value, hi = lo;
    for (const Point& p : points) {
        lo = std::min(lo, p.value);
        hi = std::max(hi, p.value);
    }
    // Equal values (a price that did not change) or values a rounding error apart still get
    // a scale a twentieth of a unit tall at least, labelled in hundredths, the line amid it.
    const double pad = std::max((hi - lo) * 0.1, 0.025);
    c.valueAxis(std::max(0.0, lo - pad), hi + pad);
    // time axis: from the first day of the first month to the first day after the last
    const auto firstDay = date::floor<date::days>(points.front().time);
    const date::year_month start =
        date::year_month_day{firstDay}.year() / date::year_month_day{firstDay}.month();
    const date::year_month_day lastDay{date::floor<date::days>(points.back().time)};
    const date::year_month end =
        date::year_month{lastDay.year() / lastDay.month()} + date::months{1};
    const double t0 =
        static_cast<double>(date::local_days{start / 1}.time_since_epoch().count() * 86400.0);
    const double t1 =
        static_cast<double>(date::local_days{end / 1}.time_since_epoch().count() * 86400.0);
    auto xOf = [&](LocalTime t) {
        return LEFT + (static_cast<double>(t.time_since_epoch().count()) - t0) / (t1 - t0) *
                          (WIDTH - LEFT - RIGHT);
    };
    MonthAxis axis((end - start).count() > 24);
    for (date::year_month m = start; m <= end; m += date::months{1})
        axis.tick(c, m, xOf(LocalTime{date::local_days{m / 1}.time_since_epoch()}));
    c.frame();
    cairo_t* cr = c.cr();
    c.colour(SERIES);
    cairo_set_line_width(cr, 1.6);
    const double plotWidth = WIDTH - LEFT - RIGHT;
    if (points.size() <= plotWidth / 4) {
        for (std::size_t i = 0; i < points.size(); ++i) {
            const double x = xOf(points[i].time), y = c.yOf(points[i].value);
            if (i == 0)
                cairo_move_to(cr, x, y);
            else
                cairo_line_to(cr, x, y);
        }
        cairo_stroke(cr);
        for (const Point& p : points) {
            cairo_arc(cr, xOf(p.time), c.yOf(p.value), 2.8, 0, 2 * M_PI);
            cairo_fill(cr);
        }
    } else {
        // More points than the width can show apart: each pixel column shows the span of
        // its values, so that no extreme is lost and the file stays small.
        std::vector<double> low(static_cast<std::size_t>(plotWidth), HUGE_VAL);
        std::vector<double> high(low.size(), -HUGE_VAL);
        for (const Point& p : points) {
            // The axis runs from the first point's month to the day after the last point,
            // so every point has its column; at() stops a fault of that scale.
            const auto column = static_cast<std::size_t>(xOf(p.time) - LEFT);
            low.at(column) = std::min(low.at(column), p.value);
            high.at(column) = std::max(high.at(column), p.value);
        }
        cairo_set_line_width(cr, 1.0);
        for (std::size_t column = 0; column < low.size(); ++column) {
            if (low[column] > high[column])
                continue;
            const double x = LEFT + static_cast<double>(column) + 0.5;
            cairo_move_to(cr, x, c.yOf(high[column]) - 0.5);
            cairo_line_to(cr, x, c.yOf(low[column]) + 0.5);
        }
        cairo_stroke(cr);
    }
    if (level) {
        const double y = c.yOf(*level);
        c.colour(LEVEL);
        const double dash[] = {6.0, 4.0};
        cairo_set_dash(cr, dash, 2, 0);
        c.line(LEFT, y, WIDTH - RIGHT, y, 1.6);
        cairo_set_dash(cr, nullptr, 0, 0);
        // the label sits in the free band above the plot, at the right
        c.text(levelLabel, WIDTH - RIGHT, TOP - 14, 1.0);
    }
    return c.finish(id);
}

std::string monthChartSvg(const std::string& id, const std::string& title, const std::string& unit,
                          const std::vector<Period>& months, double (*value)(const Totals&)) {
    Canvas c(title, unit);
    if (months.empty()) {
        c.nothingToPlot("no dated refills");
        return c.finish(id);
    }
    const date::year_month first{date::year(months.front().year),
                                 date::month(months.front().month)};
    const date::year_month last{date::year(months.back().year), date::month(months.back().month)};
    const int count = (last - first).count() + 1;
    std::vector<double> values(static_cast<std::size_t>(count), 0.0);
    double hi = 0.0;
    for (const Period& p : months) {
        const int i = (date::year_month{date::year(p.year), date::month(p.month)} - first).count();
        values[static_cast<std::size_t>(i)] = value(p.totals);
        hi = std::max(hi, values[static_cast<std::size_t>(i)]);
    }
    c.valueAxis(0.0, hi * 1.05);
    const double slot = (WIDTH - LEFT - RIGHT) / count;
    MonthAxis axis(count > 24);
    cairo_t* cr = c.cr();
    for (int i = 0; i < count; ++i) {
        const date::year_month m = first + date::months{i};
        const double x = LEFT + slot * i;
        c.colour(BARS);
        const double top = c.yOf(values[static_cast<std::size_t>(i)]);
        cairo_rectangle(cr, x + slot * 0.15, top, slot * 0.7, c.baseline() - top);
        cairo_fill(cr);
        axis.tick(c, m, x + slot / 2);
    }
    c.frame();
    return c.finish(id);
}

namespace {

std::string figureRow(const std::string& name, const std::string& value) {
    return "<tr><th>" + escape(name) + "</th><td>" + escape(value) + "</td></tr>\n";
}

std::string periodTable(const char* first, const std::vector<Period>& periods, bool monthly,
                        int mode, const UnitNames& u, const std::string& unit) {
    std::string out = "<table class=\"periods\"><tr><th>" + std::string(first) +
                      "</th><th>refills</th><th>distance (" + u.distance + ")</th><th>fuel (" +
                      u.fuel + ")</th><th>money</th><th>average (" + escape(unit) + ")</th></tr>\n";
    for (const Period& p : periods) {
        const Totals& t = p.totals;
        const std::string label =
            monthly ? formatted("%04d-%02u", p.year, p.month) : formatted("%04d", p.year);
        out +=
            "<tr><td>" + label + "</td><td>" + std::to_string(t.refills) + "</td><td>" +
            withDecimals(t.distance, 0) + "</td><td>" + withDecimals(t.fuel, 2) + "</td><td>" +
            withDecimals(t.money, 2) + "</td><td>" +
            (t.hasAverage() ? withDecimals(refillConsumption(t.distance, t.intervalFuel, mode), 2)
                            : "–") +
            "</td></tr>\n";
    }
    return out + "</table>\n";
}

double monthDistance(const Totals& t) {
    return t.distance;
}
double monthMoney(const Totals& t) {
    return t.money;
}

} // namespace

std::string reportHtml(const std::vector<VehicleReport>& vehicles,
                       const std::vector<Warning>& warnings, const ReportOptions& options) {
    const int mode = options.fuelDistanceMode;
    const UnitNames u = unitNames(options.units);
    const std::string unit = consumptionUnit(options.units, mode);
    std::string html =
        "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n<title>" +
        escape(options.title) +
        "</title>\n<style>\n"
        "body{font-family:'DejaVu Sans',Verdana,sans-serif;color:#333a2e;background:#fbfdf7;"
        "margin:24px auto;max-width:1180px;padding:0 16px}\n"
        "h1{font-size:26px;margin:0 0 4px}h2{font-size:21px;margin:36px 0 12px;border-bottom:2px "
        "solid #b29325;padding-bottom:4px}h3{font-size:16px;margin:18px 0 8px}\n"
        ".figures{border-collapse:collapse;margin-bottom:12px}.figures th{text-align:left;"
        "font-weight:normal;color:#59624b;padding:3px 18px 3px 0}.figures td{font-weight:bold}\n"
        ".charts{display:flex;flex-wrap:wrap;gap:12px}.charts svg{background:#fff;border:1px "
        "solid #dfe5d6;max-width:100%;height:auto}\n"
        ".periods{border-collapse:collapse;font-size:13px;margin:0 24px 12px 0;display:inline-"
        "table;vertical-align:top}.periods th,.periods td{border-bottom:1px solid #e3e8da;"
        "padding:3px 10px;text-align:right}.periods th:first-child,.periods td:first-child{"
        "text-align:left}\n.note{color:#59624b;font-size:13px}\n</style></head><body>\n<h1>" +
        escape(options.title) + "</h1>\n<p class=\"note\">Distances in " + u.distance +
        ", fuel in " + (options.units == Units::Metric ? "litres" : "gallons") +
        ", consumption in " + escape(unit) +
        "; averages are full to full: the fuel of the complete intervals over their "
        "distance.</p>\n";
    for (const VehicleReport& v : vehicles) {
        const Summary& s = *v.summary;
        html += "<h2>" + escape(std::string(vehicleName(v.vehicle))) + "</h2>\n";
        if (s.totals.refills == 0) {
            html += "<p>No refills.</p>\n";
            continue;
        }
        html += "<table class=\"figures\">\n";
        html += figureRow("refills", std::to_string(s.totals.refills) + ", " + dateText(s.first) +
                                         " to " + dateText(s.last));
        html += figureRow("distance", withDecimals(s.totals.distance, 0) + " " + u.distance);
        html += figureRow("fuel", withDecimals(s.totals.fuel, 2) + " " + u.fuel);
        html += figureRow("money spent", withDecimals(s.totals.money, 2));
        html += figureRow("average consumption",
                          s.average ? withDecimals(*s.average, 2) + " " + unit : std::string("–"));
        auto interval = [&](const Refill* r) {
            return r ? withDecimals(refillConsumption(r->distance, r->fuel, mode), 2) + " " + unit +
                           " (" + dateText(r->record.time) + ")"
                     : std::string("–");
        };
        html += figureRow("best interval", interval(s.best));
        html += figureRow("worst interval", interval(s.worst));
        html += figureRow(std::string("cost per 100 ") + u.distance,
                          s.costPer100 ? withDecimals(*s.costPer100, 2) : std::string("–"));
        if (s.fullTankRange)
            html += figureRow("range of a full tank",
                              withDecimals(*s.fullTankRange, 0) + " " + u.distance + " (" +
                                  withDecimals(v.tankSize, 1) + " " + u.fuel + ")");
        if (s.sinceTireChange)
            html += figureRow("since the tire change", withDecimals(*s.sinceTireChange, 0) + " " +
                                                           u.distance + " (changed " +
                                                           dateText(s.tireChange) + ")");
        html += "</table>\n<div class=\"charts\">\n";
        std::vector<Point> consumptionPoints, pricePoints;
        for (const Refill& r : v.log->refills) {
            if (r.kind == Kind::LeftOut || !r.record.time)
                continue;
            if (r.complete())
                consumptionPoints.push_back(
                    {*r.record.time, refillConsumption(r.distance, r.fuel, mode)});
            if (r.record.price > 0.0 && r.record.fuel > 0.0)
                pricePoints.push_back({*r.record.time, r.record.price / r.record.fuel});
        }
        const double* average = s.average ? &*s.average : nullptr;
        const std::string id = "v" + std::to_string(v.vehicle);
        html += lineChartSvg(id + "c", "Consumption per interval", unit, consumptionPoints, average,
                             s.average ? "average " + withDecimals(*s.average, 2) : "");
        html += lineChartSvg(id + "p", "Price per " + std::string(u.fuel),
                             "per " + std::string(u.fuel), pricePoints, nullptr, "");
        html += monthChartSvg(id + "m", "Money per month", "money", s.months, monthMoney);
        html += monthChartSvg(id + "d", "Distance per month", u.distance, s.months, monthDistance);
        html += "</div>\n<h3>Years and months</h3>\n";
        html += periodTable("year", s.years, false, mode, u, unit);
        html += periodTable("month", s.months, true, mode, u, unit);
    }
    if (!warnings.empty()) {
        html += "<h2>Lines left out</h2>\n<ul class=\"note\">\n";
        for (const Warning& w : warnings)
            html += "<li>line " + std::to_string(w.line) + ": " + escape(w.text) + "</li>\n";
        html += "</ul>\n";
    }
    return html + "</body></html>\n";
}

void releaseChartFonts() {
    cairo_debug_reset_static_data();
    FcFini();
}

} // namespace pwlog
