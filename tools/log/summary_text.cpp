#include "tools/log/summary_text.h"

namespace pwlog {

namespace {

std::string row(const char* name, const std::string& value) {
    return formatted("  %-22s %s\n", name, value.c_str());
}

std::string periodRow(const std::string& label, const Totals& t, int mode) {
    const std::string average =
        t.hasAverage() ? withDecimals(refillConsumption(t.distance, t.intervalFuel, mode), 2)
                       : std::string("-");
    return formatted("  %-8s %7d %10.0f %10.2f %10.2f %9s\n", label.c_str(), t.refills, t.distance,
                     t.fuel, t.money, average.c_str());
}

std::string intervalText(const Refill* refill, int mode, const std::string& unit) {
    if (!refill)
        return "-";
    return withDecimals(refillConsumption(refill->distance, refill->fuel, mode), 2) + " " + unit +
           " (" + dateText(refill->record.time) + ", line " + std::to_string(refill->record.line) +
           ")";
}

} // namespace

std::string dateText(const std::optional<LocalTime>& time) {
    if (!time)
        return "-";
    const Civil c = civil(*time);
    return formatted("%04d-%02u-%02u", c.year, c.month, c.day);
}

std::string summaryText(const Summary& s, int odometerMode, int mode, double tankSize,
                        Units units) {
    const UnitNames names = unitNames(units);
    const std::string unit = consumptionUnit(units, mode);
    const std::string km = names.distance;
    std::string out = std::string(vehicleName(s.vehicle)) + " (vehicle " +
                      std::to_string(s.vehicle) + ", " +
                      (odometerMode == 0 ? "trip distances" : "odometer readings") + ")\n";
    const Totals& t = s.totals;
    out += row("refills", std::to_string(t.refills));
    out += row("first / last", dateText(s.first) + " / " + dateText(s.last));
    out += row("distance", withDecimals(t.distance, 0) + " " + km);
    out += row("fuel", withDecimals(t.fuel, 2) + " " + names.fuel);
    out += row("money", withDecimals(t.money, 2));
    out += row("average", s.average ? withDecimals(*s.average, 2) + " " + unit + " (full to full)"
                                    : std::string("-"));
    out += row("best interval", intervalText(s.best, mode, unit));
    out += row("worst interval", intervalText(s.worst, mode, unit));
    out += row(("cost per 100 " + km).c_str(), s.costPer100 ? withDecimals(*s.costPer100, 2) : "-");
    if (tankSize > 0.0)
        out += row("full tank range", s.fullTankRange ? withDecimals(*s.fullTankRange, 0) + " " +
                                                            km + " (" + withDecimals(tankSize, 1) +
                                                            " " + names.fuel + " at the average)"
                                                      : std::string("-"));
    out += row("since tire change", s.sinceTireChange
                                        ? withDecimals(*s.sinceTireChange, 0) + " " + km +
                                              " (changed " + dateText(s.tireChange) + " at " +
                                              printable(s.tireChangeValue) + ")"
                                        : std::string("no tire change recorded"));
    if (s.years.empty())
        return out;
    const std::string dist = "dist " + km, fuel = "fuel " + std::string(names.fuel);
    auto head = [&](const char* period) {
        return formatted("\n  %-8s %7s %10s %10s %10s %9s\n", period, "refills", dist.c_str(),
                         fuel.c_str(), "money", "average");
    };
    out += head("year");
    for (const Period& p : s.years)
        out += periodRow(std::to_string(p.year), p.totals, mode);
    out += head("month");
    for (const Period& p : s.months)
        out += periodRow(formatted("%04d-%02u", p.year, p.month), p.totals, mode);
    return out;
}

} // namespace pwlog
