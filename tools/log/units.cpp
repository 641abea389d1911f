#include "tools/log/units.h"

namespace pwlog {

UnitNames unitNames(Units units) {
    switch (units) {
    case Units::Us:
        return {"mi", "gal", 1.609344, 3.785411784};
    case Units::Uk:
        return {"mi", "gal", 1.609344, 4.54609};
    case Units::Metric:
        break;
    }
    return {"km", "l", 1.0, 1.0};
}

std::string consumptionUnit(Units units, int fuelDistanceMode) {
    const UnitNames names = unitNames(units);
    if (fuelDistanceMode != 0)
        return units == Units::Metric ? "km/l" : units == Units::Us ? "mpg" : "mpg (UK)";
    return std::string(names.fuel) + "/100" + names.distance;
}

} // namespace pwlog
