#include "calibrate/calibrator.h"

#include "app/screens.h"
#include "base/debug_log.h"
#include "base/paths.h"
#include "calibrate/calibration.h"
#include "calibrate/calibration_file.h"
#include "calibrate/raw_touch.h"
#include "display/draw.h"
#include "display/framebuffer.h"
#include "display/screen_map.h"
#include "display/text.h"
#include "props/layout.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int TEST_STEP = CROSS_COUNT; // the steps before it are the crosses
constexpr int CROSS_ARM = 10;          // pixels from the centre to each end
constexpr int DOT_SIZE = 7;
constexpr int TEXT_SIZE = 16;
constexpr int DONE_W = 100, DONE_H = 50; // layout pixels, centred a little below the middle
constexpr int DONE_DROP = 15;

struct Colour3 {
    int r, g, b;
};
constexpr Colour3 BACKGROUND{0, 0, 0};
constexpr Colour3 INK{255, 255, 255};
constexpr Colour3 WARNING{255, 96, 64};
constexpr Colour3 GOOD{96, 255, 96};
constexpr Colour3 DOT{255, 220, 0};
constexpr Colour3 DONE_FACE{96, 96, 96};

struct Calibrator {
    std::string device;
    int step = 0;
    std::vector<RawPoint> reports; // of the press under way
    PressReading presses[CROSS_COUNT]{};
    Calibration result{};
    std::string message;  // shown under the instruction
    bool warning = false; // the message tells of a problem
    bool redraw = true;
    bool ended = false;
    int status = 0;
    bool touched = false; // test screen: the finger is down at lastTouch (screen)
    Point lastTouch{};
};
Calibrator cal;

// Where the program puts touch point t on the screen: the touch coordinates are upright
// ones, the half turn spins them, the quarter turn lays them on the panel.
Point touchToScreen(Point t) {
    const Point upright = halfTurnUpright(t.x, t.y);
    return uprightToScreen(upright.x, upright.y);
}

struct LayoutBox {
    int x1, y1, x2, y2;
};

LayoutBox doneBox() {
    const int w = layout.screenW[0], h = layout.screenH[0];
    const int top = (h - DONE_H) / 2 + DONE_DROP;
    return {(w - DONE_W) / 2, top, (w + DONE_W) / 2, top + DONE_H};
}

