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

// The records to append for the fill-ups, given the records already on the card.
ImportPlan planImport(std::vector<FillUp> fillUps, const std::vector<Record>& existing,
                      const ImportOptions& options);

// A number as people type it: "46.301", "46,301", "1.234,56", "1,234.56".
std::optional<double> parseAmount(std::string_view text);
// A date and time in the styles the apps write: ISO 8601, US month/day/year, European
// day.month.year, with or without a time of day.
std::optional<LocalTime> parseDate(std::string_view text);

} // namespace pwlog
