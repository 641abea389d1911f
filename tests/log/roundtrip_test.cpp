// Generated cards out to each format and back onto an empty card, and each export read
// the way the apps themselves compute economy from a file.
#include "tools/log/formats.h"
#include "tools/log/importer.h"
#include "tools/log/logbook.h"
#include "tools/log/summary_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <regex>

using namespace pwlog;

namespace {

struct Interval {
    double distance, fuel;
};

// A card of three vehicles: stretches of trip distances and of odometer readings, the
// switches between them, top-ups, a second fill at the same stop, slipped and replaced
// odometers. Whole distances and readings, amounts with two decimals, as typed.
std::string generatedCard(std::mt19937& random) {
    auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    auto cents = [&](int low, int high) { return pick(low, high) / 100.0; };
    std::string log;
    long minutes = 55L * 365 * 24 * 60 + pick(0, 500000); // some time in 2025
    auto record = [&](int vehicle, double distance, double fuel, double odometer) {
        minutes += pick(600, 20000);
        char line[160];
        std::snprintf(line, sizeof line, "%d\t%.2f\t%.2f\t%.2f\t%.2f\t0.00\t", vehicle, distance,
                      fuel, odometer, fuel * cents(150, 190));
        log += line + formatCtime(LocalTime{std::chrono::minutes(minutes)}) + "\n";
    };
    double odometer[VEHICLE_COUNT] = {1000.0 * pick(1, 90), 1000.0 * pick(1, 90), 0.0};
    for (int stretch = pick(2, 9); stretch > 0; --stretch) {
        const int v = pick(0, VEHICLE_COUNT - 1);
        double& reading = odometer[v];
        if (pick(0, 2) == 0) {
            for (int n = pick(1, 5); n > 0; --n) {
                const int d = pick(80, 700);
                reading += d;
                record(v, d, cents(d * 3, d * 9), 0.0);
            }
            continue;
        }
        reading += pick(0, 2000);
        record(v, 0.0, cents(500, 5000), reading);
        for (int n = pick(1, 6); n > 0; --n) {
            switch (pick(0, 7)) {
            case 0:
                record(v, 0.0, cents(300, 1500), 0.0); // a top-up without a reading
                break;
            case 1:
                record(v, 0.0, cents(300, 1500), reading); // a second fill at the stop
                break;
            case 2:
                record(v, 0.0, cents(1000, 4000), std::floor(reading / 10)); // a slip
                break;
            case 3: // a new odometer
                reading = pick(10, 900);
                record(v, 0.0, cents(1000, 4000), reading);
                break;
            default:
                break;
            }
            if (pick(0, 5) == 0)
                continue; // no reading before the next one: top-ups left to a later event
            const int d = pick(80, 700);
            reading += d;
            record(v, 0.0, cents(d * 3, d * 9), reading);
        }
    }
    return log;
}

std::vector<Interval> intervalsOf(const VehicleLog& log) {
    std::vector<Interval> out;
    for (const pwlog::Refill& r : log.refills)
        if (r.complete())
            out.push_back({r.distance, r.fuel});
    return out;
}

// Fields of a CSV line as our exports write them (no quote inside a field), trimmed.
std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> out;
    std::string field;
    bool quoted = false;
    for (char c : line + ",") {
        if (c == '"')
            quoted = !quoted;
        else if (c == ',' && !quoted) {
            const std::size_t b = field.find_first_not_of(' ');
            out.push_back(b == std::string::npos ? "" : field.substr(b));
            field.clear();
        } else if (c != '\r')
            field += c;
    }
    return out;
}

