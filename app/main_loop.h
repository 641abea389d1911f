#pragma once
// The program's life: start-up, one pass of the polling loop, shutdown. The device
// program sleeps 200 ms between passes; the simulator and the tests step passes
// through the very same code without sleeping.

// Microseconds between two passes on the device.
constexpr unsigned PASS_INTERVAL_US = 200000;

// Reads the layout, opens the framebuffer and the touchscreen and loads the five
// pictures. False when the program must end; status then holds its exit status
// (0 for a missing device, -1..-5 for the picture that failed).
bool startProgram(int& status);
// Hands every pending touch sample to the dispatcher, then repaints what was asked for.
void runPass();
// Closes the framebuffer and the touchscreen, releases the pictures and the font;
// returns the exit status of a normal end.
int shutdownProgram();

// The banner the number display shows until the first touch.
const char* bannerText();
