#pragma once
// Appending to the logs on the memory card. The card can lose power at any moment, so a
// record goes out in one write to a file opened for appending and is synced at once:
// a power cut can at worst cut the last line short, never leave half a header or glue
// two records together.
#include <string>

struct LogAppend {
    std::string path;
    int fd = -1;           // -1: the card refused the file (logged)
    bool created = false;  // the file did not exist before: its header goes first
    bool cutShort = false; // the last line has no newline: the record starts a new one
};

// Opens path for appending, creating it when missing; a refusal is logged to Debug.log.
LogAppend openLogForAppend(const std::string& path);
// Writes the header (when the file was created), a newline (when the last line was
// cut short) and the record with one write, then syncs and closes. True when the
// record is on the card; false, with the reason in Debug.log, when the file could not
// be opened, written or synced (a full or read-only card).
bool finishLogAppend(LogAppend& log, const char* header, const std::string& record);
// Appends "%0.2f" of value to text, whatever its size (inf, nan and 1e300 included).
void appendNumber(std::string& text, double value);
