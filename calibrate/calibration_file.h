#pragma once
// The calibration file on the device's flash, written whole or not at all.
#include "app/touch.h"

#include <string>

// The previous calibration is kept beside the file under this suffix.
constexpr const char* BACKUP_SUFFIX = ".bak";

// Writes the four limits (32-bit little-endian, x0 x1 y0 y1) to the calibration file
// under the root prefix. The new file replaces the old in one rename, so the program
// finds either the old calibration or the new one, never a part; the old one is first
// copied to the backup. False with the reason when anything fails.
bool saveCalibration(const Calibration& cal, std::string& error);
