#pragma once
// The selected vehicle (0 motorcycle, 1 car 1, 2 car 2), the odometer mode of each
// vehicle and the fuel-distance mode, all kept as user properties.

// Makes vehicle the selected one; false when it already was.
bool selectVehicle(int vehicle);
// Sets the odometer mode (0 trip distance, 1 odometer reading) of the selected vehicle.
void setOdometerMode(int mode);
int getOdometerMode(int vehicle);
// 0: fuel per 100 distance units, 1: distance per fuel unit.
void setFuelDistanceMode(int mode);
