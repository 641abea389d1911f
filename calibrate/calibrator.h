#pragma once
// pumpwright-calibrate's life, stepped by passes like the logbook's, so that the
// desktop simulator drives both the same way: four crosses, the new calibration saved,
// then a test screen where touches leave dots, until DONE.
#include <string>

// The input event device to read; empty (the default) means the device's own under the
// root prefix.
void setCalibratorDevice(const std::string& path);
// Reads the layout and turns, opens the framebuffer and the input event device. False
// (status 1, the reason in Debug.log) when one cannot be opened, or when the turns put a
// cross off the screen.
bool startCalibrator(int& status);
// Takes every pending report and repaints what changed.
void calibratorPass();
// DONE was touched.
bool calibratorEnded();
// Closes the devices; returns 0, or 1 when the calibration could not be saved.
int finishCalibrator();
