#pragma once
// Appending to the logs on the memory card. The card can lose power at any moment, so a
// record goes out in one write to a file opened for appending and is synced at once:
// a power cut can at worst cut the last line short, never leave half a header or glue
// two records together.
#include <string>

struct LogAppend {
    int fd = -1;           // -1: the card refused the file
    bool created = false;  // the file did not exist before: its header goes first
    bool cutShort = false; // the last line has no newline: the record starts a new one
};

// Opens path for appending, creating it when missing.
LogAppend openLogForAppend(const std::string& path);
// Writes the header (when the file was created), a newline (when the last line was
// cut short) and the record with one write, then syncs and closes. Failures are silent.
void finishLogAppend(LogAppend& log, const char* header, const std::string& record);
// Appends "%0.2f" of value to text, whatever its size (inf, nan and 1e300 included).
void appendNumber(std::string& text, double value);
