#include "tools/log/importer.h"

#include <csv.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace pwlog {

namespace {

constexpr double US_GALLON = 3.785411784;
constexpr double UK_GALLON = 4.54609;
constexpr double MILE = 1.609344;

using Rows = std::vector<std::vector<std::string>>;

struct CsvReader {
    Rows rows;
    std::vector<std::string> row;
};

// Splits RFC 4180 text into rows of fields; false when the quoting is broken.
bool splitCsv(std::string_view text, Rows& rows, std::string& error) {
    csv_parser parser;
    if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI | CSV_EMPTY_IS_NULL) != 0) {
        error = "out of memory";
        return false;
    }
    CsvReader reader;
    auto field = [](void* data, std::size_t size, void* out) {
        static_cast<CsvReader*>(out)->row.emplace_back(data ? static_cast<const char*>(data) : "",
                                                       data ? size : 0);
    };
    auto end = [](int, void* out) {
        CsvReader* r = static_cast<CsvReader*>(out);
        r->rows.push_back(std::move(r->row));
        r->row.clear();
    };
    const std::size_t done = csv_parse(&parser, text.data(), text.size(), field, end, &reader);
    const bool ok = done == text.size() && csv_fini(&parser, field, end, &reader) == 0;
    if (!ok)
        error = "row " + std::to_string(reader.rows.size() + 1) + ": " +
                csv_strerror(csv_error(&parser));
    csv_free(&parser);
    rows = std::move(reader.rows);
    return ok;
}

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string_view trim(std::string_view text) {
    const std::size_t begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string_view::npos)
        return {};
    return text.substr(begin, text.find_last_not_of(" \t\r\n") - begin + 1);
}

// A header name without its unit or "(optional)": "Odo (km)" -> "odo".
std::string bareName(std::string_view name) {
    return lower(trim(name.substr(0, name.find(" ("))));
}

// The unit in a header's brackets: "Fuel (litres)" -> "litres".
std::string unitOf(std::string_view name) {
    const std::size_t open = name.find('(');
    const std::size_t close = name.find(')', open);
    if (open == std::string_view::npos || close == std::string_view::npos)
        return {};
    return lower(trim(name.substr(open + 1, close - open - 1)));
}

struct Columns {
    const std::vector<std::string>* header = nullptr;
    int find(std::initializer_list<const char*> names) const {
        for (const char* name : names)
            for (std::size_t i = 0; i < header->size(); ++i)
                if (bareName((*header)[i]) == name)
                    return static_cast<int>(i);
        return -1;
    }
};

bool truthy(std::string_view text) {
    const std::string t = lower(trim(text));
    return t == "1" || t == "true" || t == "yes" || t == "y";
}

double round2(double v) {
    return std::round(v * 100.0) / 100.0;
}

} // namespace

