#include "tools/log/importer.h"

#include "base/numeric.h"

#include <csv.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <unordered_set>

namespace pwlog {

namespace {

constexpr double US_GALLON = 3.785411784;
constexpr double UK_GALLON = 4.54609;
constexpr double MILE = 1.609344;

using Row = std::vector<std::string>;
// Takes each row as it is read; false stops the reading (with the error set).
using RowHandler = std::function<bool(Row& fields, int rowNumber)>;

struct CsvReader {
    Row row;
    int rows = 0;
    const RowHandler* handler = nullptr;
    bool stopped = false;
};

// Splits RFC 4180 text into rows of fields, handing each to the handler as it ends, so
// that a big file is never held as rows; false when the quoting is broken or the handler
// said stop.
bool splitCsv(std::string_view text, const RowHandler& handler, std::string& error) {
    csv_parser parser;
    if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI | CSV_EMPTY_IS_NULL) != 0) {
        error = "out of memory";
        return false;
    }
    CsvReader reader;
    reader.handler = &handler;
    auto field = [](void* data, std::size_t size, void* out) {
        static_cast<CsvReader*>(out)->row.emplace_back(data ? static_cast<const char*>(data) : "",
                                                       data ? size : 0);
    };
    auto end = [](int, void* out) {
        CsvReader* r = static_cast<CsvReader*>(out);
        ++r->rows;
        if (!r->stopped && !(*r->handler)(r->row, r->rows))
            r->stopped = true;
        r->row.clear();
    };
    constexpr std::size_t CHUNK = 1 << 16; // the handler may stop the reading between them
    bool ok = true;
    for (std::size_t at = 0; ok && !reader.stopped && at < text.size(); at += CHUNK) {
        const std::size_t size = std::min(CHUNK, text.size() - at);
        ok = csv_parse(&parser, text.data() + at, size, field, end, &reader) == size;
    }
    ok = ok && (reader.stopped || csv_fini(&parser, field, end, &reader) == 0);
    if (!ok)
        error = "row " + std::to_string(reader.rows + 1) + ": " + csv_strerror(csv_error(&parser));
    csv_free(&parser);
    return ok && !reader.stopped;
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
    // date's parser converts the seconds it failed to read from an uninitialised number,
    // which is undefined: a colon must be followed by a digit before the text goes there
    for (std::size_t colon = text.find(':'); colon != std::string::npos;
         colon = text.find(':', colon + 1))
        if (colon + 1 == text.size() || !isDigit(text[colon + 1]))
            return std::nullopt;
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

namespace {

// Where a format keeps each value, and the factors from the file's units to the card's.
struct ColumnMap {
    int date = -1, odometer = -1, distance = -1, fuel = -1, cost = -1, perUnit = -1, full = -1,
        partial = -1, missed = -1, vehicleColumn = -1;
    std::size_t width = 0; // fields of the header
    double toCardFuel = 1.0, toCardDistance = 1.0;
};

bool findColumns(const Row& header, int headerRow, Format format, Units cardUnits,
                 ColumnMap& columns, std::string& error) {
    Columns c{&header};
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
        error = "row " + std::to_string(headerRow) + ": no " + missing + " column: is this a " +
                (format == Format::Csv          ? "csv"
                 : format == Format::LubeLogger ? "lubelogger"
                 : format == Format::Fuelly     ? "fuelly"
                                                : "fuelio") +
                " file?";
        return false;
    }
    const UnitNames card = unitNames(cardUnits);
    columns = {date,
               odometer,
               distance,
               fuel,
               cost,
               perUnit,
               full,
               partial,
               missed,
               vehicleColumn,
               header.size(),
               fuelFactor / card.litresPer,
               distanceFactor / card.kmPer};
    return true;
}

// One row of the file into a fill-up of the vehicle; false with the reason in error.
bool readRow(const Row& fields, int rowNumber, const ColumnMap& columns, int vehicle,
             ForeignFile& file, std::string& error) {
    const auto [date, odometer, distance, fuel, cost, perUnit, full, partial, missed, vehicleColumn,
                width, toCardFuel, toCardDistance] = columns;
    if (fields.size() == 1 && trim(fields[0]).empty())
        return true; // a blank line
    auto fail = [&](const std::string& why) {
        error = "row " + std::to_string(rowNumber) + ": " + why;
        return false;
    };
    auto field = [&](int column) -> std::string_view {
        return column >= 0 && static_cast<std::size_t>(column) < fields.size()
                   ? std::string_view(fields[column])
                   : std::string_view();
    };
    if (fields.size() < width &&
        static_cast<std::size_t>(std::max({date, fuel, odometer, distance, cost, perUnit})) >=
            fields.size())
        return fail("only " + std::to_string(fields.size()) + " of " + std::to_string(width) +
                    " columns");
    if (vehicleColumn >= 0) {
        const std::optional<int> v = vehicleNumber(field(vehicleColumn));
        if (!v)
            return fail("unreadable vehicle \"" + printable(field(vehicleColumn)) +
                        "\" (0, 1 or 2 are vehicles)");
        if (*v != vehicle) {
            file.notes.push_back({rowNumber, "vehicle " + std::to_string(*v) +
                                                 ": passed over (import it with --vehicle " +
                                                 std::to_string(*v) + ")"});
            return true;
        }
    }
    FillUp f;
    f.row = rowNumber;
    const std::optional<LocalTime> time = parseDate(field(date));
    if (!time)
        return fail("unreadable date \"" + printable(field(date)) +
                    "\" (or before 1970 or after 2099)");
    f.time = *time;
    auto amount = [&](int column, const char* what, std::optional<double>& out) {
        if (column < 0 || trim(field(column)).empty())
            return true;
        out = parseAmount(field(column));
        if (!out)
            return fail(std::string("unreadable ") + what + " \"" + printable(field(column)) +
                        "\"");
        if (*out < 0.0)
            return fail(std::string("negative ") + what + " " + printable(field(column)));
        return true;
    };
    std::optional<double> litres, total, unitPrice;
    if (!amount(fuel, "fuel", litres) || !amount(odometer, "odometer", f.odometer) ||
        !amount(distance, "distance", f.distance) || !amount(cost, "cost", total) ||
        !amount(perUnit, "price per unit", unitPrice))
        return false;
    if (!litres || *litres <= 0.0)
        return fail("no fuel");
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
    if (const std::string why = outOfBounds(f); !why.empty())
        return fail(why);
    file.fillUps.push_back(f);
    return true;
}

} // namespace