// The apps' own arithmetic over a file, written from their documented rules: the rows
// oldest first, each as the named columns; an interval ends at each fill to full that
// follows a fill to full, partial fills' fuel in it, none at a missed fill-up. Fuelly
// takes the distance from its km column, LubeLogger and Fuelio from the odometer. The
// economy the file shows for the row is checked against the interval.
std::vector<Interval> appIntervals(const std::string& text, Format format, int fuelDistanceMode) {
    std::vector<std::vector<std::string>> rows;
    std::size_t at = 0;
    if (format == Format::Fuelio)
        at = text.find("\n", text.find("\"## Log\"")) + 1;
    std::vector<std::string> header;
    for (std::size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
        const std::string line = text.substr(at, end - at);
        if (line.rfind("\"##", 0) == 0)
            break;
        (header.empty() ? header : rows.emplace_back()) = fields(line);
    }
    if (format != Format::LubeLogger)
        std::reverse(rows.begin(), rows.end()); // newest first in the file
    auto column = [&](const std::vector<std::string>& row,
                      std::initializer_list<const char*> names) {
        for (const char* name : names)
            for (std::size_t i = 0; i < header.size(); ++i)
                if (header[i] == name || header[i].rfind(std::string(name) + " (", 0) == 0)
                    return row.at(i);
        ADD_FAILURE() << "no column " << *names.begin();
        return std::string();
    };
    auto number = [&](const std::vector<std::string>& row,
                      std::initializer_list<const char*> names) {
        return std::stod(column(row, names));
    };
    const bool truthFromKm = format == Format::Fuelly;
    std::vector<Interval> out;
    std::optional<double> from;
    double partialFuel = 0.0, partialKm = 0.0;
    for (const auto& row : rows) {
        const std::string missed = column(row, {"MissedFuelUp", "missed_fuelup", "Missed"});
        const std::string full = column(row, {"IsFillToFull", "partial_fuelup", "Full"});
        const double fuel = number(row, {"FuelConsumed", "litres", "Fuel"});
        const double odometer = number(row, {"Odometer", "odometer", "Odo"});
        const double km = truthFromKm ? number(row, {"km"}) : 0.0;
        const double shown = number(row, {"FuelEconomy", "l/100km", "km/l"});
        if (missed == "True" || missed == "1") {
            from = odometer;
            partialFuel = partialKm = 0.0;
            EXPECT_EQ(shown, 0.0) << "a missed fill-up shows no economy";
        } else if (full == "False" || (format == Format::Fuelly ? full == "1" : full == "0")) {
            partialFuel += fuel;
            partialKm += km;
        } else {
            const double distance = truthFromKm ? km + partialKm : from ? odometer - *from : 0.0;
            if (distance > 0.0) {
                out.push_back({distance, fuel + partialFuel});
                EXPECT_NEAR(shown,
                            refillConsumption(distance, fuel + partialFuel, fuelDistanceMode),
                            0.006);
            }
            from = odometer;
            partialFuel = partialKm = 0.0;
        }
    }
    return out;
}

void expectSameIntervals(const std::vector<Interval>& a, const std::vector<Interval>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_NEAR(a[i].distance, b[i].distance, 0.006) << "interval " << i;
        EXPECT_NEAR(a[i].fuel, b[i].fuel, 0.006) << "interval " << i;
    }
}

TEST(RoundTripTest, GeneratedCardsComeBackWithTheSameSummaryAndTheAppsSeeTheirIntervals) {
    std::mt19937 random(20251208);
    const std::regex lineNumber(", line [0-9]+");
    for (int card = 0; card < 200; ++card) {
        const std::string text = generatedCard(random);
        const LogRecords source = splitLog(text);
        const int fuelDistanceMode = card % 2;
        for (int vehicle = 0; vehicle < VEHICLE_COUNT; ++vehicle) {
            const VehicleLog log = readVehicle(source.records, vehicle);
            const int odometerMode = (card / 2 + vehicle) % 2;
            const Summary before = summarise(log, vehicle, fuelDistanceMode, 40.0, {});
            for (Format format :
                 {Format::Csv, Format::LubeLogger, Format::Fuelly, Format::Fuelio}) {
                SCOPED_TRACE("card " + std::to_string(card) + " vehicle " +
                             std::to_string(vehicle) + " format " +
                             std::to_string(static_cast<int>(format)) + "\n" + text);
                ExportOptions out;
                out.fuelDistanceMode = fuelDistanceMode;
                const ExportResult exported = exportRefills({{vehicle, &log, 40.0}}, format, out);
                ForeignFile file;
                std::string error;
                ForeignOptions reading;
                reading.vehicle = vehicle;
                ASSERT_TRUE(readForeign(exported.text, format, reading, file, error)) << error;
                ImportOptions in;
                in.vehicle = vehicle;
                in.odometerMode = odometerMode;
                in.fuelDistanceMode = fuelDistanceMode;
                // LubeLogger and Fuelio measure from a reading before: the first trip
                // distance of a log needs the start the export said it made up
                if (!exported.builtOdometer.empty())
                    in.startOdometer = exported.builtOdometer.front().second;
                std::string lines;
                planImport(file, {}, in, [&](const std::string& line) { lines += line; });
                const VehicleLog back = readVehicle(splitLog(lines).records, vehicle);
                const Summary after = summarise(back, vehicle, fuelDistanceMode, 40.0, {});
                expectSameIntervals(intervalsOf(back), intervalsOf(log));
                EXPECT_EQ(std::regex_replace(summaryText(after, odometerMode, fuelDistanceMode,
                                                         40.0, Units::Metric),
                                             lineNumber, ""),
                          std::regex_replace(summaryText(before, odometerMode, fuelDistanceMode,
                                                         40.0, Units::Metric),
                                             lineNumber, ""));
                if (format == Format::Csv)
                    continue;
                // the apps themselves: the card's intervals, no jump, none across a break;
                // only Fuelly has the first trip distance of a log (its km column)
                std::vector<Interval> own = intervalsOf(log);
                if (format != Format::Fuelly && !log.refills.empty() && !own.empty() &&
                    std::find_if(
                        log.refills.begin(), log.refills.end(), [](const pwlog::Refill& r) {
                            return r.kind != Kind::LeftOut;
                        })->kind == Kind::Trip)
                    own.erase(own.begin());
                expectSameIntervals(appIntervals(exported.text, format, fuelDistanceMode), own);
            }
        }
        if (HasFailure())
            return;
    }
}

} // namespace
