#pragma once
// The fuel-distance graph: each refill interval a line whose slope is its consumption,
// the average of the whole log a thicker one, the interval ends as dots, and with a
// known tank capacity the range of a full tank.
#include "records/refill.h"

// The numbers the graph is laid out by.
struct FuelDistanceScale {
    bool enoughData;
    double capacity; // fuel of a full tank, 0 when not entered
    double minValue, maxValue, avgValue;
    int minIndex, maxIndex;
    double yTop, xTop, minSlope; // axis ends in fuel and distance units
    double yScale, xScale;       // layout pixels per fuel unit and per distance unit
};

// Extremes, axis extents and scales for the area (x1, y1)-(x2, y2). With a capacity the
// fuel of every entry becomes what was left in the tank when refilling; entries without
// a value become (0, 0), so afterwards an entry has a value exactly when its distance
// is not 0.
FuelDistanceScale scaleFuelDistance(int x1, int y1, int x2, int y2, DistanceFuel* entries,
                                    int count, double capacity, int mode);
// Grid steps: a round number giving at most about ten wires along the axis.
double distanceGridStep(double xTop);
double fuelGridStep(double yTop);

// Draws the graph of entries[0 .. count-2] with their totals in entries[count-1] in mode,
// with the ranges of a full tank when capacity is above 0, or "not enough data".
// Changes the entries (see scaleFuelDistance).
void drawFuelDistance(int x1, int y1, int x2, int y2, DistanceFuel* entries, int count,
                      double capacity, int mode);
