#include "app/stats_view.h"

#include "app/app_state.h"
#include "base/debug_log.h"
#include "base/paths.h"
#include "display/framebuffer.h"
#include "display/screen_map.h"
#include "display/text.h"
#include "props/layout.h"
#include "props/properties.h"
#include "records/consumption_log.h"
#include "records/refill.h"
#include "stats/con_price.h"
#include "stats/fuel_distance.h"
#include "stats/plot.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

namespace {

bool openLog(std::ifstream& in) {
    in.open(dataPath("consumption.txt"));
    return in.is_open();
}

// The newest lines that fit, one per row of small text, the newest on the last row. The
// log is read once, keeping the newest lines that can be shown (at most one per row).
void drawRecap(std::istream& in, int vehicle) {
    const LayoutRect& area = layout.statDisplay;
    const int rowHeight = layout.smallTextSize + 1;
    const int height = area.y2 - area.y1;
    if (rowHeight <= 0 || height < rowHeight)
        return;
    const std::size_t rows = static_cast<std::size_t>(height / rowHeight);
    std::vector<std::array<char, SCRATCH_SIZE>> kept; // a ring once it holds rows lines
    std::size_t count = 0;
    for (; nextRecordLine(in, vehicle) > 0; ++count) {
        if (kept.size() < rows)
            kept.emplace_back();
        // drawText reports problems through scratchText, so the line is copied out first:
        // the whole buffer, which holds the line and the NUL that ends it
        std::memcpy(kept[count % rows].data(), scratchText, SCRATCH_SIZE);
    }
    const std::size_t shown = kept.size();
    for (std::size_t k = 0; k < shown; ++k) {
        char* line = kept[(count - shown + k) % rows].data();
        for (char* c = line; *c; ++c)
            if (*c == '\t')
                *c = ' ';
        const int top = area.y1 + static_cast<int>(rows - shown + k) * rowHeight;
        const Point a = layoutToScreen(area.x1, top, area.layoutW, area.layoutH, fb.xres, fb.yres);
        const Point b =
            layoutToScreen(area.x2, area.y2, area.layoutW, area.layoutH, fb.xres, fb.yres);
        drawText(a.x, a.y, b.x, b.y, line, layout.fontName, layout.smallTextSize, ALIGN_TOP,
                 layout.numColour.r, layout.numColour.g, layout.numColour.b, -1, -1, -1);
    }
}

} // namespace

double selectedCapacity() {
    const char* key = fuelFullKey(getPropertyInt("P_DEFAULTVEHICLE", "1"));
    if (!key)
        return 0.0;
    const double t = getPropertyDouble(key, "0");
    // A tank cannot hold less than nothing: a negative or unreadable capacity in a
    // hand-edited properties.txt counts as not entered.
    return std::isfinite(t) && t > 0.0 ? t : 0.0;
}

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
    if (bit == layout.screenRecap) {
        drawRecap(in, vehicle);
        return;
    }
    int count = 0;
    while (nextRecordLine(in, vehicle) > 0)
        ++count;
    in.close();

    StatsInput input = makeStatsInput(count);
    std::ifstream again;
    if (!openLog(again))
        return;
    const int mode = getPropertyInt("P_DEFAULTFUELDISTMODE", "0");
    while (nextRecordLine(again, vehicle) > 0)
        addStatsRecord(input, readRecordFields(), mode);
    if (bit == layout.screenFuelDist)
        drawFuelDistance(area.x1, area.y1, area.x2, area.y2, input.pairs.data(), count + 1,
                         selectedCapacity(), getPropertyInt("P_DEFAULTFUELDISTMODE", "0"));
    if (bit == layout.screenConPrice)
        drawConsumptionPrice(area.x1, area.y1, area.x2, area.y2, input.consumption.data(),
                             input.pricePerFuel.data(), count);
}
