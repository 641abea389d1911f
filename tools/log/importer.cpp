#include "tools/log/importer.h"
#include "tools/log/series.h"

#include "base/numeric.h"

#include <csv.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iterator>
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
    // libcsv grows a field's buffer by a fixed step, 128 bytes unless told: a realloc that
    // moves the block each time would copy a hostile megabyte-long field some ten
    // thousand times.
    constexpr std::size_t CHUNK = 1 << 16;
    csv_set_blk_size(&parser, CHUNK);
    // a server whose culture writes comma decimals separates the fields with semicolons
    const std::string_view first = text.substr(0, text.find('\n'));
    if (std::count(first.begin(), first.end(), ';') > std::count(first.begin(), first.end(), ','))
        csv_set_delim(&parser, ';');
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
    bool ok = true; // the handler may stop the reading between chunks
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
    const std::size_t close = name.find(')', open); // none after no opening one
    if (close == std::string_view::npos)
        return {};
    return lower(trim(name.substr(open + 1, close - open - 1)));
}

// The first column of the header with one of the names (nullptr after the last); -1 for none.
int columnNamed(const Row& header, const char* const* names) {
    for (; *names; ++names)
        for (std::size_t i = 0; i < header.size(); ++i)
            if (bareName(header[i]) == *names)
                return static_cast<int>(i);
    return -1;
}

bool truthy(std::string_view text) {
    const std::string t = lower(trim(text));
    return t == "1" || t == "true" || t == "yes" || t == "y";
}

double round2(double v) {
    return std::round(v * 100.0) / 100.0;
}

// The order of a file's slashed dates, settled by a day above 12 somewhere. The dates
// are seen one by one as the file is read.
struct DateOrderVote {
    int dayFirst = 0, monthFirst = 0, yearFirst = 0, either = 0; // rows; 0 for none
    std::string eitherText;

    void see(std::string_view text, int row) {
        unsigned a = 0, b = 0;
        char slash = 0;
        if (std::sscanf(std::string(trim(text)).c_str(), "%u/%u%c", &a, &b, &slash) != 3 ||
            slash != '/')
            return;
        int& seen = a > 31 ? yearFirst : a > 12 ? dayFirst : b > 12 ? monthFirst : either;
        if (seen || (&seen == &either && a == b))
            return;
        seen = row;
        if (&seen == &either)
            eitherText = trim(text);
    }

    // The order the dates settle; false naming the first date that could be read either
    // way, or two rows of different orders.
    bool settle(DateOrder& order, std::string& error) const {
        if (dayFirst && monthFirst) {
            error = "row " + std::to_string(dayFirst) + " has its day first, row " +
                    std::to_string(monthFirst) + " its month first: dates in two orders";
            return false;
        }
        if (yearFirst || dayFirst || monthFirst) {
            order = yearFirst ? DateOrder::Ymd : dayFirst ? DateOrder::Dmy : DateOrder::Mdy;
            return true;
        }
        if (either) {
            error = "row " + std::to_string(either) + ": the date \"" + printable(eitherText) +
                    "\" could have its day or its month first, and no date of the file says "
                    "which: give --date-order dmy or --date-order mdy";
            return false;
        }
        return true;
    }
};

// The cars of a Fuelly file, seen row by row.
struct CarChoice {
    std::vector<std::string> cars;

    void see(std::string_view name) {
        if (std::find(cars.begin(), cars.end(), trim(name)) == cars.end())
            cars.emplace_back(trim(name));
    }

    // The car to import: the one chosen, or the only one; false with a message when the
    // file holds several and none was chosen, or not the one chosen.
    bool choose(std::string& car, std::string& error) const {
        std::string names;
        for (const std::string& name : cars)
            names += (names.empty() ? "\"" : ", \"") + printable(name) + "\"";
        if (!car.empty() && std::find(cars.begin(), cars.end(), car) == cars.end()) {
            error = "no car \"" + printable(car) + "\" in the file; it holds " + names;
            return false;
        }
        if (car.empty() && cars.size() > 1) {
            error = "the file holds several cars (" + names + "): choose one with --car NAME";
            return false;
        }
        if (car.empty() && !cars.empty())
            car = cars.front();
        return true;
    }
};