// The DONE box on the screen, corners sorted.
LayoutBox doneOnScreen() {
    const int w = layout.screenW[0], h = layout.screenH[0];
    const LayoutBox box = doneBox();
    const Point a = applyHalfTurn(layoutToScreen(box.x1, box.y1, w, h, fb.xres, fb.yres));
    const Point b = applyHalfTurn(layoutToScreen(box.x2, box.y2, w, h, fb.xres, fb.yres));
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

void text(const LayoutBox& box, const char* line, const Colour3& c) {
    const int w = layout.screenW[0], h = layout.screenH[0];
    const Point a = layoutToScreen(box.x1, box.y1, w, h, fb.xres, fb.yres);
    const Point b = layoutToScreen(box.x2, box.y2, w, h, fb.xres, fb.yres);
    drawText(a.x, a.y, b.x, b.y, line, layout.fontName, TEXT_SIZE, 0, c.r, c.g, c.b, -1, -1, -1);
}

void drawCross(Point centre) {
    drawLine(centre.x - CROSS_ARM, centre.y, centre.x + CROSS_ARM, centre.y, INK.r, INK.g, INK.b,
             1.0);
    drawLine(centre.x, centre.y - CROSS_ARM, centre.x, centre.y + CROSS_ARM, INK.r, INK.g, INK.b,
             1.0);
}

void drawScreen() {
    fillRect(0, 0, fb.xres - 1, fb.yres - 1, BACKGROUND.r, BACKGROUND.g, BACKGROUND.b);
    const int w = layout.screenW[0], h = layout.screenH[0];
    const LayoutBox instruction{0, h / 4 - 15, w, h / 4 + 15};
    const LayoutBox note{0, h / 4 + 15, w, h / 4 + 45};
    if (cal.step < TEST_STEP) {
        drawCross(touchToScreen(crossTarget(cal.step, fb.xres, fb.yres)));
        char line[64];
        std::snprintf(line, sizeof line, "Touch the cross (%d of %d)", cal.step + 1, CROSS_COUNT);
        text(instruction, line, INK);
    } else {
        text(instruction, "Touch to test, DONE to end", INK);
        const LayoutBox face = doneOnScreen();
        fillRect(face.x1, face.y1, face.x2, face.y2, DONE_FACE.r, DONE_FACE.g, DONE_FACE.b);
        text(doneBox(), "DONE", INK);
    }
    if (!cal.message.empty())
        text(note, cal.message.c_str(), cal.warning ? WARNING : GOOD);
}

// The four presses are in: check them, save the result, go to the test screen.
void finishCrosses() {
    const CalProblem problem = computeCalibration(cal.presses, cal.result);
    if (problem != CalProblem::None) {
        cal.message = problemText(problem);
        cal.warning = true;
        cal.step = 0;
        return;
    }
    std::string error;
    if (saveCalibration(cal.result, error)) {
        cal.message = "Calibration saved.";
        cal.warning = false;
    } else {
        std::snprintf(scratchText, SCRATCH_SIZE, "Error saving calibration: %s", error.c_str());
        debugLog(scratchText);
        cal.message = "NOT saved: see Debug.log";
        cal.warning = true;
        cal.status = 1;
    }
    cal.step = TEST_STEP;
}

void crossPress(RawTouchEvent event, const RawPoint& point) {
    if (event == RawTouchEvent::Report) {
        cal.reports.push_back(point);
        return;
    }
    if (!averagePress(cal.reports, cal.presses[cal.step]))
        return; // a release without a position: nothing was touched
    cal.reports.clear();
    cal.message.clear();
    if (++cal.step == CROSS_COUNT)
        finishCrosses();
    cal.redraw = true;
}

void testTouch(RawTouchEvent event, const RawPoint& point) {
    if (event == RawTouchEvent::Release) {
        // leaves when the finger is lifted on DONE, as the logbook's buttons act
        const LayoutBox box = doneOnScreen();
        const Point& p = cal.lastTouch;
        cal.ended = cal.touched && p.x >= box.x1 && p.x <= box.x2 && p.y >= box.y1 && p.y <= box.y2;
        cal.touched = false;
        return;
    }
    const Calibration& c = cal.result;
    cal.lastTouch = touchToScreen({calibrateReading(point.x, c.x0, c.x1, fb.xres),
                                   calibrateReading(point.y, c.y0, c.y1, fb.yres)});
    cal.touched = true;
    fillEllipse(cal.lastTouch.x, cal.lastTouch.y, DOT_SIZE, DOT_SIZE, DOT.r, DOT.g, DOT.b);
}

} // namespace

void setCalibratorDevice(const std::string& path) {
    cal.device = path;
}

bool startCalibrator(int& status) {
    const std::string device = cal.device;
    cal = Calibrator{};
    cal.device = device.empty() ? rootedPath(EVENT_DEVICE) : device;
    loadLayout(); // the font, the layout size and the turns
    status = 1;
    if (!initFB())
        return false;
    applyScreenTurns();
    // The logbook maps the readings to xres x yres but takes them as upright points: on a
    // quarter-turned panel that is not square some crosses would lie off the screen.
    for (int k = 0; k < CROSS_COUNT; ++k) {
        const Point s = touchToScreen(crossTarget(k, fb.xres, fb.yres));
        if (s.x < 0 || s.y < 0 || s.x >= fb.xres || s.y >= fb.yres) {
            debugLog("Cannot calibrate: the quarter turn needs a square panel");
            closeFB();
            return false;
        }
    }
    if (!openRawTouch(cal.device)) {
        std::snprintf(scratchText, SCRATCH_SIZE, "Error opening %s", cal.device.c_str());
        debugLog(scratchText);
        closeFB();
        return false;
    }
    status = 0;
    return true;
}

void calibratorPass() {
    RawPoint point{};
    RawTouchEvent event;
    while (!cal.ended && (event = readRawTouch(point)) != RawTouchEvent::None) {
        if (cal.step < TEST_STEP)
            crossPress(event, point);
        else
            testTouch(event, point);
    }
    if (cal.redraw) {
        drawScreen();
        cal.redraw = false;
    }
}

bool calibratorEnded() {
    return cal.ended;
}

int finishCalibrator() {
    closeRawTouch();
    closeFB();
    return cal.status;
}
