#include "tools/log/units.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

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

std::string formatted(const char* format, ...) {
    va_list args, again;
    va_start(args, format);
    va_copy(again, args);
    const int size = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string out(static_cast<std::size_t>(std::max(size, 0)), '\0');
    std::vsnprintf(out.data(), out.size() + 1, format, again);
    va_end(again);
    return out;
}

std::string withDecimals(double value, int decimals) {
    return formatted("%.*f", decimals, value);
}

} // namespace pwlog
