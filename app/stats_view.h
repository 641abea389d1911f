#pragma once
// The statistics area of screens 2, 3 and 4: reads the consumption log of the selected
// vehicle and draws the recap list, the fuel-distance graph or the bars.
#include "records/consumption_log.h"
#include "stats/fuel_distance.h"

#include <vector>

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
// Takes the next record of the vehicle; fuelDistanceMode 0 gives fuel per 100 distance
// units, any other distance per fuel unit. Records beyond count are ignored.
void addStatsRecord(StatsInput& input, const RecordFields& record, int fuelDistanceMode);

void drawStatisticsView();
