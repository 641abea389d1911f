#pragma once
// The input event device as the calibration tool needs it: the panel's own readings,
// before any calibration. Open, read, close; no drawing.
#include "calibrate/calibration.h"

#include <string>

enum class RawTouchEvent {
    None,    // nothing pending
    Report,  // the finger is down at the readings given
    Release, // the finger went up
};

// Opens the device for non-blocking reads; false when it cannot be opened.
bool openRawTouch(const std::string& path);
// The next report or release; None when no complete one is pending. Never blocks.
RawTouchEvent readRawTouch(RawPoint& point);
void closeRawTouch();
