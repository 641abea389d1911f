#pragma once
// The arithmetic of the calibration tool, free of I/O: where the four crosses lie, how
// the raw readings of one press become one reading, and whether four such readings make
// a calibration the program can use.
#include "app/touch.h"
#include "display/framebuffer.h"

#include <vector>

// The crosses lie this many pixels in from the edges: the program maps the limits of
// the calibration file to exactly these coordinates.
constexpr int CROSS_MARGIN = 15;
constexpr int CROSS_COUNT = 4; // top left, top right, bottom right, bottom left

// One report of the panel: its readings before any calibration.
struct RawPoint {
    int32_t x, y;
};

// The touch coordinates of cross k (0..3) for a panel of xres x yres.
Point crossTarget(int k, int xres, int yres);

// The readings of one press, reduced to one point and how far they wandered.
struct PressReading {
    RawPoint point;
    int32_t spreadX, spreadY; // largest minus smallest reading used
};
// Averages the reports of one press. A resistive panel's first and last reports come
// while the pressure builds and fades, so with five or more reports those two are left
// out. False when there is no report.
bool averagePress(const std::vector<RawPoint>& reports, PressReading& reading);

enum class CalProblem {
    None,
    AxisNotDistinct,   // the readings at opposite edges (almost) agree
    OrderInconsistent, // one pair of crosses runs one way, the other pair the other way
    AxesExchanged,     // the panel's x follows the screen's y: the program cannot map it
    Unstable,          // the readings of one press wandered too far
};

// The calibration for the four presses, in cross order, or the first problem found.
CalProblem computeCalibration(const PressReading (&presses)[CROSS_COUNT], Calibration& result);
// What the user is told about a problem.
const char* problemText(CalProblem problem);
