// The importer of pumpwright-log on hostile files of every format. A file is refused
// whole with a reason, or read into fill-ups within what a refill can be; the lines
// planned from them are whole records of the vehicle asked for, each number a finite
// number the device reads, each with a date the tool reads back. The first byte picks
// the format, the vehicle, its odometer mode and the options; the rest is the file.
#include "tools/log/importer.h"
#include "tools/log/logbook.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace pwlog;

namespace {

// Every field but the time a finite number with nothing after it.
bool numbersReadable(std::string_view line) {
    for (int field = 0; field < 6; ++field) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos)
            return false;
        const std::string text(line.substr(0, tab));
        char* end = nullptr;
        const double v = std::strtod(text.c_str(), &end);
        if (text.empty() || *end != '\0' || !std::isfinite(v) || v < 0.0)
            return false;
        line.remove_prefix(tab + 1);
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const Format format = static_cast<Format>(data[0] % 4);
    ImportOptions options;
    options.vehicle = (data[0] >> 2) % VEHICLE_COUNT;
    options.odometerMode = (data[0] >> 4) & 1;
    ForeignOptions reading;
    reading.vehicle = options.vehicle;
    // dates of either order are read as the byte says, or settled by the file
    reading.dateOrder = (data[0] >> 5) & 1 ? DateOrder::Dmy : DateOrder::Unknown;
    if (data[0] & 0x40)
        options.startOdometer = 1000.0;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    ForeignFile file;
    std::string error;
    if (!readForeign(text, format, reading, file, error)) {
        if (error.empty())
            std::abort(); // refused without a reason
        return 0;
    }
    for (const FillUp& f : file.fillUps)
        if (!outOfBounds(f).empty())
            std::abort();
    const LogRecords existing =
        splitLog("1\t0.0\t40.00\t1000.00\t60.00\t0.00\tMon Jan  6 08:10:00 2025\n"
                 "0\t250.00\t12.50\t0.0\t20.00\t5.00\tMon Jan  6 08:10:00 2025\n");
    std::string lines;
    const ImportPlan plan = planImport(file, existing.records, options,
                                       [&](const std::string& line) { lines += line; });
    const LogRecords back = splitLog(lines);
    if (back.records.size() != static_cast<std::size_t>(plan.records) || !back.warnings.empty())
        std::abort();
    for (const Record& r : back.records)
        if (r.bad || !r.time || r.vehicle != options.vehicle)
            std::abort();
    for (std::size_t start = 0; start < lines.size();) {
        const std::size_t end = lines.find('\n', start);
        if (end == std::string::npos || !numbersReadable(lines.substr(start, end - start)))
            std::abort(); // a line cut short or a number the device cannot read
        start = end + 1;
    }
    return 0;
}
