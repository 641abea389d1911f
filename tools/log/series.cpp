#include "tools/log/series.h"

#include <cmath>

namespace pwlog {

namespace {

// Sums of amounts typed with two decimals differ from each other by rounding only.
constexpr double SAME = 0.005;

// Where a leading stretch of trip distances must start so that it ends at the first
// reading of the vehicle: the odometer then never jumps at the switch.
double startBefore(const VehicleLog& log) {
    double driven = 0.0;
    for (const Refill& refill : log.refills) {
        if (refill.kind == Kind::LeftOut)
            continue;
        if (refill.complete())
            driven += refill.distance;
        if (refill.record.odometer != 0.0)
            return std::max(0.0, refill.record.odometer - driven);
    }
    return 0.0;
}

// Whether the card reads a start of the series at reading (below the chain's) as the
// first reading of a new odometer: the next reading is below the chain too, either the
// next interval's or that of a partial fill written at the same reading.
bool newOdometer(const std::vector<AppFill>& series, std::size_t k, double reading, double chain) {
    return reading < chain && k + 1 < series.size() &&
           (series[k + 1].role == Role::Partial ||
            (series[k + 1].role == Role::Closes && reading + series[k + 1].distance < chain));
}

} // namespace

SeriesExport seriesRows(const VehicleLog& log, std::optional<double> start) {
    SeriesExport out;
    out.start = start ? *start : startBefore(log);
    double odometer = out.start;
    // Refills that close no interval of their own, until it is known whether the card
    // carries their fuel into the next interval (partial fills) or into none (a missed
    // fill-up at the reading before, so the apps count nothing across them).
    std::vector<const Refill*> waiting;
    auto flush = [&](bool carried) {
        for (const Refill* refill : waiting)
            out.rows.push_back({refill, carried ? Role::Partial : Role::Start, odometer, 0.0, 0.0});
        waiting.clear();
    };
    for (const Refill& refill : log.refills) {
        if (refill.kind == Kind::LeftOut)
            continue;
        if (refill.complete()) {
            // The card carries every refill since the last Start into the interval, or
            // none when it is a trip record: the fuel beyond the refill's own says which.
            flush(refill.fuel - refill.record.fuel > SAME);
            odometer += refill.distance;
            if (out.rows.empty() && refill.kind == Kind::Trip)
                out.startsWithTrip = true;
            out.rows.push_back({&refill, Role::Closes, odometer, refill.distance, refill.fuel});
        } else if (refill.kind == Kind::Start) {
            flush(false);
            odometer = refill.record.odometer;
            out.rows.push_back({&refill, Role::Start, odometer, 0.0, 0.0});
        } else {
            waiting.push_back(&refill);
        }
    }
    flush(true); // still waiting for the interval that will hold their fuel
    return out;
}

std::vector<AppFill> appSeries(const std::vector<FillUp>& fills, bool distanceColumn,
                               std::optional<double> start) {
    std::vector<AppFill> out;
    out.reserve(fills.size());          // one each: a million fill-ups are not copied as they grow
    std::optional<double> from = start; // the reading of the last fill to full
    bool started = start.has_value();
    double partialDistance = 0.0, partialFuel = 0.0;
    for (std::size_t i = 0; i < fills.size(); ++i) {
        const FillUp& f = fills[i];
        AppFill a{i, Role::Start, 0.0, 0.0, f.odometer};
        if (!a.odometer && from && f.distance)
            a.odometer = *from + *f.distance + partialDistance;
        if (f.partial && !f.missed) {
            a.role = Role::Partial;
            partialFuel += f.fuel;
            partialDistance += f.distance.value_or(0.0);
            out.push_back(a);
            continue;
        }
        if (!f.missed) {
            double d = 0.0;
            if (distanceColumn && f.distance && *f.distance + partialDistance > 0.0)
                d = *f.distance + partialDistance;
            else if (from && f.odometer && started)
                d = *f.odometer - *from;
            if (d > 0.0) {
                a.role = Role::Closes;
                a.distance = d;
                a.fuel = f.fuel + partialFuel;
            }
        }
        partialDistance = partialFuel = 0.0;
        from = a.odometer;
        started = true;
        out.push_back(a);
    }
    return out;
}

std::vector<std::pair<std::size_t, std::string>>
cardSeries(const std::vector<AppFill>& series, const std::vector<FillUp>& fills,
           const std::vector<bool>& skip, bool odometerMode, double chain,
           const std::function<void(const CardLine&)>& line) {
    std::vector<std::pair<std::size_t, std::string>> notes;
    // Fuel on the card that the apps count in no interval: it waits, carried, for the
    // next interval, which must then be a trip record (a trip record drops it).
    bool deadCarried = false;
    std::vector<std::size_t> held; // partial fills with no reading to carry them from
    std::size_t carried = 0;       // top-ups written since the last interval
    // The last line is an interval without top-ups: the card can end a series there by
    // writing it with its trip distance and no reading.
    bool closable = false;
    double closableDistance = 0.0;
    double lowStart = 0.0; // the first reading of a new odometer, lower than the one before
    // The last line written, handed on when the next one is: a series may end at it.
    std::optional<CardLine> last;
    auto write = [&](std::size_t index, double distance, double odometer, double fuel,
                     double price) {
        if (last)
            line(*last);
        last = CardLine{index, distance, odometer, fuel, price};
        closable = false;
    };
    auto note = [&](std::size_t index, const std::string& text) {
        notes.emplace_back(index, text);
    };
    for (std::size_t k = 0; k < series.size(); ++k) {
        const AppFill& a = series[k];
        if (skip[a.index])
            continue;
        const FillUp& f = fills[a.index];
        const double price = f.price;
        if (a.role == Role::Partial) {
            if (chain != 0.0 && !deadCarried) {
                // a top-up, carried by the card; after a new odometer's first reading at
                // that reading, which tells the card the odometer was replaced
                write(a.index, 0.0, lowStart, f.fuel, price);
                ++carried;
            } else {
                held.push_back(a.index);
            }
            continue;
        }
        if (a.role == Role::Start) {
            if (closable) {
                last->distance = closableDistance;
                last->odometer = 0.0;
                chain = 0.0;
            }
            const double reading = a.odometer.value_or(0.0);
            if (f.missed)
                note(a.index, "follows a missed fill-up: no interval ends here, and its fuel "
                              "counts in the totals only");
            else if (!last && chain != 0.0)
                note(a.index, "the first fill-up of the file closes no interval: its fuel counts "
                              "in the totals only");
            if (held.empty() && reading > 0.0 &&
                (chain == 0.0 || newOdometer(series, k, reading, chain))) {
                // the first reading of a series, or of a new odometer: the card drops the
                // fuel carried up to it
                lowStart = chain == 0.0 ? 0.0 : reading;
                write(a.index, 0.0, reading, f.fuel, price);
                chain = reading;
                deadCarried = false;
            } else if (chain == 0.0 && reading <= 0.0) {
                note(a.index, "no odometer reading to start a series from: left out");
                for (std::size_t i : held)
                    note(i, "a partial fill before a fill-up that is left out: left out");
            } else {
                // the first one starts a series when the card has none; the card carries
                // the fuel of the others to the next interval, written as a trip record
                for (std::size_t i : held) {
                    write(i, 0.0, chain == 0.0 ? reading : 0.0, fills[i].fuel, fills[i].price);
                    chain = chain == 0.0 ? reading : chain;
                    note(i, "a partial fill before a missed fill-up: its fuel counts in the "
                            "totals only");
                }
                write(a.index, 0.0, chain == 0.0 ? reading : 0.0, f.fuel, price);
                chain = chain == 0.0 ? reading : chain;
                deadCarried = true;
            }
            held.clear();
            carried = 0;
            continue;
        }
        const bool partialNext = k + 1 < series.size() && series[k + 1].role == Role::Partial;
        if (chain == 0.0 || deadCarried) {
            // no reading to measure from, or fuel to leave out: a trip record, the partial
            // fills that had nothing to be carried from in its fuel
            double fuel = f.fuel, paid = price;
            for (std::size_t i : held) {
                fuel += fills[i].fuel;
                paid += fills[i].price;
                note(i, "partial fill: added to the next full fill, as the card has no "
                        "reading here to carry it from");
            }
            const double reading =
                odometerMode || partialNext ? a.odometer.value_or(chain + a.distance) : 0.0;
            write(a.index, a.distance, reading, fuel, paid);
            chain = reading;
            deadCarried = false;
            closable = held.empty();
        } else if (!odometerMode && carried == 0) {
            const double reading = partialNext ? a.odometer.value_or(chain + a.distance) : 0.0;
            write(a.index, a.distance, reading, f.fuel, price);
            chain = reading;
            closable = true;
        } else if (carried == 0 && a.odometer &&
                   std::fabs(*a.odometer - chain - a.distance) >= SAME) {
            // the file's distance is not its odometer difference (Fuelly, a row missing):
            // the distance as a trip, the chain going on from the real reading
            write(a.index, a.distance, *a.odometer, f.fuel, price);
            chain = *a.odometer;
            closable = true;
        } else {
            // a reading that gives the interval's distance from the one before it
            const double reading = a.odometer && std::fabs(*a.odometer - chain - a.distance) < SAME
                                       ? *a.odometer
                                       : chain + a.distance;
            write(a.index, 0.0, reading, f.fuel, price);
            chain = reading;
            closable = carried == 0;
        }
        closableDistance = a.distance;
        lowStart = 0.0;
        held.clear();
        carried = 0;
    }
    for (std::size_t i : held)
        note(i, "partial fill with no full fill after it and no reading to carry it from: left "
                "out");
    if (deadCarried && last)
        note(last->index,
             "the device measures its next reading from " + std::to_string(std::lround(chain)) +
                 ", with this fuel carried into it: start the next refill with a trip distance");
    if (last)
        line(*last);
    return notes;
}

double lastReading(const std::vector<Record>& records, int vehicle) {
    double reading = 0.0;
    for (const Record& r : records)
        if (r.vehicle == vehicle && (r.distance != 0.0 || r.odometer != 0.0))
            reading = r.odometer;
    return reading;
}

} // namespace pwlog
