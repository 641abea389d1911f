#pragma once
// The device has no console: every problem becomes one line of Debug.log on the card.
#include <cstddef>
#include <ctime>

constexpr std::size_t SCRATCH_SIZE = 256;
// Shared text buffer for formatted messages, numbers and the current log line.
// A caller that needs its contents after calling another user of it copies them first.
extern char scratchText[SCRATCH_SIZE];

// Appends "### ", the message and a line feed to Debug.log; never fails visibly. A message
// already logged in this run is only counted: its 10th, 100th, 1000th... time adds
// "### repeated N times: " and the message. The file is kept to about 1 MB, the older
// part in Debug.log.1. Where the file cannot be opened, prints "pumpwright: " and the
// message on standard error instead.
void debugLog(const char* message);
// Forgets the messages met so far, as at process start (tests).
void resetDebugLog();
// Puts the current local time in ctime form (24 characters and a line feed) into scratchText.
void timestampText();
// The same for the given time.
void timestampTextAt(std::time_t when);
