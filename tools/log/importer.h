#pragma once
// Bringing the history of another logbook app onto the card: its CSV file read into
// fill-ups, and the fill-ups turned into records as the device would have written them.
#include "tools/log/formats.h"
#include "tools/log/logbook.h"
#include "tools/log/series.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pwlog {

// How the slashed dates of a file are ordered: day, month, year first.
enum class DateOrder { Unknown, Dmy, Mdy, Ymd };
inline constexpr NameTable<DateOrder, 3> DATE_ORDER_NAMES = {
    {"dmy", DateOrder::Dmy}, {"mdy", DateOrder::Mdy}, {"ymd", DateOrder::Ymd}};

struct ForeignOptions {
    int vehicle = 1;
    Units cardUnits = Units::Metric;
    std::string car;                          // Fuelly's car_name to import
    DateOrder dateOrder = DateOrder::Unknown; // decided from the file when unknown
};

struct ForeignFile {
    std::vector<FillUp> fillUps; // oldest first
    std::vector<Warning> notes;  // rows passed over (other vehicles); line = row
    std::string conversion;      // the units converted to the card's, and by what factor
    bool distanceColumn = false; // the apps' intervals come from the distance entered
    // The economy column's unit ("l/100km", "km/l", "mpg") and the file's units per card
    // unit, to check the app's own figures against.
    std::string economyUnit;
    double fileDistancePerCard = 1.0, fileFuelPerCard = 1.0;
};

// What one refill can be, in the card's units; a file or an option with more is refused
// whole. The device shows these numbers as they are, and a bigger one is a typing error.
constexpr double MAX_FUEL = 10000.0;        // fuel of one refill
constexpr double MAX_DISTANCE = 100000.0;   // distance since the previous refill
constexpr double MAX_ODOMETER = 10000000.0; // an odometer reading
constexpr double MAX_PRICE = 10000000.0;    // money paid for one refill
// Why a fill-up's numbers are more than a refill can be; empty when they are not.
std::string outOfBounds(const FillUp& f);

// A vehicle column's value: 0, 1 or 2 written as a whole number, nothing else.
std::optional<int> vehicleNumber(std::string_view text);
// The text without the UTF-8 byte-order mark a spreadsheet writes before it.
std::string_view withoutByteOrderMark(std::string_view text);

// Reads a file of the format, converting its units to the card's. False with the row
// and the reason in error when any row cannot be read: then nothing is to be imported.
bool readForeign(std::string_view text, Format format, const ForeignOptions& options,
                 ForeignFile& file, std::string& error);

// The fill-ups whose economy in the file differs from the interval the app computes
// from the same file, beyond the rounding of the figure: one note per row.
std::vector<Warning> economyMismatches(const ForeignFile& file);

struct ImportOptions {
    int vehicle = 1;
    int odometerMode = 0; // of the vehicle on the card
    int fuelDistanceMode = 0;
    std::optional<double> startOdometer; // before the first fill-up
};

struct ImportPlan {
    int records = 0;
    std::vector<Warning> notes; // per row: what was left out or changed, and why
};

// The records to append for the fill-ups of a file (oldest first), given the records
// already on the card: every interval the app computes from the file is an interval on
// the card, with the same distance and fuel, and none spans a missed fill-up. A fill-up
// of the same vehicle, day and fuel as a record there is left out and named (the file's
// own repeats were left out as it was read). Each record is handed to line as it is made,
// a whole line, oldest first, ready to append: a big file's text is never held whole.
ImportPlan planImport(const ForeignFile& file, const std::vector<Record>& existing,
                      const ImportOptions& options,
                      const std::function<void(const std::string&)>& line);

// A number as people type it: "46.301", "46,301", "1.234,56", "1,234.56".
std::optional<double> parseAmount(std::string_view text);
// A date and time in the styles the apps write: ISO 8601, slashed in the order given
// (month first when unknown), European day.month.year, with or without a time of day.
std::optional<LocalTime> parseDate(std::string_view text, DateOrder order = DateOrder::Mdy);

} // namespace pwlog
