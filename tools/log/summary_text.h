#pragma once
// The summary as a plain table for the terminal.
#include "tools/log/logbook.h"
#include "tools/log/units.h"

#include <string>

namespace pwlog {

std::string dateText(const std::optional<LocalTime>& time); // "2025-03-04", "-" without
std::string summaryText(const Summary& summary, int odometerMode, int fuelDistanceMode,
                        double tankSize, Units units);

} // namespace pwlog
