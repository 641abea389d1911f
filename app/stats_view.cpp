#include "app/stats_view.h"

#include "app/app_state.h"
#include "app/debug_log.h"
#include "app/paths.h"
#include "display/framebuffer.h"
#include "display/text.h"
#include "props/layout.h"
#include "props/properties.h"
#include "stats/con_price.h"
#include "stats/plot.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>

StatsInput makeStatsInput(int count) {
    StatsInput input;
    input.count = count;
    input.pairs.assign(count + 1, DistanceFuel{0.0, 0.0});
    input.consumption.assign(count, NO_VALUE);
    input.pricePerFuel.assign(count, NO_VALUE);
    return input;
}

namespace {

// "nan" and "inf" are numbers to strtod but not to a person editing the log: like any
// other malformed number they read as 0.
double field(double v) {
    return std::isfinite(v) ? v : 0.0;
}

} // namespace

void addStatsRecord(StatsInput& input, const RecordFields& record, int fuelDistanceMode) {
    // The log may have grown since it was counted; the arrays hold what was counted.
    if (input.added >= input.count)
        return;
    const int i = input.added++;
    const double distance = field(record.distance);
    const double fuel = field(record.fuel);
    const double odometer = field(record.odometer);
    const double price = field(record.price);

    input.pricePerFuel[i] = NO_VALUE;
    if (price != 0.0 && fuel != 0.0 && std::isfinite(price / fuel))
        input.pricePerFuel[i] = price / fuel;

    double d = 0.0;
    double f = fuel;
    if (input.previousOdometer != 0.0 && odometer != 0.0 && distance == 0.0 &&
        odometer < input.previousOdometer) {
        // A reading below the last one is a typing error or a new odometer: a negative
        // distance means nothing, so a new series starts here. Fuel waiting for the old
        // series' next reading never gets one; its refills are shown without a value.
        for (int j = i - 1; j >= 0 && input.consumption[j] == CARRIED_VALUE; --j)
            input.consumption[j] = NO_VALUE;
        input.carriedFuel = 0.0;
        input.consumption[i] = NO_VALUE;
        input.previousOdometer = odometer;
        return;
    }
    if (input.previousOdometer != 0.0 && odometer != 0.0 && distance == 0.0) {
        d = odometer - input.previousOdometer;
        if (d == 0.0) {
            // the same reading again (a second fill at the same stop): no distance yet, so
            // the fuel waits for the next reading like that of a fuel-only refill
            input.carriedFuel += fuel;
        } else {
            f = fuel + input.carriedFuel;
            input.carriedFuel = 0.0;
        }
    } else if (distance != 0.0) {
        // an explicit distance restarts the odometer chain
        d = distance;
        input.previousOdometer = 0.0;
        input.carriedFuel = 0.0;
    } else if (input.previousOdometer != 0.0) {
        input.carriedFuel += fuel;
    }

    if (d != 0.0 && f != 0.0) {
        const double value = fuelDistanceMode == 0 ? f / d * 100.0 : d / f;
        // only numbers near the limits of a double overflow here; they are not shown
        if (std::isfinite(value)) {
            input.pairs[i] = {d, f};
            input.pairs[input.count].distance += d;
            input.pairs[input.count].fuel += f;
        }
        input.consumption[i] = std::isfinite(value) ? value : NO_VALUE;
    } else {
        input.consumption[i] = input.previousOdometer != 0.0 ? CARRIED_VALUE : NO_VALUE;
    }
    if (odometer != 0.0)
        input.previousOdometer = odometer;
}

namespace {

bool openLog(std::ifstream& in) {
    std::snprintf(scratchText, SCRATCH_SIZE, "%s%s", dataDir(), "consumption.txt");
    in.open(scratchText);
    return in.is_open() && in.good();
}

// The newest lines that fit, one per row of small text, the newest on the last row.
void drawRecap(std::istream& in, int vehicle, int count) {
    const LayoutRect& area = layout.statDisplay;
    const int rowHeight = layout.smallTextSize + 1;
    const int height = area.y2 - area.y1;
    if (rowHeight <= 0 || height < 0)
        return;
    const int rows = height / rowHeight;
    const int first = count - rows;
    char line[SCRATCH_SIZE];
    for (int i = 0; nextRecordLine(in, vehicle) > 0; ++i) {
        if (i - first < 0)
            continue;
        // drawText reports problems through scratchText, so the line is copied out first
        std::memcpy(line, scratchText, SCRATCH_SIZE);
        line[SCRATCH_SIZE - 1] = '\0';
        for (char* c = line; *c; ++c)
            if (*c == '\t')
                *c = ' ';
        const int top = area.y1 + (i - first) * rowHeight;
        const Point a = layoutToScreen(area.x1, top, area.layoutW, area.layoutH, fb.xres, fb.yres);
        const Point b =
            layoutToScreen(area.x2, area.y2, area.layoutW, area.layoutH, fb.xres, fb.yres);
        drawText(a.x, a.y, b.x, b.y, line, layout.fontName, layout.smallTextSize, ALIGN_TOP,
                 layout.numColour.r, layout.numColour.g, layout.numColour.b, -1, -1, -1);
    }
}

} // namespace

void drawStatisticsView() {
    const LayoutRect& area = layout.statDisplay;
    const int screen = app.currentScreen;
    const int bit = screen >= 0 && screen < 31 ? area.mask & (1 << screen) : 0;
    if (bit == 0)
        return;

    std::ifstream in;
    if (!openLog(in))
        return;
    const int vehicle = getPropertyInt("P_DEFAULTVEHICLE", "1");
    int count = 0;
    while (nextRecordLine(in, vehicle) > 0)
        ++count;
    in.close();

    StatsInput input = makeStatsInput(count);
    std::ifstream again;
    if (!openLog(again))
        return;
    if (bit == layout.screenRecap) {
        drawRecap(again, vehicle, count);
        return;
    }
    const int mode = getPropertyInt("P_DEFAULTFUELDISTMODE", "0");
    while (nextRecordLine(again, vehicle) > 0)
        addStatsRecord(input, readRecordFields(), mode);
    if (bit == layout.screenFuelDist)
        drawFuelDistance(area.x1, area.y1, area.x2, area.y2, input.pairs.data(), count + 1);
    if (bit == layout.screenConPrice)
        drawConsumptionPrice(area.x1, area.y1, area.x2, area.y2, input.consumption.data(),
                             input.pricePerFuel.data(), count);
}