// How much a figure written with the decimals of text may be off by its rounding.
double roundingOf(std::string_view text) {
    text = trim(text);
    const std::size_t separator = text.find_first_of(".,");
    const std::size_t decimals =
        separator == std::string_view::npos ? 0 : text.size() - separator - 1;
    return 0.5 * std::pow(10.0, -static_cast<double>(decimals)) + 1e-9;
}

// The names of units converted on import, for the message that says so.
std::string conversionNote(double distanceFactor, double fuelFactor, const UnitNames& card,
                           const std::string& fileDistance, const std::string& fileFuel) {
    std::string out;
    if (std::fabs(distanceFactor / card.kmPer - 1.0) > 1e-12)
        out += fileDistance + " to " + card.distance + " (x " +
               formatted("%.10g", distanceFactor / card.kmPer) + ")";
    if (std::fabs(fuelFactor / card.litresPer - 1.0) > 1e-12)
        out += (out.empty() ? "" : ", ") + fileFuel + " to " + card.fuel + " (x " +
               formatted("%.10g", fuelFactor / card.litresPer) + ")";
    return out.empty() ? out : "converted " + out;
}

// Fuelly's fuelup_date has no time of day in its newer exports; its date_added has one,
// which is the fill-up's when both are the same day.
LocalTime withTimeOfDay(LocalTime day, std::string_view added, DateOrder order) {
    const std::optional<LocalTime> time =
        trim(added).empty() ? std::nullopt : parseDate(added, order);
    return time && day == date::floor<date::days>(day) &&
                   date::floor<date::days>(*time) == date::floor<date::days>(day)
               ? *time
               : day;
}

