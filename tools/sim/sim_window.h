#pragma once
// The simulator's window front end: the framebuffer of the running program shown in an
// SDL window, enlarged zoom times, with the left mouse button as the finger. Touches go
// through the same touch device path as the script commands (tools/sim.h).
#include <string>

struct SDL_Window;

// False, with the reason, when there is no display to open a window on: neither an X
// nor a Wayland display is named and no SDL video driver is chosen (SDL would otherwise
// fall back to an off-screen driver and run on with nothing shown).
bool windowDisplayPresent(std::string& error);
// Opens the window for the started program's framebuffer, zoom (1 to MAX_ZOOM, as the
// options take it) times enlarged. False with a message.
bool openSimWindow(int zoom, std::string& error);
// Hands the window's events to the touch device, waiting at most timeoutMs for the
// first of them: button down and motion while down are pressed samples, button up a
// released one. False once the window has been closed.
bool handleWindowEvents(unsigned timeoutMs);
// Shows the framebuffer as it is now.
void showFramebuffer();
void closeSimWindow();
// The open window (tests).
SDL_Window* simWindow();

// Runs the started program in the open window: a pass every 200 ms as on the device,
// until EXIT ends it (its exit status is returned) or the window is closed, which is a
// power-off: nothing is saved and the status is 0. Closes the program and the window.
int runSimWindow();
