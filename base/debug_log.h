#pragma once
// The device has no console: every problem becomes one line of Debug.log on the card.
#include <cstddef>

constexpr std::size_t SCRATCH_SIZE = 256;
// Shared text buffer for formatted messages, numbers and the current log line.
// A caller that needs its contents after calling another user of it copies them first.
extern char scratchText[SCRATCH_SIZE];

// Appends "### ", the message and a line feed to Debug.log. Where the file cannot be
// opened, prints "pumpwright: " and the message on standard error instead; never fails.
void debugLog(const char* message);
// Puts the current local time in ctime form (24 characters and a line feed) into scratchText.
void timestampText();
