#pragma once
// The statistics area of screens 2, 3 and 4: reads the consumption log of the selected
// vehicle and draws the recap list, the fuel-distance graph or the bars.

// The fuel of a full tank of the selected vehicle; 0 when not entered.
double selectedCapacity();
void drawStatisticsView();
