#pragma once
// The refills of consumption.txt read as the device's statistics read them: records
// split from the text, the odometer chain turned into intervals, and the figures a
// person asks for. Pure functions: the callers read and write the files.
#include "records/refill.h"

#include <date/date.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pwlog {

using LocalTime = date::local_seconds; // the card's ctime texts carry no zone

constexpr int VEHICLE_COUNT = 3;
// "motorcycle", "car 1", "car 2"
const char* vehicleName(int vehicle);

struct Warning {
    int line; // 1-based line of consumption.txt
    std::string text;
};

// One record line as stored. Unreadable, non-finite and negative numbers read as 0, as
// the device reads them, and mark the record bad.
struct Record {
    int line = 0;
    int vehicle = 0;
    double distance = 0.0; // a whole number, as the device reads it back
    double fuel = 0.0;
    double odometer = 0.0;
    double price = 0.0; // paid for this refill
    std::optional<LocalTime> time;
    bool bad = false;
};

struct LogRecords {
    std::vector<Record> records;
    std::vector<Warning> warnings;
};

// Splits the text of consumption.txt. Lines not beginning with a digit are comments; an
// empty line ends the reading, as it ends the device's.
LogRecords splitLog(std::string_view text);

// Where new records go in the text of consumption.txt so that the device reads them:
// after the last line before the first empty one.
struct AppendPoint {
    std::size_t keep = 0; // bytes of the old text kept; npos when records follow an empty line
    bool newline = false; // the kept text ends in a line cut short: a line end goes first
    int emptyLine = 0;    // 1-based line of the first empty line, 0 when there is none
};
AppendPoint appendPoint(std::string_view text);

// A field of a file as a message quotes it: control characters written as \xNN and
// anything beyond limit bytes cut, with "..." saying so.
std::string printable(std::string_view text, std::size_t limit = 60);

// Parses the ctime text of a record ("Sun Dec  6 22:41:59 2026"); years 1 to 9999.
std::optional<LocalTime> parseCtime(std::string_view text);
// The ctime text of a time, without the newline.
std::string formatCtime(LocalTime time);

// A time split into its calendar fields, for writing it in the styles files use.
struct Civil {
    int year;
    unsigned month, day, weekday; // weekday 0 Sunday
    int hour, minute, second;
};
Civil civil(LocalTime time);

// What a refill is in its vehicle's odometer chain (records/refill.h: stepChain), the
// device's statistics' reading of it.
enum class Kind {
    Trip,     // carries its own distance; the odometer chain restarts after it
    Interval, // an odometer reading after an earlier one of its series: distance by
              // difference from that reading, carried fuel and money included
    Start,    // the first reading of a series: only sets the starting point. Either the
              // first reading (at the start or after a trip) or a reading below the
              // series that the next reading showed to be a replaced odometer's first
    TopUp,    // no distance of its own (no reading, or the same one again): its fuel and
              // money are carried into the next interval
    Slip,     // a reading below the last one of its series taken as a slip of the
              // keypad: its odometer is ignored, its fuel and money carried like a
              // top-up's (and dropped like one when a new odometer's Start follows). The
              // next reading was back at or above the series, or below this one (one
              // more slip), or no later reading of the series came to say otherwise
    LeftOut,  // the device gets no figure from it; a warning says why
};

struct Refill {
    Record record;
    Kind kind = Kind::LeftOut;
    // The interval this refill closes (Trip and Interval), carried top-ups included.
    double distance = 0.0;
    double fuel = 0.0;
    double money = 0.0;
    // Closes an interval; its fuel is above 0 then (a refill of no fuel, or of fuel that
    // does not read as a number, is left out as the log is read).
    bool complete() const { return kind == Kind::Trip || kind == Kind::Interval; }
};

struct VehicleLog {
    std::vector<Refill> refills; // every record of the vehicle, in file order
    std::vector<Warning> warnings;
};

// The records of one vehicle in file order, with the meaning the device gives them. A
// reading below its series closes no interval and is warned about: a Slip when the next
// reading goes on from the series, the Start of a new series (the fuel carried up to it
// dropped) when the next reading is below the series too but not below it.
VehicleLog readVehicle(const std::vector<Record>& records, int vehicle);

// Whether consumption a is better than b in a fuel-distance mode (0 fuel per 100
// distance units, lower is better; any other distance per fuel unit, higher is better).
bool better(double a, double b, int fuelDistanceMode);

struct Totals {
    int refills = 0;
    double distance = 0.0;     // of the complete intervals
    double fuel = 0.0;         // every refill taken into account
    double money = 0.0;        // every refill taken into account
    double intervalFuel = 0.0; // of the complete intervals (full to full)
    double intervalMoney = 0.0;
    void add(const Refill& refill);
    bool hasAverage() const { return distance > 0.0 && intervalFuel > 0.0; }
};

struct Period {
    int year = 0;
    unsigned month = 0; // 1..12; 0 for a whole year
    Totals totals;
};

struct Summary {
    int vehicle = 0;
    Totals totals;
    std::optional<LocalTime> first, last;
    std::optional<double> average; // full to full: interval fuel over interval distance
    const Refill* best = nullptr;  // pointers into the VehicleLog summarised
    const Refill* worst = nullptr;
    std::optional<double> costPer100;    // money of the intervals per 100 distance units
    std::optional<double> fullTankRange; // distance of a full tank at the average
    std::optional<LocalTime> tireChange; // the newest of the vehicle
    std::string tireChangeValue;         // as typed on the device
    std::optional<double> sinceTireChange;
    std::vector<Period> years, months; // oldest first; refills without a date are in neither
};

struct TireChange {
    int vehicle = 0;
    std::string value;
    std::optional<LocalTime> time;
};
// Reads events.txt: tire changes only, in file order.
std::vector<TireChange> readEvents(std::string_view text);

Summary summarise(const VehicleLog& log, int vehicle, int fuelDistanceMode, double tankSize,
                  const std::vector<TireChange>& events);

} // namespace pwlog
