#pragma once
// The framebuffer the benchmarks draw into: a file under the scratch root that main()
// prepares, opened through initFB with a panel's geometry.

struct Panel {
    int w, h;
};

// Opens a fresh framebuffer file of the panel's size; turn bit 0 quarter, bit 1 half.
bool openPanel(const Panel& panel, unsigned bits, int turn);
