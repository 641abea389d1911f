#pragma once
// Series of intervals between the card and the other apps. The apps count an interval
// from one fill to full to the next, add partial fills to the next full one and count
// nothing across a fill-up marked missed; the card counts trip records, odometer
// differences and top-ups, and starts a new series after a trip record or at a replaced
// odometer. These functions translate one way of counting into the other, so that every
// interval has the same distance and fuel on both sides and none spans a break.
#include "tools/log/logbook.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pwlog {

// A fill-up of another app's file, in the card's units. The arithmetic reads the fill-ups
// where they are: a big file's are held once.
struct FillUp {
    int row = 0; // 1-based row of the file, the header row included
    bool partial = false;
    bool missed = false; // a fill-up before this one was not logged
    LocalTime time;
    std::optional<double> odometer;
    std::optional<double> distance; // since the previous fill-up, when the file has it
    double fuel = 0.0;
    double price = 0.0;           // paid for the fill-up
    double economy = 0.0;         // the app's own figure for it, in the file's unit; 0: none
    double economyRounding = 0.0; // how far the figure may be off by its decimals
};

// What a fill-up is to the apps' arithmetic.
enum class Role {
    Start,   // closes no interval: the first one, or after a break (marked missed)
    Partial, // its fuel goes into the interval the next full fill-up closes
    Closes,  // a fill to full that closes an interval
};

// One exported row: a refill of the card as the apps read it.
struct SeriesRow {
    const Refill* refill = nullptr;
    Role role = Role::Start;
    double odometer = 0.0; // the card's reading, or one made up from the trip distances
    double distance = 0.0; // since the previous fill-up (Fuelly's km column): 0 unless Closes
    double fuel = 0.0;     // of the interval it closes, partial fills included
};

struct SeriesExport {
    std::vector<SeriesRow> rows; // oldest first
    double start = 0.0;          // the made-up odometer before the first refill
    bool startsWithTrip = false; // the first refill is a trip distance measured from start
};

// The refills of a vehicle as rows the apps compute the card's own intervals from. A
// refill the card starts a series at is a missed fill-up; fuel the card carries into no
// interval (top-ups before a trip record or a replaced odometer) is a missed fill-up at
// the reading before it. Made-up odometers continue from the last reading; without start,
// a leading stretch of trip distances ends where the first reading starts.
SeriesExport seriesRows(const VehicleLog& log, std::optional<double> start);

// One fill-up of a file, as the apps count it.
struct AppFill {
    std::size_t index = 0; // into the fill-ups given
    Role role = Role::Start;
    double distance = 0.0; // of the interval it closes
    double fuel = 0.0;     // of the interval it closes, partial fills included
    std::optional<double> odometer;
};

// The apps' arithmetic over fill-ups oldest first: with distanceColumn (Fuelly, our own
// file) the distance of a fill-up is the one entered since the previous fill-up, partial
// ones added; otherwise the odometer difference from the previous fill to full. start is
// the reading before the first fill-up, when known.
std::vector<AppFill> appSeries(const std::vector<FillUp>& fills, bool distanceColumn,
                               std::optional<double> start);

// A record to append to the card's log.
struct CardLine {
    std::size_t index = 0; // the fill-up it comes from
    double distance = 0.0; // a trip record's distance, or 0
    double odometer = 0.0; // a reading, or 0
    double fuel = 0.0;
    double price = 0.0;
};

// Writes the apps' series as records the card reads with the same intervals: readings in
// odometer mode, trip distances otherwise, a trip record where the card must start a new
// series after it. chain is the last reading of the vehicle on the card (0: none, or a
// trip record last). Fill-ups with skip set are on the card already. Each record is
// handed to line, oldest first, once it is final (a series may end at the last one
// written); returned are the notes: the fill-up's index and what happened to it.
std::vector<std::pair<std::size_t, std::string>>
cardSeries(const std::vector<AppFill>& series, const std::vector<FillUp>& fills,
           const std::vector<bool>& skip, bool odometerMode, double chain,
           const std::function<void(const CardLine&)>& line);

// The last reading of the vehicle the device measures the next one from: 0 when its last
// record with a distance or a reading is a trip record without one.
double lastReading(const std::vector<Record>& records, int vehicle);

} // namespace pwlog
