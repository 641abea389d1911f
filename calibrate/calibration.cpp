#include "calibrate/calibration.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Readings of one edge must lie closer together than this share of the span between
// opposite edges: a tilted or wandering press is a touch beside the cross.
constexpr int64_t EDGE_AGREEMENT_SHARE = 4;
// A press may wander over at most this share of the span (a few pixels on the screen).
constexpr int64_t STABILITY_SHARE = 32;
// The spans must cover this many readings at least; fewer cannot place a pixel.
constexpr int64_t MIN_SPAN = 16;

int64_t average(int64_t a, int64_t b) {
    // rounded half away from zero, so mirrored panels give mirrored limits
    const int64_t sum = a + b;
    return sum >= 0 ? (sum + 1) / 2 : -((-sum + 1) / 2);
}

// One axis: near1/near2 are the readings of the two crosses near the origin of the
// touch coordinates, far1/far2 those at the far edge.
CalProblem axisLimits(int64_t near1, int64_t near2, int64_t far1, int64_t far2, int32_t& c0,
                      int32_t& c1) {
    const int64_t first = far1 - near1;
    const int64_t second = far2 - near2;
    if (std::llabs(first) < MIN_SPAN || std::llabs(second) < MIN_SPAN)
        return CalProblem::AxisNotDistinct;
    if ((first > 0) != (second > 0))
        return CalProblem::OrderInconsistent;
    const int64_t span = std::min(std::llabs(first), std::llabs(second));
    if (std::llabs(near1 - near2) * EDGE_AGREEMENT_SHARE > span ||
        std::llabs(far1 - far2) * EDGE_AGREEMENT_SHARE > span)
        return CalProblem::OrderInconsistent;
    c0 = static_cast<int32_t>(average(far1, far2));
    c1 = static_cast<int32_t>(average(near1, near2));
    return CalProblem::None;
}

} // namespace

Point crossTarget(int k, int xres, int yres) {
    const bool right = k == 1 || k == 2;
    const bool bottom = k == 2 || k == 3;
    return {right ? xres - CROSS_MARGIN : CROSS_MARGIN,
            bottom ? yres - CROSS_MARGIN : CROSS_MARGIN};
}

bool averagePress(const std::vector<RawPoint>& reports, PressReading& reading) {
    if (reports.empty())
        return false;
    const std::size_t skip = reports.size() >= 5 ? 1 : 0;
    int64_t sumX = 0, sumY = 0;
    int32_t minX = INT32_MAX, maxX = INT32_MIN, minY = INT32_MAX, maxY = INT32_MIN;
    for (std::size_t i = skip; i < reports.size() - skip; ++i) {
        const RawPoint& p = reports[i];
        sumX += p.x;
        sumY += p.y;
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    const int64_t n = static_cast<int64_t>(reports.size() - 2 * skip);
    // rounded to nearest
    const auto mean = [n](int64_t sum) {
        return static_cast<int32_t>(sum >= 0 ? (2 * sum + n) / (2 * n)
                                             : -((-2 * sum + n) / (2 * n)));
    };
    reading.point = {mean(sumX), mean(sumY)};
    reading.spreadX = maxX - minX;
    reading.spreadY = maxY - minY;
    return true;
}

CalProblem computeCalibration(const PressReading (&presses)[CROSS_COUNT], Calibration& result) {
    const RawPoint& topLeft = presses[0].point;
    const RawPoint& topRight = presses[1].point;
    const RawPoint& bottomRight = presses[2].point;
    const RawPoint& bottomLeft = presses[3].point;
    // A panel mounted a quarter turned moves its x reading from top to bottom rather
    // than from left to right; the program's mapping has no way to exchange them.
    const int64_t xAcross = std::llabs(int64_t{topRight.x} - topLeft.x);
    const int64_t xDown = std::llabs(int64_t{bottomLeft.x} - topLeft.x);
    const int64_t yAcross = std::llabs(int64_t{topRight.y} - topLeft.y);
    const int64_t yDown = std::llabs(int64_t{bottomLeft.y} - topLeft.y);
    if (xDown > xAcross && yAcross > yDown)
        return CalProblem::AxesExchanged;

    Calibration cal{};
    CalProblem problem =
        axisLimits(topLeft.x, bottomLeft.x, topRight.x, bottomRight.x, cal.x0, cal.x1);
    if (problem == CalProblem::None)
        problem = axisLimits(topLeft.y, topRight.y, bottomLeft.y, bottomRight.y, cal.y0, cal.y1);
    if (problem != CalProblem::None)
        return problem;

    const int64_t spanX = std::llabs(int64_t{cal.x0} - cal.x1);
    const int64_t spanY = std::llabs(int64_t{cal.y0} - cal.y1);
    for (const PressReading& press : presses) {
        if (press.spreadX * STABILITY_SHARE > spanX || press.spreadY * STABILITY_SHARE > spanY)
            return CalProblem::Unstable;
    }
    result = cal;
    return CalProblem::None;
}

const char* problemText(CalProblem problem) {
    switch (problem) {
    case CalProblem::None:
        break;
    case CalProblem::AxisNotDistinct:
        return "The crosses gave equal readings. Again, please.";
    case CalProblem::OrderInconsistent:
        return "A touch missed its cross. Again, please.";
    case CalProblem::AxesExchanged:
        return "The panel's axes are exchanged: cannot calibrate.";
    case CalProblem::Unstable:
        return "Hold still on each cross. Again, please.";
    }
    return "";
}
