#pragma once
// The units a card's numbers are in (the log stores none: the user says which), and
// its figures as text.
#include "tools/log/names.h"

#include <string>

namespace pwlog {

enum class Units { Metric, Us, Uk };
inline constexpr NameTable<Units, 3> UNITS_NAMES = {
    {"metric", Units::Metric}, {"us", Units::Us}, {"uk", Units::Uk}};

struct UnitNames {
    const char* distance; // "km"
    const char* fuel;     // "l"
    double kmPer;         // kilometres in one distance unit
    double litresPer;     // litres in one fuel unit
};

UnitNames unitNames(Units units);
// The label of a consumption figure in a fuel-distance mode: "l/100km", "mpg", ...
std::string consumptionUnit(Units units, int fuelDistanceMode);

// printf's text at whatever length it takes: a hand-edited log may hold 1e300 litres,
// and a figure cut short is a wrong one.
[[gnu::format(printf, 1, 2)]] std::string formatted(const char* format, ...);
// A figure with that many decimals: 41.2 -> "41.20".
std::string withDecimals(double value, int decimals);

} // namespace pwlog
