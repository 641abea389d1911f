#include "records/vehicles.h"

#include "base/debug_log.h"
#include "props/properties.h"

#include <cstdio>
#include <string>

namespace {

bool knownVehicle(int vehicle) {
    return vehicle >= 0 && vehicle <= 2;
}

std::string odometerModeKey(int vehicle) {
    return "P_DEFAULTODOMETERMODE." + std::to_string(vehicle);
}

} // namespace

bool selectVehicle(int vehicle) {
    if (getPropertyInt("P_DEFAULTVEHICLE", "1") == vehicle)
        return false;
    setProperty("P_DEFAULTVEHICLE", std::to_string(vehicle));
    return true;
}

void setOdometerMode(int mode) {
    const int vehicle = getPropertyInt("P_DEFAULTVEHICLE", "1");
    if (knownVehicle(vehicle)) {
        setPropertyDouble(odometerModeKey(vehicle), mode);
        return;
    }
    std::snprintf(scratchText, SCRATCH_SIZE, "set: Unknown OdometerMode-vehicle: %d", vehicle);
    debugLog(scratchText);
}

int getOdometerMode(int vehicle) {
    if (knownVehicle(vehicle))
        return getPropertyInt(odometerModeKey(vehicle), "0");
    std::snprintf(scratchText, SCRATCH_SIZE, "get: Unknown OdometerMode-vehicle: %d", vehicle);
    debugLog(scratchText);
    return 0;
}

void setFuelDistanceMode(int mode) {
    setProperty("P_DEFAULTFUELDISTMODE", std::to_string(mode));
}
