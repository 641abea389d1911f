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

// Reads the card's logs and properties.txt. dir is the card's data folder, or a folder
// above it: a card's root (mnt/sdcard/Pumpwright inside) or its mount point (Pumpwright
// inside). False with a message when no card is found there or a file cannot be read.
bool loadCard(const std::string& dir, Card& card, std::string& error);
// Reads a whole file; false with a message on failure.
bool readFile(const std::string& path, std::string& text, std::string& error);
// Writes text to path through a temporary file renamed over it: the file is either
// untouched or complete. "-" writes to stdout.
bool writeWhole(const std::string& path, const std::string& text, std::string& error);
// False with the reason when path names one of the card's own files (a log, a property
// file, a picture, the font), which an output must never replace.
bool outputAllowed(const Card& card, const std::string& path, std::string& error);
// Appends whole record lines to the card's consumption.txt, the header first when the
// log is new, where the device reads them: after the last line before an empty one
// (trailing empty lines are dropped; a log with records after an empty line is refused).
// The old log is first copied to consumption.txt.bak, replacing the copy of the import
// before, and the new log replaces the old in one rename: whenever the process stops,
// the log holds its old bytes or the old bytes and every new line.
bool appendToLog(const Card& card, const std::string& lines, std::string& error);

} // namespace pwlog
