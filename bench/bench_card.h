#pragma once
// What the benchmark cases prepare on the scratch card, shared by pumpwright-bench and
// the device-time program (which runs without Google Benchmark on the emulated device):
// the framebuffer file, the log of the statistics screens, the card of a started program
// and its SAVE touch.
#include "app/touch.h"

#include <string>

// A fresh scratch root under /tmp named after the program, made the root prefix, with the
// framebuffer file's folder and an empty framebuffer file in it; empty when it cannot be made.
std::string makeScratchRoot(const char* program);

struct Panel {
    int w, h;
};

// Opens a fresh framebuffer file of the panel's size; turn bit 0 quarter, bit 1 half.
bool openPanel(const Panel& panel, unsigned bits, int turn);

// The statistics screens' card: a log of n refills of car 1 with a few of the
// motorcycle in between, the font, the default layout and a full-tank capacity, on a
// 400 x 256 panel. False when the font or the framebuffer is missing.
bool prepareStatisticsCard(int n);

// The program's card on a panel of w by h: plain pictures of the default layout size,
// the font, no log, no touches pending; the process is put back to its start state.
void prepareProgramCard(int w, int h);
// A touch sample at the middle of the SAVE button, pressed or lifted.
TouchSample saveTouch(bool pressed);
// What the owner types before SAVE.
void typeRefill();
