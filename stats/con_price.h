#pragma once
// The consumption and price bars: two charts one above the other, one bar per refill of
// the selected vehicle, the newest on the right.

// One chart of n values (markers allowed) in the layout rectangle (x1, y1)-(x2, y2):
// background, grid lines with labels, the average line and the bars, or "not enough data".
void drawBarChart(int x1, int y1, int x2, int y2, const double* values, int n);

// Consumption above, price per fuel unit below, 6 layout pixels apart.
void drawConsumptionPrice(int x1, int y1, int x2, int y2, const double* consumption,
                          const double* pricePerFuel, int n);