std::optional<double> parseAmount(std::string_view raw) {
    std::string text(trim(raw));
    if (text.empty() || text.size() > 40)
        return std::nullopt;
    const std::size_t comma = text.rfind(','), point = text.rfind('.');
    if (comma != std::string::npos && (point == std::string::npos || comma > point)) {
        // the comma is the decimal separator; points group thousands
        text.erase(std::remove(text.begin(), text.end(), '.'), text.end());
        std::replace(text.begin(), text.end(), ',', '.');
    } else {
        text.erase(std::remove(text.begin(), text.end(), ','), text.end());
    }
    if (text.find_first_not_of("0123456789.-+eE") != std::string::npos)
        return std::nullopt;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<LocalTime> parseDate(std::string_view raw) {
    static const char* const FORMATS[] = {
        "%Y-%m-%dT%H:%M:%S", "%Y-%m-%d %H:%M:%S", "%Y-%m-%dT%H:%M", "%Y-%m-%d %H:%M",
        "%Y-%m-%d",          "%m/%d/%Y %H:%M:%S", "%m/%d/%Y %H:%M", "%m/%d/%Y",
        "%d.%m.%Y %H:%M:%S", "%d.%m.%Y %H:%M",    "%d.%m.%Y",
    };
    std::string text(trim(raw));
    // A 12-hour clock (en-US: "6:30 PM"); date's parser drops the half of the day.
    std::chrono::hours shift{0};
    const std::string half = lower(text.size() > 3 ? text.substr(text.size() - 3) : "");
    if (half == " am" || half == " pm") {
        text.resize(text.size() - 3);
        shift = std::chrono::hours(half == " pm" ? 12 : 0);
    }
    for (const char* format : FORMATS) {
        std::istringstream in(text);
        LocalTime time;
        in >> date::parse(format, time);
        if (in.fail() || in.peek() != std::char_traits<char>::eof())
            continue;
        if (half == " am" || half == " pm") {
            const auto clock = time - date::floor<date::days>(time);
            if (clock < std::chrono::hours(1) || clock >= std::chrono::hours(13))
                return std::nullopt; // a 12-hour clock runs from 1 to 12:59
            if (clock >= std::chrono::hours(12))
                time -= std::chrono::hours(12);
            time += shift;
        }
        const date::year_month_day day{date::floor<date::days>(time)};
        if (!day.ok() || day.year() < date::year(1970) || day.year() > date::year(2099))
            return std::nullopt;
        return time;
    }
    return std::nullopt;
}

bool readForeign(std::string_view text, Format format, int vehicle, Units cardUnits,
                 ForeignFile& file, std::string& error) {
    Rows rows;
    if (text.find('\0') != std::string_view::npos) {
        error = "not a text file (it holds NUL bytes)";
        return false;
    }
    if (!splitCsv(text, rows, error))
        return false;
    // Fuelio's backup: the header and rows of the "## Log" section only.
    std::size_t headerRow = 0, endRow = rows.size();
    if (format == Format::Fuelio) {
        std::size_t log = 0;
        while (log < rows.size() && !(rows[log].size() >= 1 && trim(rows[log][0]) == "## Log"))
            ++log;
        if (log + 1 >= rows.size()) {
            error = "no \"## Log\" section";
            return false;
        }
        headerRow = log + 1;
        for (endRow = headerRow + 1; endRow < rows.size(); ++endRow)
            if (!rows[endRow].empty() && rows[endRow][0].rfind("## ", 0) == 0)
                break;
    }
    if (rows.size() <= headerRow) {
        error = "the file is empty";
        return false;
    }
    Columns c{&rows[headerRow]};
    const std::vector<std::string>& header = rows[headerRow];
    int date = -1, odometer = -1, distance = -1, fuel = -1, cost = -1, perUnit = -1, full = -1,
        partial = -1, missed = -1, vehicleColumn = -1;
    double fuelFactor = 1.0, distanceFactor = 1.0; // file units to litres and km
    switch (format) {
    case Format::Csv:
        date = c.find({"date"});
        vehicleColumn = c.find({"vehicle"});
        distance = c.find({"distance"});
        odometer = c.find({"odometer"});
        fuel = c.find({"fuel"});
        cost = c.find({"price"});
        full = c.find({"full"});
        break;
    case Format::LubeLogger:
        date = c.find({"date", "fuelup_date"});
        odometer = c.find({"odometer"});
        fuel = c.find({"fuelconsumed", "gallons", "liters", "litres", "consumption"});
        cost = c.find({"cost", "total cost", "totalcost", "total price"});
        perUnit = c.find({"price"});
        full = c.find({"isfilltofull", "filled up"});
        partial = c.find({"partialfuelup", "partial_fuelup"});
        missed = c.find({"missedfuelup"});
        break;
    case Format::Fuelly: {
        date = c.find({"fuelup_date"});
        odometer = c.find({"odometer"});
        distance = c.find({"km", "miles"});
        fuel = c.find({"litres", "liters", "gallons"});
        perUnit = c.find({"price"});
        partial = c.find({"partial_fuelup"});
        missed = c.find({"missed_fuelup"});
        if (fuel >= 0 && bareName(header[fuel]) == "gallons")
            fuelFactor = US_GALLON;
        if (distance >= 0 && bareName(header[distance]) == "miles")
            distanceFactor = MILE;
        break;
    }
    case Format::Fuelio: {
        date = c.find({"data"});
        odometer = c.find({"odo"});
        fuel = c.find({"fuel"});
        cost = c.find({"price"});
        perUnit = c.find({"volumeprice"});
        full = c.find({"full"});
        missed = c.find({"missed"});
        if (odometer >= 0 && unitOf(header[odometer]) == "mi")
            distanceFactor = MILE;
        if (fuel >= 0) {
            const std::string unit = unitOf(header[fuel]);
            if (unit.find("uk") != std::string::npos || unit.find("imp") != std::string::npos)
                fuelFactor = UK_GALLON;
            else if (unit.find("gal") != std::string::npos)
                fuelFactor = US_GALLON;
        }
        break;
    }
    }
    std::string missing;
    if (date < 0)
        missing = "date";
    else if (fuel < 0)
        missing = "fuel";
    else if (odometer < 0 && distance < 0)
        missing = "odometer or distance";
    else if (cost < 0 && perUnit < 0)
        missing = "price";
    if (!missing.empty()) {
        error = "row " + std::to_string(headerRow + 1) + ": no " + missing + " column: is this a " +
                (format == Format::Csv          ? "csv"
                 : format == Format::LubeLogger ? "lubelogger"
                 : format == Format::Fuelly     ? "fuelly"
                                                : "fuelio") +
                " file?";
        return false;
    }
    const UnitNames card = unitNames(cardUnits);
    const double toCardFuel = fuelFactor / card.litresPer;
    const double toCardDistance = distanceFactor / card.kmPer;

    for (std::size_t r = headerRow + 1; r < endRow; ++r) {
        const std::vector<std::string>& fields = rows[r];
        const int rowNumber = static_cast<int>(r) + 1;
        if (fields.size() == 1 && trim(fields[0]).empty())
            continue; // a blank line
        auto fail = [&](const std::string& why) {
            error = "row " + std::to_string(rowNumber) + ": " + why;
            return false;
        };
        auto field = [&](int column) -> std::string_view {
            return column >= 0 && static_cast<std::size_t>(column) < fields.size()
                       ? std::string_view(fields[column])
                       : std::string_view();
        };
        if (fields.size() < header.size() &&
            static_cast<std::size_t>(std::max({date, fuel, odometer, distance, cost, perUnit})) >=
                fields.size())
            return fail("only " + std::to_string(fields.size()) + " of " +
                        std::to_string(header.size()) + " columns");
        if (vehicleColumn >= 0) {
            const std::optional<double> v = parseAmount(field(vehicleColumn));
            if (!v)
                return fail("unreadable vehicle \"" + std::string(field(vehicleColumn)) + "\"");
            if (static_cast<int>(*v) != vehicle) {
                file.notes.push_back({rowNumber, "vehicle " + std::to_string(static_cast<int>(*v)) +
                                                     ": passed over (import it with --vehicle " +
                                                     std::to_string(static_cast<int>(*v)) + ")"});
                continue;
            }
        }
        FillUp f;
        f.row = rowNumber;
        const std::optional<LocalTime> time = parseDate(field(date));
        if (!time)
            return fail("unreadable date \"" + std::string(field(date)) +
                        "\" (or before 1970 or after 2099)");
        f.time = *time;
        auto amount = [&](int column, const char* what, std::optional<double>& out) {
            if (column < 0 || trim(field(column)).empty())
                return true;
            out = parseAmount(field(column));
            if (!out)
                return fail(std::string("unreadable ") + what + " \"" + std::string(field(column)) +
                            "\"");
            if (*out < 0.0)
                return fail(std::string("negative ") + what + " " + std::string(field(column)));
            return true;
        };
        std::optional<double> litres, total, unitPrice;
        if (!amount(fuel, "fuel", litres) || !amount(odometer, "odometer", f.odometer) ||
            !amount(distance, "distance", f.distance) || !amount(cost, "cost", total) ||
            !amount(perUnit, "price per unit", unitPrice))
            return false;
        if (!litres || *litres <= 0.0)
            return fail("no fuel");
        if (*litres * toCardFuel > 1e6 || (f.odometer && *f.odometer > 1e9) ||
            (f.distance && *f.distance > 1e7) || (total && *total > 1e7))
            return fail("a number out of range");
        f.fuel = round2(*litres * toCardFuel);
        if (f.odometer)
            f.odometer = round2(*f.odometer * toCardDistance);
        if (f.distance)
            f.distance = round2(*f.distance * toCardDistance);
        if (total)
            f.price = round2(*total);
        else if (unitPrice)
            f.price = round2(*unitPrice * *litres);
        if (full >= 0 && !trim(field(full)).empty())
            f.partial = !truthy(field(full));
        if (partial >= 0)
            f.partial = f.partial || truthy(field(partial));
        if (missed >= 0)
            f.missed = truthy(field(missed));
        file.fillUps.push_back(f);
    }
    return true;
}

namespace {

std::string fixed2(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%0.2f", v);
    return text;
}

std::string recordLine(int vehicle, const std::string& distance, double fuel,
                       const std::string& odometer, double price, double consumptionValue,
                       LocalTime time) {
    return std::to_string(vehicle) + "\t" + distance + "\t" + fixed2(fuel) + "\t" + odometer +
           "\t" + fixed2(price) + "\t" + fixed2(consumptionValue) + "\t" + formatCtime(time) + "\n";
}

} // namespace

ImportPlan planImport(std::vector<FillUp> fillUps, const std::vector<Record>& existing,
                      const ImportOptions& options) {
    ImportPlan plan;
    std::stable_sort(fillUps.begin(), fillUps.end(),
                     [](const FillUp& a, const FillUp& b) { return a.time < b.time; });
    // the same vehicle, day and fuel as a record already there
    auto inLog = [&](LocalTime time, double fuel) {
        const auto day = date::floor<date::days>(time);
        for (const Record& r : existing)
            if (r.vehicle == options.vehicle && r.time && date::floor<date::days>(*r.time) == day &&
                std::fabs(r.fuel - fuel) < 0.005)
                return true;
        return false;
    };
    std::optional<LocalTime> newest;
    for (const Record& r : existing)
        if (r.vehicle == options.vehicle && r.time && (!newest || *r.time > *newest))
            newest = r.time;

    std::optional<double> previousOdometer = options.startOdometer;
    double mergedFuel = 0.0, mergedPrice = 0.0, mergedDistance = 0.0; // partial fills, trip mode
    bool warnedOlder = false;
    for (const FillUp& f : fillUps) {
        const std::optional<double> before = previousOdometer;
        if (f.odometer && *f.odometer > 0.0)
            previousOdometer = f.odometer;
        // a full fill that partial ones were added to is in the log with their fuel
        const bool merged = options.odometerMode == 0 && !f.partial && mergedFuel > 0.0;
        if (inLog(f.time, f.fuel) || (merged && inLog(f.time, f.fuel + mergedFuel))) {
            mergedFuel = mergedPrice = mergedDistance = 0.0;
            plan.notes.push_back({f.row, "already in the log (" +
                                             date::format("%F", date::floor<date::days>(f.time)) +
                                             ", " + fixed2(f.fuel) + "): left out"});
            continue;
        }
        if (f.missed && !options.keepMissed) {
            plan.notes.push_back({f.row, "follows a missed fill-up, which the card's log cannot "
                                         "express: left out (--keep-missed keeps it)"});
            continue;
        }
        if (newest && f.time < *newest && !warnedOlder) {
            warnedOlder = true;
            plan.notes.push_back({f.row, "older than the newest record of the vehicle on the card: "
                                         "appended after it all the same"});
        }
        if (options.odometerMode != 0) {
            if (f.partial) {
                // a top-up: no reading, its fuel goes into the next interval
                plan.lines +=
                    recordLine(options.vehicle, "0.0", f.fuel, "0.00", f.price, 0.0, f.time);
            } else {
                double reading = f.odometer.value_or(0.0);
                if (reading <= 0.0 && f.distance && before)
                    reading = *before + *f.distance;
                if (reading <= 0.0) {
                    plan.notes.push_back({f.row, "no odometer reading: left out"});
                    continue;
                }
                previousOdometer = reading;
                plan.lines += recordLine(options.vehicle, "0.0", f.fuel, fixed2(reading), f.price,
                                         0.0, f.time);
            }
            ++plan.records;
            continue;
        }
        // Trip distances: a record carries the distance since the previous fill-up.
        double distance = f.distance.value_or(0.0);
        if (distance <= 0.0 && f.odometer && before)
            distance = *f.odometer - *before;
        if (f.partial) {
            // trip records have no top-ups: the fill counts with the next full one
            mergedFuel += f.fuel;
            mergedPrice += f.price;
            mergedDistance += std::max(distance, 0.0);
            plan.notes.push_back({f.row, "partial fill: added to the next full fill (a log of trip "
                                         "distances has no top-ups)"});
            continue;
        }
        distance += mergedDistance;
        if (distance <= 0.0) {
            plan.notes.push_back(
                {f.row, f.odometer && !before
                            ? "no distance: its odometer starts the count; left out (give "
                              "--start-odometer to keep it)"
                            : "no distance since the previous fill-up: left out"});
            mergedFuel = mergedPrice = mergedDistance = 0.0;
            continue;
        }
        const double fuel = f.fuel + mergedFuel, price = f.price + mergedPrice;
        mergedFuel = mergedPrice = mergedDistance = 0.0;
        plan.lines +=
            recordLine(options.vehicle, fixed2(distance), fuel, "0.0", price,
                       refillConsumption(distance, fuel, options.fuelDistanceMode), f.time);
        ++plan.records;
    }
    if (mergedFuel > 0.0)
        plan.notes.push_back({fillUps.back().row, "partial fills at the end, with no full fill "
                                                  "after them: left out"});
    return plan;
}

} // namespace pwlog
