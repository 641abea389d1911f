#pragma once
// The arithmetic of refills: what a distance and a fuel say, the range of a full tank,
// and how the statistics read the records of one vehicle. Nothing here draws or reads
// a file. Fuel-distance mode 0 is fuel per 100 distance units, any other distance per
// fuel unit.
#include "records/consumption_log.h"

#include <vector>

// Consumption of fuel over distance in mode. A zero divisor gives inf or nan.
double refillConsumption(double distance, double fuel, int mode);
// Distance a full tank of capacity lasts at consumption value, in whole distance units.
double fullTankRange(double capacity, double value, int mode);
// The user property holding the fuel of a full tank of vehicle; nullptr for no vehicle.
const char* fuelFullKey(int vehicle);

// Markers in the per-record values: nothing can be computed for the record, or its
// fuel was carried into the next computed record. Compared for equality.
constexpr double NO_VALUE = 98765.7;
constexpr double CARRIED_VALUE = 98765.4;

inline bool isMarker(double v) {
    return v == NO_VALUE || v == CARRIED_VALUE;
}

// One refill interval, or the totals of the log in the last entry. An entry whose
// distance or fuel is 0 has no value and is skipped everywhere.
struct DistanceFuel {
    double distance;
    double fuel;
};

// The per-record values the graphs are drawn from, for the N records of one vehicle in
// log order, and the state of the odometer chain while they are built.
struct StatsInput {
    int count = 0;                    // N
    std::vector<DistanceFuel> pairs;  // N + 1: (0, 0) without a usable pair; totals last
    std::vector<double> consumption;  // N: value, NO_VALUE or CARRIED_VALUE
    std::vector<double> pricePerFuel; // N: value or NO_VALUE
    int added = 0;                    // records taken so far
    double previousOdometer = 0.0;    // 0: no reading since the last trip record
    double carriedFuel = 0.0;         // fuel of fuel-only refills awaiting a distance
};

// Room for count records, all without value.
StatsInput makeStatsInput(int count);
// Takes the next record of the vehicle in fuelDistanceMode. Records beyond count are
// ignored.
void addStatsRecord(StatsInput& input, const RecordFields& record, int fuelDistanceMode);
