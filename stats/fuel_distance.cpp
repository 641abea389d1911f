#include "stats/fuel_distance.h"

#include "display/text.h"
#include "stats/plot.h"

#include <cmath>
#include <cstdio>
#include <set>
#include <utility>

namespace {

bool hasValue(const DistanceFuel& e) {
    return e.distance != 0.0 && e.fuel != 0.0 && std::isfinite(e.distance) && std::isfinite(e.fuel);
}

double entryValue(const DistanceFuel& e, int mode) {
    return refillConsumption(e.distance, e.fuel, mode, Per100::BeforeDividing);
}

double roundedStep(double top, const double (&limits)[8]) {
    static const double STEPS[8] = {1, 2, 5, 10, 20, 50, 100, 200};
    for (int i = 0; i < 8; ++i)
        if (top <= limits[i])
            return STEPS[i];
    return std::trunc(top / 10.0 + 0.5);
}

// "%d" of a grid value, which may lie beyond the range of an int on a hand-edited log.
void drawGridLabel(double t, int ax, int ay, int bx, int by, int flags) {
    char label[32];
    std::snprintf(label, sizeof label, "%.0f", t);
    plotText(ax, ay, bx, by, label, layout.textSize, flags, layout.text, NO_OUTLINE);
}

// The lowest, the average and the highest figure hang from the line ay: at its left end,
// in its middle and at its right end.
void drawFigures(int ax, int ay, int bx, int decimals, double low, double mid, double high) {
    char text[64];
    std::snprintf(text, sizeof text, "%0.*f", decimals, low);
    plotText(ax, ay, bx, ay, text, layout.bigTextSize, ALIGN_LEFT | ALIGN_TOP, layout.text,
             layout.statBg);
    std::snprintf(text, sizeof text, "%0.*f", decimals, mid);
    plotText(ax, ay, bx, ay, text, layout.bigTextSize, ALIGN_TOP, layout.avgLine, layout.statBg);
    std::snprintf(text, sizeof text, "%0.*f", decimals, high);
    plotText(ax, ay, bx, ay, text, layout.bigTextSize, ALIGN_TOP | ALIGN_RIGHT, layout.text,
             layout.statBg);
}

} // namespace

double distanceGridStep(double xTop) {
    static const double LIMITS[8] = {10, 20, 50, 100, 200, 500, 1000, 2000};
    return roundedStep(xTop, LIMITS);
}

double fuelGridStep(double yTop) {
    static const double LIMITS[8] = {12, 25, 60, 120, 250, 600, 1200, 2500};
    return roundedStep(yTop, LIMITS);
}

FuelDistanceScale scaleFuelDistance(int x1, int y1, int x2, int y2, DistanceFuel* entries,
                                    int count, double capacity, int mode) {
    FuelDistanceScale s{};
    s.capacity = capacity;
    for (int i = 0; i < count; ++i)
        if (!hasValue(entries[i]))
            entries[i] = {0.0, 0.0};

    s.minValue = MIN_START;
    s.maxValue = MAX_START;
    for (int i = 0; i + 1 < count; ++i) {
        if (entries[i].distance == 0.0)
            continue;
        const double v = entryValue(entries[i], mode);
        if (v < s.minValue) {
            s.minValue = v;
            s.minIndex = i;
        }
        if (v > s.maxValue) {
            s.maxValue = v;
            s.maxIndex = i;
        }
    }
    s.avgValue = count > 0 && entries[count - 1].distance != 0.0
                     ? entryValue(entries[count - 1], mode)
                     : 0.0;

    const double t = capacity;
    s.yTop = t;
    for (int j = 0; j < count; ++j) {
        DistanceFuel& e = entries[j];
        if (e.distance == 0.0)
            continue;
        const bool last = j == count - 1;
        if (t <= 0.0) {
            if (!last && e.fuel > s.yTop)
                s.yTop = e.fuel;
        } else {
            e.fuel = t - e.fuel;
        }
        const double slope = std::fabs((e.fuel - t) / e.distance);
        if (s.minSlope == 0.0 || (s.minSlope > slope && slope != 0.0 && !last))
            s.minSlope = slope;
    }
    if (s.minSlope != 0.0) {
        s.xTop = s.yTop / s.minSlope;
    } else {
        s.yTop = 0.5;
        s.xTop = 0.5;
    }

    s.yScale = (y2 - y1) / s.yTop;
    s.xScale = static_cast<double>(x2 - x1) / (y2 - y1) * s.yScale * s.minSlope;
    // Scales that are not numbers (a flat area, only negative fuels in a hand-edited log)
    // would put every pixel nowhere: such data is not enough to draw. (A lowest and a
    // highest interval need two entries at least.)
    s.enoughData = s.minValue != MIN_START && s.maxValue != MAX_START && std::isfinite(s.yScale) &&
                   std::isfinite(s.xScale) && std::isfinite(s.xTop);
    return s;
}

