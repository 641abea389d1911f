#pragma once
// The CSV files of other logbook apps, and our own, written from the records of a card.
#include "tools/log/logbook.h"
#include "tools/log/names.h"
#include "tools/log/units.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pwlog {

enum class Format { Csv, LubeLogger, Fuelly, Fuelio };
inline constexpr NameTable<Format, 4> FORMAT_NAMES = {{"csv", Format::Csv},
                                                      {"lubelogger", Format::LubeLogger},
                                                      {"fuelly", Format::Fuelly},
                                                      {"fuelio", Format::Fuelio}};
// Formats that hold the refills of several vehicles in one file.
bool holdsVehicles(Format format);

struct ExportOptions {
    Units units = Units::Metric;
    int fuelDistanceMode = 0;
    // where a made-up odometer starts; by default where a leading stretch of trip
    // distances must start to end at the first reading
    std::optional<double> startOdometer;
};

struct VehicleExport {
    int vehicle = 0;
    const VehicleLog* log = nullptr;
    double tankSize = 0.0;
};

struct ExportResult {
    std::string text;
    // vehicles whose first refill is a trip distance, and the odometer made up before it
    std::vector<std::pair<int, double>> builtOdometer;
};

ExportResult exportRefills(const std::vector<VehicleExport>& vehicles, Format format,
                           const ExportOptions& options);

// One field of a CSV row, quoted when it holds a comma, a quote or a line end.
std::string csvField(const std::string& text, bool alwaysQuote = false);

} // namespace pwlog
