#pragma once
// The calibration file on the device's flash, written whole or not at all.
#include "app/touch.h"

#include <string>

// The calibration before the latest is kept beside the file under this suffix, and the
// one found before the first calibration under the other, never replaced: a bad run is
// undone from cal.bak, the factory's values come back from cal.orig.
constexpr const char* BACKUP_SUFFIX = ".bak";
constexpr const char* ORIGINAL_SUFFIX = ".orig";

// Writes the four limits (32-bit little-endian, x0 x1 y0 y1) to the calibration file
// under the root prefix. The new file replaces the old in one rename, so the program
// finds either the old calibration or the new one, never a part; the old one is first
// copied to the backup, and to the original when there is none yet. False with the
// reason when anything fails.
bool saveCalibration(const Calibration& cal, std::string& error);