// Fuelly and Fuelio write the newest fill-up first: fill-ups of one day (Fuelly keeps no
// time of day) keep their order when the whole file is turned round first.
void putOldestFirst(std::vector<FillUp>& fillUps) {
    if (fillUps.size() > 1 && fillUps.front().time > fillUps.back().time)
        std::reverse(fillUps.begin(), fillUps.end());
    // a file in order, as the apps write theirs, is left as it is: the sort would take a
    // buffer of half the fill-ups
    auto older = [](const FillUp& a, const FillUp& b) { return a.time < b.time; };
    if (!std::is_sorted(fillUps.begin(), fillUps.end(), older))
        std::stable_sort(fillUps.begin(), fillUps.end(), older);
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

std::optional<LocalTime> parseDate(std::string_view raw, DateOrder order) {
    static const char* const FORMATS[] = {
        "%Y-%m-%dT%H:%M:%S", "%Y-%m-%d %H:%M:%S", "%Y-%m-%dT%H:%M", "%Y-%m-%d %H:%M",
        "%Y-%m-%d",          "%d.%m.%Y %H:%M:%S", "%d.%m.%Y %H:%M", "%d.%m.%Y",
    };
    // the slashed styles in the file's order
    static const char* const SLASHED[][3] = {
        {"%d/%m/%Y %H:%M:%S", "%d/%m/%Y %H:%M", "%d/%m/%Y"},
        {"%m/%d/%Y %H:%M:%S", "%m/%d/%Y %H:%M", "%m/%d/%Y"},
        {"%Y/%m/%d %H:%M:%S", "%Y/%m/%d %H:%M", "%Y/%m/%d"},
    };
    std::vector<const char*> formats(std::begin(FORMATS), std::end(FORMATS));
    const int slashed = order == DateOrder::Dmy ? 0 : order == DateOrder::Ymd ? 2 : 1;
    formats.insert(formats.end(), std::begin(SLASHED[slashed]), std::end(SLASHED[slashed]));
    std::string text(trim(raw));
    // date's parser converts the seconds it failed to read from an uninitialised number,
    // which is undefined: a colon must be followed by a digit before the text goes there
    for (std::size_t colon = text.find(':'); colon != std::string::npos;
         colon = text.find(':', colon + 1))
        if (colon + 1 == text.size() || !isDigit(text[colon + 1]))
            return std::nullopt;
    // A 12-hour clock (en-US: "6:30 PM"); date's parser drops the half of the day.
    const std::string half = lower(text.size() > 3 ? text.substr(text.size() - 3) : "");
    const bool twelveHour = half == " am" || half == " pm";
    if (twelveHour)
        text.resize(text.size() - 3);
    for (const char* format : formats) {
        std::istringstream in(text);
        LocalTime time;
        in >> date::parse(format, time);
        if (in.fail() || in.peek() != std::char_traits<char>::eof())
            continue;
        if (twelveHour) {
            const auto clock = time - date::floor<date::days>(time);
            if (clock < std::chrono::hours(1) || clock >= std::chrono::hours(13))
                return std::nullopt; // a 12-hour clock runs from 1 to 12:59
            if (clock >= std::chrono::hours(12))
                time -= std::chrono::hours(12);
            if (half == " pm")
                time += std::chrono::hours(12);
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
constexpr int NO_COLUMN = -1; // every column is at 0 or beyond

// Whether the row is long enough to hold the column; NO_COLUMN casts beyond any row.
bool hasField(const Row& fields, int column) {
    return static_cast<std::size_t>(column) < fields.size();
}
struct ColumnMap {
    int date = NO_COLUMN, odometer = NO_COLUMN, distance = NO_COLUMN, fuel = NO_COLUMN,
        cost = NO_COLUMN, perUnit = NO_COLUMN, full = NO_COLUMN, partial = NO_COLUMN,
        missed = NO_COLUMN, vehicleColumn = NO_COLUMN, carColumn = NO_COLUMN, economy = NO_COLUMN,
        added = NO_COLUMN;
    std::size_t width = 0; // fields of the header
    double toCardFuel = 1.0, toCardDistance = 1.0;
};

// The columns of the header row, and what the file says of its units and economy.
// The header names of each value in the files of each format, as bareName gives them;
// the first name a header has is the column.
struct ColumnNames {
    Format format;
    int ColumnMap::*column;
    const char* names[6]; // the rest nullptr
};
const ColumnNames COLUMN_NAMES[] = {
    {Format::Csv, &ColumnMap::date, {"date"}},
    {Format::Csv, &ColumnMap::vehicleColumn, {"vehicle"}},
    {Format::Csv, &ColumnMap::distance, {"distance"}},
    {Format::Csv, &ColumnMap::odometer, {"odometer"}},
    {Format::Csv, &ColumnMap::fuel, {"fuel"}},
    {Format::Csv, &ColumnMap::cost, {"price"}},
    {Format::Csv, &ColumnMap::full, {"full"}},
    {Format::Csv, &ColumnMap::missed, {"missed"}},
    {Format::LubeLogger, &ColumnMap::date, {"date", "fuelup_date"}},
    {Format::LubeLogger, &ColumnMap::odometer, {"odometer"}},
    {Format::LubeLogger,
     &ColumnMap::fuel,
     {"fuelconsumed", "gallons", "liters", "litres", "consumption"}},
    {Format::LubeLogger, &ColumnMap::cost, {"cost", "total cost", "totalcost", "total price"}},
    {Format::LubeLogger, &ColumnMap::perUnit, {"price"}},
    {Format::LubeLogger, &ColumnMap::full, {"isfilltofull", "filled up"}},
    {Format::LubeLogger, &ColumnMap::partial, {"partialfuelup", "partial_fuelup"}},
    {Format::LubeLogger, &ColumnMap::missed, {"missedfuelup"}},
    {Format::Fuelly, &ColumnMap::date, {"fuelup_date"}},
    {Format::Fuelly, &ColumnMap::carColumn, {"car_name"}},
    {Format::Fuelly, &ColumnMap::added, {"date_added"}},
    {Format::Fuelly, &ColumnMap::economy, {"km/l", "l/100km", "mpg"}},
    {Format::Fuelly, &ColumnMap::odometer, {"odometer"}},
    {Format::Fuelly, &ColumnMap::distance, {"km", "miles"}},
    {Format::Fuelly, &ColumnMap::fuel, {"litres", "liters", "gallons"}},
    {Format::Fuelly, &ColumnMap::perUnit, {"price"}},
    {Format::Fuelly, &ColumnMap::partial, {"partial_fuelup"}},
    {Format::Fuelly, &ColumnMap::missed, {"missed_fuelup"}},
    {Format::Fuelio, &ColumnMap::date, {"data"}},
    {Format::Fuelio, &ColumnMap::economy, {"l/100km", "km/l", "mpg"}},
    {Format::Fuelio, &ColumnMap::odometer, {"odo"}},
    {Format::Fuelio, &ColumnMap::fuel, {"fuel"}},
    {Format::Fuelio, &ColumnMap::cost, {"price"}},
    {Format::Fuelio, &ColumnMap::perUnit, {"volumeprice"}},
    {Format::Fuelio, &ColumnMap::full, {"full"}},
    {Format::Fuelio, &ColumnMap::missed, {"missed"}},
};

// The columns of the header row, and what the file says of its units and economy.
bool findColumns(const Row& header, int headerRow, Format format, Units cardUnits,
                 ColumnMap& columns, ForeignFile& file, std::string& error) {
    ColumnMap m;
    for (const ColumnNames& entry : COLUMN_NAMES)
        if (entry.format == format)
            m.*entry.column = columnNamed(header, entry.names);
    // Fuelly's and our own intervals come from the distance entered, not the odometer
    file.distanceColumn = format == Format::Csv || format == Format::Fuelly;
    double fuelFactor = 1.0, distanceFactor = 1.0; // file units to litres and km
    if (format == Format::Fuelly) {
        if (m.fuel >= 0 && bareName(header[m.fuel]) == "gallons")
            fuelFactor = US_GALLON;
        if (m.distance >= 0 && bareName(header[m.distance]) == "miles")
            distanceFactor = MILE;
    }
    if (format == Format::Fuelio) {
        if (m.odometer >= 0 && unitOf(header[m.odometer]) == "mi")
            distanceFactor = MILE;
        if (m.fuel >= 0) {
            const std::string unit = unitOf(header[m.fuel]);
            if (unit.find("uk") != std::string::npos || unit.find("imp") != std::string::npos)
                fuelFactor = UK_GALLON;
            else if (unit.find("gal") != std::string::npos)
                fuelFactor = US_GALLON;
        }
    }
    std::string missing;
    if (m.date < 0)
        missing = "date";
    else if (m.fuel < 0)
        missing = "fuel";
    else if (m.odometer < 0 && m.distance < 0)
        missing = "odometer or distance";
    else if (m.cost < 0 && m.perUnit < 0)
        missing = "price";
    if (!missing.empty()) {
        error = "row " + std::to_string(headerRow) + ": no " + missing + " column: is this a " +
                nameOf(FORMAT_NAMES, format) + " file?";
        return false;
    }
    const UnitNames card = unitNames(cardUnits);
    m.width = header.size();
    m.toCardFuel = fuelFactor / card.litresPer;
    m.toCardDistance = distanceFactor / card.kmPer;
    columns = m;
    file.fileDistancePerCard = 1.0 / columns.toCardDistance;
    file.fileFuelPerCard = 1.0 / columns.toCardFuel;
    file.conversion =
        conversionNote(distanceFactor, fuelFactor, card, distanceFactor == 1.0 ? "km" : "miles",
                       fuelFactor == 1.0         ? "litres"
                       : fuelFactor == UK_GALLON ? "imperial gallons"
                                                 : "US gallons");
    if (m.economy >= 0)
        file.economyUnit = bareName(header[m.economy]);
    return true;
}

// Which rows are read, and how their dates are.
struct RowChoice {
    int vehicle = 0;
    std::string car; // of a file that names its cars
    DateOrder dateOrder = DateOrder::Unknown;
};

// One row of the file into a fill-up of the vehicle; false with the reason in error.
bool readRow(const Row& fields, int rowNumber, const ColumnMap& columns, const RowChoice& choice,
             ForeignFile& file, std::string& error) {
    const auto [date, odometer, distance, fuel, cost, perUnit, full, partial, missed, vehicleColumn,
                carColumn, economy, added, width, toCardFuel, toCardDistance] = columns;
    auto fail = [&](const std::string& why) {
        error = "row " + std::to_string(rowNumber) + ": " + why;
        return false;
    };
    auto field = [&](int column) -> std::string_view {
        return hasField(fields, column) ? std::string_view(fields[column]) : std::string_view();
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
        if (*v != choice.vehicle) {
            file.notes.push_back({rowNumber, "vehicle " + std::to_string(*v) +
                                                 ": passed over (import it with --vehicle " +
                                                 std::to_string(*v) + ")"});
            return true;
        }
    }
    if (carColumn >= 0 && trim(field(carColumn)) != choice.car)
        return true;
    FillUp f;
    f.row = rowNumber;
    const std::optional<LocalTime> time = parseDate(field(date), choice.dateOrder);
    if (!time)
        return fail("unreadable date \"" + printable(field(date)) +
                    "\" (or before 1970 or after 2099)");
    f.time = withTimeOfDay(*time, field(added), choice.dateOrder);
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
    // the card keeps hundredths: fuel that is 0.00 there is none
    f.fuel = litres ? round2(*litres * toCardFuel) : 0.0;
    if (f.fuel <= 0.0)
        return fail("no fuel");
    // a reading of 0 is none, as on the card: the next interval runs from the one before
    if (f.odometer == 0.0)
        f.odometer.reset();
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
    if (economy >= 0 && !trim(field(economy)).empty()) {
        f.economy = parseAmount(field(economy)).value_or(0.0);
        f.economyRounding = roundingOf(field(economy));
    }
    if (const std::string why = outOfBounds(f); !why.empty())
        return fail(why);
    file.fillUps.push_back(f);
    return true;
}

bool blankRow(const Row& fields) {
    return fields.size() == 1 && trim(fields.front()).empty();
}

// Hands the header and then every row of fill-ups to the callers, one by one: Fuelio's
// backup holds them in its "## Log" section, other files from the first row on.
bool forEachRow(std::string_view text, Format format, const RowHandler& header,
                const RowHandler& row, std::string& error) {
    bool inLog = format != Format::Fuelio, headerSeen = false, ended = false;
    const RowHandler handle = [&](Row& fields, int rowNumber) {
        if (ended)
            return true;
        if (!inLog) {
            inLog = fields.size() >= 1 && trim(fields[0]) == "## Log";
            return true;
        }
        if (!headerSeen) {
            headerSeen = true;
            return header(fields, rowNumber);
        }
        if (format == Format::Fuelio && !fields.empty() && fields[0].rfind("## ", 0) == 0) {
            ended = true;
            return true;
        }
        return blankRow(fields) || row(fields, rowNumber);
    };
    if (!splitCsv(text, handle, error))
        return false;
    if (!headerSeen) {
        error = format == Format::Fuelio ? "no \"## Log\" section" : "the file is empty";
        return false;
    }
    return true;
}

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
// first is kept, the others named. The places of the fill-ups are sorted by key and place,
// so that each run of one key starts at its first row. The keys are worked out as they are
// compared, not held: the file's text and fill-ups are in memory still, and a place is
// only 4 bytes (4 billion fill-ups could not be held anyway).
void dropRepeatedRows(std::vector<FillUp>& fillUps, std::vector<Warning>& notes) {
    auto key = [&](std::uint32_t i) { return dayAndFuel(fillUps[i].time, fillUps[i].fuel); };
    std::vector<std::uint32_t> places;
    for (std::uint32_t i = 0; i < fillUps.size(); ++i)
        if (key(i))
            places.push_back(i);
    std::sort(places.begin(), places.end(), [&](std::uint32_t a, std::uint32_t b) {
        return std::pair(*key(a), a) < std::pair(*key(b), b);
    });
    std::vector<std::pair<std::size_t, int>> repeats; // a repeat's place, the row it repeats
    for (auto run = places.begin(); run != places.end();) {
        const std::uint64_t first = *key(*run);
        const auto next =
            std::find_if(run, places.end(), [&](std::uint32_t i) { return *key(i) != first; });
        for (auto repeat = std::next(run); repeat != next; ++repeat)
            repeats.emplace_back(*repeat, fillUps[*run].row);
        run = next;
    }
    std::vector<std::uint32_t>().swap(places);
    std::sort(repeats.begin(), repeats.end());
    std::size_t kept = 0;
    auto repeat = repeats.begin();
    for (std::size_t i = 0; i < fillUps.size(); ++i) {
        if (repeat != repeats.end() && repeat->first == i) {
            notes.push_back({fillUps[i].row, "the same day and fuel as row " +
                                                 std::to_string(repeat->second) + ": left out"});
            ++repeat;
            continue;
        }
        fillUps[kept++] = fillUps[i];
    }
    fillUps.resize(kept);
}

} // namespace

std::optional<int> vehicleNumber(std::string_view text) {
    const std::string_view t = trim(text);
    if (t.size() != 1 || t[0] < '0' || t[0] >= '0' + VEHICLE_COUNT)
        return std::nullopt;
    return t[0] - '0';
}

std::string outOfBounds(const FillUp& f) {
    auto number = [](double v) { return formatted("%g", v); };
    auto over = [&](const char* what, double v, double max, const char* can) {
        return std::string(what) + " " + number(v) + " is more than " + can + " (at most " +
               number(max) + ")";
    };
    // written as !(v <= max) so that a NaN is out too
    if (!(f.fuel <= MAX_FUEL))
        return over("fuel", f.fuel, MAX_FUEL, "one refill can be");
    if (!(f.odometer.value_or(0.0) <= MAX_ODOMETER))
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

bool readForeign(std::string_view text, Format format, const ForeignOptions& options,
                 ForeignFile& file, std::string& error) {
    text = withoutByteOrderMark(text);
    if (text.find('\0') != std::string_view::npos) {
        error = "not a text file (it holds NUL bytes)";
        return false;
    }
    // The file is read twice, a row at a time, and never held as rows: first for what only
    // the whole file tells (the order of its dates, the cars it holds), then the fill-ups.
    ColumnMap columns;
    DateOrderVote dates;
    CarChoice cars;
    const RowHandler header = [&](Row& fields, int rowNumber) {
        return findColumns(fields, rowNumber, format, options.cardUnits, columns, file, error);
    };
    const RowHandler survey = [&](Row& fields, int rowNumber) {
        if (hasField(fields, columns.date))
            dates.see(fields[columns.date], rowNumber);
        if (hasField(fields, columns.carColumn))
            cars.see(fields[columns.carColumn]);
        return true;
    };
    if (!forEachRow(text, format, header, survey, error))
        return false;
    RowChoice choice{options.vehicle, options.car, options.dateOrder};
    // Fuelly's older exports write MM/DD/YYYY: the format itself settles the order
    if (choice.dateOrder == DateOrder::Unknown && format == Format::Fuelly)
        choice.dateOrder = DateOrder::Mdy;
    if (choice.dateOrder == DateOrder::Unknown && !dates.settle(choice.dateOrder, error))
        return false;
    if (columns.carColumn >= 0 && !cars.choose(choice.car, error))
        return false;

    // one fill-up a line at most: reserved at once, a big file is not copied as it grows
    file.fillUps.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
    const RowHandler headerAgain = [](Row&, int) { return true; };
    const RowHandler fillUp = [&](Row& fields, int rowNumber) {
        return readRow(fields, rowNumber, columns, choice, file, error);
    };
    if (!forEachRow(text, format, headerAgain, fillUp, error))
        return false;
    dropRepeatedRows(file.fillUps, file.notes);
    putOldestFirst(file.fillUps);
    return true;
}

namespace {

std::string recordLine(int vehicle, const std::string& distance, double fuel,
                       const std::string& odometer, double price, double consumptionValue,
                       LocalTime time) {
    return std::to_string(vehicle) + "\t" + distance + "\t" + withDecimals(fuel, 2) + "\t" +
           odometer + "\t" + withDecimals(price, 2) + "\t" + withDecimals(consumptionValue, 2) +
           "\t" + formatCtime(time) + "\n";
}

} // namespace

std::vector<Warning> economyMismatches(const ForeignFile& file) {
    std::vector<Warning> out;
    const bool per100 = file.economyUnit.find("/100") != std::string::npos;
    for (const AppFill& a : appSeries(file.fillUps, file.distanceColumn, std::nullopt)) {
        const FillUp& f = file.fillUps[a.index];
        if (a.role != Role::Closes || f.economy == 0.0)
            continue;
        const double distance = a.distance * file.fileDistancePerCard;
        const double fuel = a.fuel * file.fileFuelPerCard;
        const double value = per100 ? fuel / distance * 100.0 : distance / fuel;
        if (std::fabs(value - f.economy) > f.economyRounding) {
            out.push_back(
                {f.row, formatted("the file's economy %g %s differs from its "
                                  "interval's %.2f (%.2f over %.2f): imported as the "
                                  "interval",
                                  f.economy, file.economyUnit.c_str(), value, fuel, distance)});
        }
    }
    return out;
}

ImportPlan planImport(const ForeignFile& file, const std::vector<Record>& existing,
                      const ImportOptions& options,
                      const std::function<void(const std::string&)>& line) {
    ImportPlan plan;
    const std::vector<FillUp>& fillUps = file.fillUps;
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
        if (r.vehicle == options.vehicle && r.time)
            newest = newest ? std::max(*newest, *r.time) : *r.time;

    const std::vector<AppFill> series =
        appSeries(fillUps, file.distanceColumn, options.startOdometer);
    std::vector<bool> skip(fillUps.size(), false);
    bool warnedOlder = false;
    for (const AppFill& a : series) {
        const FillUp& f = fillUps[a.index];
        // a full fill may be in the log with the partial fills added to it
        if (inLog(f.time, f.fuel) || (a.role == Role::Closes && inLog(f.time, a.fuel))) {
            skip[a.index] = true;
            plan.notes.push_back({f.row, "already in the log (" +
                                             date::format("%F", date::floor<date::days>(f.time)) +
                                             ", " + withDecimals(f.fuel, 2) + "): left out"});
        } else if (newest && f.time < *newest && !warnedOlder) {
            warnedOlder = true;
            plan.notes.push_back({f.row, "older than the newest record of the vehicle on the card: "
                                         "appended after it all the same"});
        }
    }
    std::vector<Warning> wholeNumbers; // noted after the series' own notes of the same row
    const auto notes =
        cardSeries(series, fillUps, skip, options.odometerMode != 0,
                   lastReading(existing, options.vehicle), [&](const CardLine& card) {
                       const FillUp& f = fillUps[card.index];
                       if (card.distance != 0.0 && card.distance != std::trunc(card.distance))
                           wholeNumbers.push_back({f.row, "the device reads the trip distance " +
                                                              withDecimals(card.distance, 2) +
                                                              " as a whole number"});
                       line(recordLine(
                           options.vehicle,
                           card.distance != 0.0 ? withDecimals(card.distance, 2) : "0.0", card.fuel,
                           card.odometer != 0.0   ? withDecimals(card.odometer, 2)
                           : card.distance != 0.0 ? "0.0"
                                                  : "0.00",
                           card.price,
                           card.distance != 0.0 ? refillConsumption(card.distance, card.fuel,
                                                                    options.fuelDistanceMode)
                                                : 0.0,
                           f.time));
                       ++plan.records;
                   });
    for (const auto& [index, text] : notes)
        plan.notes.push_back({fillUps[index].row, text});
    plan.notes.insert(plan.notes.end(), wholeNumbers.begin(), wholeNumbers.end());
    std::stable_sort(plan.notes.begin(), plan.notes.end(),
                     [](const Warning& a, const Warning& b) { return a.line < b.line; });
    return plan;
}

} // namespace pwlog
