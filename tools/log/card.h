#pragma once
// The data folder of a card as the desktop tool sees it: the two logs as text and the
// settings that give the records their meaning.
#include "tools/log/logbook.h"

#include <string>

namespace pwlog {

struct Card {
    std::string dir;         // the folder that holds consumption.txt
    std::string consumption; // empty when the file is missing
    std::string events;
    int odometerMode[VEHICLE_COUNT] = {0, 0, 0}; // 0 trip distance, 1 odometer reading
    int fuelDistanceMode = 0;
    double tankSize[VEHICLE_COUNT] = {0.0, 0.0, 0.0}; // 0: not set
};

// Reads the card's logs and properties.txt; false with a message when dir is no folder
// or a file cannot be read.
bool loadCard(const std::string& dir, Card& card, std::string& error);
// Reads a whole file; false with a message on failure.
bool readFile(const std::string& path, std::string& text, std::string& error);
// Writes text to path through a temporary file renamed over it: the file is either
// untouched or complete. "-" writes to stdout.
bool writeWhole(const std::string& path, const std::string& text, std::string& error);
// Appends whole record lines to the card's consumption.txt in one write, the header
// first when the file is new. An existing file is copied to consumption.txt.bak first,
// unless a copy is already there (it then holds the log as it was before any import).
// On a failed write the file is cut back to its old length.
bool appendToLog(const Card& card, const std::string& lines, std::string& error);

} // namespace pwlog