void drawFuelDistance(int x1, int y1, int x2, int y2, DistanceFuel* entries, int count,
                      double capacity, int mode) {
    const FuelDistanceScale s = scaleFuelDistance(x1, y1, x2, y2, entries, count, capacity, mode);
    if (!s.enoughData) {
        plotText(x1, y1, x2, y2, "not enough data", layout.bigTextSize, 0, layout.text, NO_OUTLINE);
        return;
    }
    const double t = s.capacity;

    const double xStep = distanceGridStep(s.xTop);
    for (double d = 0; d <= s.xTop; d += xStep) {
        const int px = x1 + truncToInt(d * s.xScale + 0.5);
        plotLine(px, y1, px, y2 + 2, layout.wires, 1.0);
        if (d > 0)
            drawGridLabel(d, px - 100, y2 - 30, px + 100, y2, ALIGN_BOTTOM);
    }
    const double yStep = fuelGridStep(s.yTop);
    for (double f = 0; f <= s.yTop; f += yStep) {
        const int py = y2 - truncToInt(f * s.yScale + 0.5);
        plotLine(x2, py, x1 - 2, py, layout.wires, 1.0);
        if (f > 0)
            drawGridLabel(f, x1, py - 15, x1 + 80, py + 15, ALIGN_LEFT);
    }

    const int last = count - 1;
    const int startY = y2 - truncToInt(t * s.yScale);
    // Every line but the last shares one colour and nothing else is drawn between them, so
    // a line with the ends and the width of one already drawn would change no pixel: it is
    // left out, which spares a log of many similar refills most of its lines.
    std::set<std::pair<int, double>> drawn; // (dx, width); dy is the same for every line
    for (int i = 0; i < count; ++i) {
        const DistanceFuel& e = entries[i];
        if (e.distance == 0.0)
            continue;
        const bool extreme = i == s.minIndex || i == s.maxIndex;
        const bool shown =
            (layout.showBorders && extreme) || layout.showRest || (layout.showAverage && i == last);
        if (!shown)
            continue;
        const double k = (e.fuel - t) * s.yScale / (e.distance * s.xScale);
        int dx, dy;
        if (t != 0.0) {
            // a full tank running down to empty: the line ends on the bottom edge
            dx = truncToInt(t * s.yScale / -k);
            dy = 0;
        } else {
            dx = truncToInt((y2 - y1) / k);
            dy = y2 - y1;
        }
        const double width = i == last ? 3.2 : extreme ? 1.8 : 1.0;
        if (i != last && !drawn.insert({dx, width}).second)
            continue;
        plotLine(x1, startY, x1 + dx, y2 - dy, i == last ? layout.avgLine : layout.lines, width);
    }

    if (layout.showDots) {
        for (int i = 0; i < last; ++i) {
            const DistanceFuel& e = entries[i];
            if (e.distance == 0.0)
                continue;
            plotDot(truncToInt(x1 + e.distance * s.xScale + 0.5),
                    truncToInt(y2 - e.fuel * s.yScale + 0.5), layout.dots);
        }
    }

    const int u = (x2 - x1) / 5;
    if (t > 0.0) {
        auto range = [&](double v) { return fullTankRange(t, v, mode); };
        drawFigures(x1 + u, y1 + 20, x1 + 4 * u, 1, range(s.minValue), range(s.avgValue),
                    range(s.maxValue));
    }
    drawFigures(x1 + u, y1, x1 + 4 * u, 2, s.minValue, s.avgValue, s.maxValue);
}
