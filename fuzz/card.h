#pragma once
// The fuzz targets' device: a scratch root with a small 16-bit panel, a touch device
// that is a plain file, tiny pictures and the test font, made once per process. Every
// input starts from the same card: the files an input wrote are removed first.
#include <cstddef>
#include <cstdint>
#include <string>

// Panel of the targets: small, so that a pass is cheap and the fuzzer fast.
constexpr unsigned CARD_XRES = 200, CARD_YRES = 128;

// Makes the root once, then puts the card back as it was made and the program's state
// back to its start values.
void freshCard();
// Writes a file of the data directory (or, with a leading '/', of the root).
void writeCardFile(const std::string& name, const uint8_t* data, std::size_t size);
// Starts the program; false when start-up ended it.
bool startCardProgram();
// Shows each of the five screens once, every part of it drawn.
void visitEveryScreen();
