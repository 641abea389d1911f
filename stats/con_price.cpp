#include "stats/con_price.h"

#include "display/text.h"
#include "records/refill.h"
#include "stats/plot.h"

#include <cmath>
#include <cstdio>

namespace {

// A value a bar can be drawn for; anything else is shown as nothing.
bool isValue(double v) {
    return !isMarker(v) && std::isfinite(v);
}

struct BarScale {
    double min, max, sum;
    int weight;
    double avg, range, yScale, mid, centreY;
    double step; // grid step in value units: a power of ten, or five times one
};

// A value counts once for itself and once for each carried entry directly before it,
// because its fuel covers their distance as well.
BarScale scan(const double* values, int n) {
    BarScale s{};
    s.min = MIN_START;
    s.max = MAX_START;
    int run = 0;
    for (int i = 0; i < n; ++i) {
        const double v = values[i];
        if (isValue(v)) {
            if (v < s.min)
                s.min = v;
            if (v > s.max)
                s.max = v;
            s.sum += v * (run + 1);
            s.weight += run + 1;
        }
        run = v == CARRIED_VALUE ? run + 1 : 0;
    }
    return s;
}

double gridStep(double range) {
    double z = 1.0;
    while (z * range > 20)
        z /= 10;
    while (z * range < 5)
        z *= 10;
    // z * range now lies in [5, 50): five to ten steps of a power of ten, or fewer of
    // five times one
    if (z * range > 10)
        z /= 5;
    return 1.0 / z;
}

int valueRow(const BarScale& s, double v) {
    return truncToInt(s.centreY - (v - s.mid) * s.yScale);
}

// Grid values from ceil(max) downwards, one step apart, as far as min - step; only rows
// strictly inside the chart are drawn. The walk starts a little above the top row: with
// values a hair apart the step can be so small that walking down from ceil(max) would
// never end. The values span at most ten steps over 80 % of the height, so no more than
// about fifteen grid values can fall inside; GRID_WALK bounds the walk with room to spare.
constexpr int GRID_WALK = 64;

template <typename Draw>
void walkGrid(const BarScale& s, int y1, int y2, Draw draw) {
    const double top = std::ceil(s.max);
    const double topValue = s.mid + (s.centreY - y1) / s.yScale;
    const double first = std::fmax(std::floor((top - topValue) / s.step) - 2, 0.0);
    for (int i = 0; i < GRID_WALK; ++i) {
        const double t = top - (first + i) * s.step;
        if (!(t >= s.min - s.step))
            break;
        const int row = valueRow(s, t);
        if (row >= y2)
            break;
        draw(t, row, row > y1);
    }
}

} // namespace

void drawBarChart(int x1, int y1, int x2, int y2, const double* values, int n) {
    plotRect(x1, y1, x2, y2, layout.wiresLight);

    BarScale s = scan(values, n);
    s.range = s.max - s.min;
    s.yScale = (y2 - y1) / s.range * 0.8;
    // A spread too wide or too narrow for a double to scale is no more drawable than none.
    if (s.weight == 0 || s.min == s.max || !std::isfinite(s.range) || !std::isfinite(s.yScale)) {
        plotText(x1, y1, x2, y2, "not enough data", layout.bigTextSize, 0, layout.text, NO_OUTLINE);
        return;
    }
    s.avg = s.sum / s.weight;
    s.mid = (s.max + s.min) * 0.5;
    s.centreY = (y1 + y2) / 2;
    s.step = gridStep(s.range);

    walkGrid(s, y1, y2, [&](double, int row, bool inside) {
        if (inside)
            plotLine(x1, row, x2, row, layout.wires, 1.0);
    });

    const int avgRow = valueRow(s, s.avg);
    plotLine(x1, avgRow, x2, avgRow, layout.avgLine, 1.0);

    // A non-positive limit shows every bar: a negative one in a hand-edited file would
    // otherwise index before the first value.
    int shown = n;
    int skip = 0;
    if (layout.maxBars > 0 && layout.maxBars < n) {
        shown = layout.maxBars;
        skip = n - layout.maxBars;
    }
    const double slot = static_cast<double>(x2 - x1) / shown;
    const int half = truncToInt(slot * 0.8) / 2;
    bool pending = false;
    int pendingLeft = 0;
    for (int i = 0; i < shown; ++i) {
        const double v = values[skip + i];
        if (v == NO_VALUE || !std::isfinite(v))
            continue;
        const int cx = truncToInt(x1 + slot * (i + 0.5) + 0.5);
        const int left = cx - half;
        if (v == CARRIED_VALUE) {
            if (!pending) {
                pending = true;
                pendingLeft = left;
            }
            continue;
        }
        plotRaisedBox(pending ? pendingLeft : left, valueRow(s, v), cx + half, y2, layout.lines);
        pending = false;
    }

    // Hundredths of the previous grid value: a step below 0.01 would repeat labels.
    double last = 0;
    walkGrid(s, y1, y2, [&](double t, int row, bool inside) {
        const double q = std::round(t * 100);
        if (inside && q != last) {
            char label[64];
            std::snprintf(label, sizeof label, "%0.02f", t);
            plotText(x1, row, x2, row, label, layout.textSize, ALIGN_LEFT, layout.text, NO_OUTLINE);
        }
        last = q;
    });
}

void drawConsumptionPrice(int x1, int y1, int x2, int y2, const double* consumption,
                          const double* pricePerFuel, int n) {
    const int m = y1 + (y2 - y1) / 2;
    drawBarChart(x1, y1, x2, m - 3, consumption, n);
    drawBarChart(x1, m + 3, x2, y2, pricePerFuel, n);
}