std::optional<int> vehicleNumber(std::string_view text) {
    const std::string_view t = trim(text);
    if (t.size() != 1 || t[0] < '0' || t[0] >= '0' + VEHICLE_COUNT)
        return std::nullopt;
    return t[0] - '0';
}

std::string outOfBounds(const FillUp& f) {
    auto number = [](double v) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", v);
        return std::string(text);
    };
    auto over = [&](const char* what, double v, double max, const char* can) {
        return std::string(what) + " " + number(v) + " is more than " + can + " (at most " +
               number(max) + ")";
    };
    // written as !(v <= max) so that a NaN is out too
    if (!(f.fuel <= MAX_FUEL))
        return over("fuel", f.fuel, MAX_FUEL, "one refill can be");
    if (f.odometer && !(*f.odometer <= MAX_ODOMETER))
        return over("odometer", *f.odometer, MAX_ODOMETER, "an odometer reads");
    if (f.distance && !(*f.distance <= MAX_DISTANCE))
        return over("distance", *f.distance, MAX_DISTANCE, "one refill goes");
    if (!(f.price <= MAX_PRICE))
        return over("price", f.price, MAX_PRICE, "one refill costs");
    return {};
}

std::string_view withoutByteOrderMark(std::string_view text) {
    constexpr std::string_view MARK = "\xef\xbb\xbf"; // what spreadsheets put before UTF-8
    return text.substr(0, MARK.size()) == MARK ? text.substr(MARK.size()) : text;
}

