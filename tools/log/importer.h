#pragma once
// Bringing the history of another logbook app onto the card: its CSV file read into
// fill-ups, and the fill-ups turned into records as the device would have written them.
#include "tools/log/formats.h"
#include "tools/log/logbook.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pwlog {

struct FillUp {
    int row = 0; // 1-based row of the file, the header row included
    LocalTime time;
    std::optional<double> odometer;
    std::optional<double> distance; // since the previous fill-up, when the file has it
    double fuel = 0.0;
    double price = 0.0; // paid for the fill-up
    bool partial = false;
    bool missed = false; // a fill-up before this one was not logged
};

struct ForeignFile {
    std::vector<FillUp> fillUps; // in file order
    std::vector<Warning> notes;  // rows passed over (other vehicles); line = row
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
bool readForeign(std::string_view text, Format format, int vehicle, Units cardUnits,
                 ForeignFile& file, std::string& error);

struct ImportOptions {
    int vehicle = 1;
    int odometerMode = 0; // of the vehicle on the card
    int fuelDistanceMode = 0;
    bool keepMissed = false;
    std::optional<double> startOdometer; // before the first fill-up, for trip distances
};

struct ImportPlan {
    std::string lines; // whole record lines, oldest first, ready to append
    int records = 0;
    std::vector<Warning> notes; // per row: what was left out or changed, and why
};

// The records to append for the fill-ups, given the records already on the card. A
// fill-up of the same vehicle, day and fuel as a record there, or as an earlier row of
// the file, is left out and named.
ImportPlan planImport(std::vector<FillUp> fillUps, const std::vector<Record>& existing,
                      const ImportOptions& options);

// A number as people type it: "46.301", "46,301", "1.234,56", "1,234.56".
std::optional<double> parseAmount(std::string_view text);
// A date and time in the styles the apps write: ISO 8601, US month/day/year, European
// day.month.year, with or without a time of day.
std::optional<LocalTime> parseDate(std::string_view text);

} // namespace pwlog
