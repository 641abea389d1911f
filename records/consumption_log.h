#pragma once
// consumption.txt: one tab-separated line per saved refill behind a commented header.
#include <istream>

// The commented lines a new consumption.txt begins with.
extern const char* const CONSUMPTION_HEADER;

// One refill as typed on the entry screen: the distance is the trip or, in the odometer
// mode of the selected vehicle, the odometer reading.
struct Refill {
    double distance;
    double fuel;
    double price;
    double consumption;
};
// Appends the record of refill for the selected vehicle (the file part of SAVE). False
// when the card did not take it (the reason is in Debug.log; nothing of it is left on
// the card).
bool writeConsumptionRecord(const Refill& refill);
// Leaves the next record line of vehicle in scratchText and returns its length;
// 0 at the end of the file or at an empty line. Lines not beginning with a digit are
// skipped; a line longer than 255 characters is cut to its first 255.
int nextRecordLine(std::istream& in, int vehicle);

struct RecordFields {
    double distance; // whole number: the fraction is dropped when read back
    double fuel;
    double odometer;
    double price;
};
// Reads the fields of the line nextRecordLine left in scratchText, each after the next
// tab within the first 255 characters. Fields missing or empty read 0.
RecordFields readRecordFields();