bool readForeign(std::string_view text, Format format, int vehicle, Units cardUnits,
                 ForeignFile& file, std::string& error) {
    text = withoutByteOrderMark(text);
    if (text.find('\0') != std::string_view::npos) {
        error = "not a text file (it holds NUL bytes)";
        return false;
    }
    // one fill-up a line at most: reserved at once, a big file is not copied as it grows
    file.fillUps.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
    // Fuelio's backup: the header and rows of the "## Log" section only.
    bool inLog = format != Format::Fuelio, ended = false;
    int headerRow = 0;
    ColumnMap columns;
    const RowHandler handle = [&](Row& fields, int rowNumber) {
        if (ended)
            return true;
        if (!inLog) {
            inLog = fields.size() >= 1 && trim(fields[0]) == "## Log";
            return true;
        }
        if (headerRow == 0) {
            headerRow = rowNumber;
            return findColumns(fields, headerRow, format, cardUnits, columns, error);
        }
        if (format == Format::Fuelio && !fields.empty() && fields[0].rfind("## ", 0) == 0) {
            ended = true;
            return true;
        }
        return readRow(fields, rowNumber, columns, vehicle, file, error);
    };
    if (!splitCsv(text, handle, error))
        return false;
    if (headerRow == 0) {
        error = format == Format::Fuelio ? "no \"## Log\" section" : "the file is empty";
        return false;
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

namespace {

// A key of the vehicle's day and fuel, in cents; empty for fuel no refill has.
std::optional<std::uint64_t> dayAndFuel(LocalTime time, double fuel) {
    if (!(fuel >= 0.0 && fuel < 1e12))
        return std::nullopt;
    const auto day = date::floor<date::days>(time).time_since_epoch().count();
    // years 1 to 9999 are within 2^22 days of 1970
    return static_cast<std::uint64_t>(std::llround(fuel * 100.0)) << 23 |
           static_cast<std::uint64_t>(day + (1 << 22));
}

// Leaves out the rows of the file with the same day and fuel as an earlier row: the
// first is kept, the others named. The keys go into one flat table of twice as many
// slots as rows (open addressing), which a million rows need 32 MB for and which is
// given back whole, where a node per row would stay in the heap.
void dropRepeatedRows(std::vector<FillUp>& fillUps, std::vector<Warning>& notes) {
    struct Slot {
        std::uint64_t key = 0; // the key plus one; 0 for a free slot
        int row = 0;
    };
    int bits = 4;
    while ((std::size_t{1} << bits) < fillUps.size() * 2)
        ++bits;
    const std::size_t size = std::size_t{1} << bits;
    std::vector<Slot> table(size);
    std::size_t kept = 0;
    for (FillUp& f : fillUps) {
        if (const std::optional<std::uint64_t> key = dayAndFuel(f.time, f.fuel)) {
            // Fibonacci hashing: the top bits of the product mix the day and the fuel
            std::size_t at = static_cast<std::size_t>(*key * 0x9e3779b97f4a7c15ULL >> (64 - bits));
            while (table[at].key != 0 && table[at].key != *key + 1)
                at = (at + 1) & (size - 1);
            if (table[at].key != 0) {
                notes.push_back({f.row, "the same day and fuel as row " +
                                            std::to_string(table[at].row) + ": left out"});
                continue;
            }
            table[at] = {*key + 1, f.row};
        }
        fillUps[kept++] = f;
    }
    fillUps.resize(kept);
}

} // namespace

ImportPlan planImport(std::vector<FillUp> fillUps, const std::vector<Record>& existing,
                      const ImportOptions& options) {
    ImportPlan plan;
    dropRepeatedRows(fillUps, plan.notes);
    // in time order, rows of the same time in file order, sorted in place: a big file's
    // fill-ups are not copied
    std::sort(fillUps.begin(), fillUps.end(), [](const FillUp& a, const FillUp& b) {
        return a.time < b.time || (a.time == b.time && a.row < b.row);
    });
    plan.lines.reserve(fillUps.size() * 64); // a record line is about 60 bytes
    // the same vehicle, day and fuel as a record already there
    std::unordered_set<std::uint64_t> logged;
    for (const Record& r : existing)
        if (r.vehicle == options.vehicle && r.time)
            if (const std::optional<std::uint64_t> key = dayAndFuel(*r.time, r.fuel))
                logged.insert(*key);
    auto inLog = [&](LocalTime time, double fuel) {
        const std::optional<std::uint64_t> key = dayAndFuel(time, fuel);
        return key && logged.count(*key) > 0;
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
