#pragma once
// The units a card's numbers are in. The log stores none: the user says which.
#include <string>

namespace pwlog {

enum class Units { Metric, Us, Uk };

struct UnitNames {
    const char* distance; // "km"
    const char* fuel;     // "l"
    double kmPer;         // kilometres in one distance unit
    double litresPer;     // litres in one fuel unit
};

UnitNames unitNames(Units units);
// The label of a consumption figure in a fuel-distance mode: "l/100km", "mpg", ...
std::string consumptionUnit(Units units, int fuelDistanceMode);

} // namespace pwlog
