#pragma once
// The desktop simulator's machinery, shared by its front ends (the script runner and
// the free-running loop): a scratch root that looks like the device (a framebuffer
// file, a touch FIFO, a calibration), and a feeder that writes touches into the FIFO
// exactly as the touch driver would, so that the program reads them through its own
// device code. A front end feeds touches and calls runPass(); nothing else differs.
// sim_options.cpp reads the command line, sim_root.cpp sets up the root and takes the
// screenshots, sim_touch.cpp feeds the touches.
#include <cstdint>
#include <string>
#include <vector>

// Largest window enlargement; keeps even a big panel's window within a desktop's reach.
constexpr int MAX_ZOOM = 8;

struct SimOptions {
    std::string root;
    unsigned width = 400, height = 256, bitsPerPixel = 16;
    bool sizeGiven = false; // --size: the panel's size was asked for, not the default
    bool eventMode = false; // --touch event: the input event device with a calibration
    std::string script;     // empty: free-running passes until EXIT
    bool window = false;    // --window: shown in a window, the mouse as the finger
    int zoom = 1;           // --zoom N: window pixels per screen pixel
    bool calibrate = false; // --calibrate: pumpwright-calibrate instead of the logbook
    bool help = false;      // --help: the usage is wanted, nothing else
    bool version = false;   // --version
};

// The device program a front end runs, stepped pass by pass.
struct SimProgram {
    bool (*start)(int& status); // false: it ended at once with status
    void (*pass)();
    bool (*ended)();
    int (*shutdown)(); // the exit status
};
// The program the options chose.
SimProgram simProgram(const SimOptions& options);
// The program in force, set by prepareSimRoot.
extern SimProgram program;

// Parses the command line; false with a one-line message naming the bad argument.
// --help or --version anywhere sets its flag, and nothing else is looked at.
bool parseSimOptions(int argc, const char* const* argv, SimOptions& options, std::string& error);

// Creates the device files under the root and points the program at it: the zeroed
// framebuffer file with its geometry, the touch FIFO, and (event mode) the calibration
// when none exists. Opens the feeder. False with a message when the root cannot be set up.
bool prepareSimRoot(const SimOptions& options, std::string& error);

// The write end of the touch FIFO and what the simulated finger is doing.
struct TouchFeeder {
    int fd = -1;
    bool eventMode = false;
    bool fingerDown = false;
    int32_t rawX = 0, rawY = 0; // last readings written (event mode)
};
extern TouchFeeder feeder;

// Queues a touch at a screen point. In event mode the point must be reachable through
// the calibration in force (see rawReadingFor); false with a message otherwise.
bool feedTouch(bool pressed, int x, int y, std::string& error);
// Queues one raw 8-byte sample (character device mode).
bool feedSample(uint16_t pressure, int16_t x, int16_t y, std::string& error);
// Queues one raw 16-byte input event (event mode).
bool feedEvent(uint16_t type, uint16_t code, int32_t value, std::string& error);

// A raw reading that the calibration limits c0, c1 map to the screen coordinate s of
// an axis of the given size; false when no 16-bit reading maps there.
bool rawReadingFor(int s, int32_t c0, int32_t c1, int size, int32_t& raw);
// A 16-bit touch position whose layout point is (x, y), both turns included; in event
// mode also reachable through the calibration. False when none exists.
bool touchPositionFor(int x, int y, int16_t& sx, int16_t& sy);

// Writes the framebuffer to path: a PNG when the name ends in .png, else the raw bytes
// of the mapping. False with a message when it cannot.
bool writeShot(const std::string& path, std::string& error);

// What the card under a root holds for a normal start: whether the data folder is
// there, and which of the five pictures and the font that the layout names are not.
// Points the program at the root.
struct CardCheck {
    bool folder = false;
    std::vector<std::string> missing; // file names
    int pictureW = 0, pictureH = 0;   // the size the layout draws its screens at
    // Without a data folder: the root itself holds a card's files (it is a data folder,
    // given in place of the root above it).
    bool rootIsDataFolder = false;
};
CardCheck checkCard(const std::string& root);
// The device root above a data folder at dir (".../mnt/sdcard/Pumpwright", with or
// without the last slash); empty when dir is not at that place.
std::string rootAboveDataFolder(const std::string& dir);

// Closes the feeder (tests).
void closeFeeder();
