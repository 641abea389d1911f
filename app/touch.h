#pragma once
// The touchscreen: either a character device that already delivers calibrated samples,
// or the kernel's input event device, whose raw readings are calibrated here with the
// limits stored on the device's flash. Open, read, drain and close; no drawing.
#include <cstdint>

// One sample in screen coordinates, and the record the character device delivers.
struct TouchSample {
    uint16_t pressure; // 0 when the finger is up; above 127 counts as touching
    int16_t x;         // -1 in event mode: not reported since the finger went down
    int16_t y;
    uint16_t pad;
};
static_assert(sizeof(TouchSample) == 8, "the character device delivers 8-byte samples");

// Raw readings of the panel's edges: x0 maps to x = xres - 15, x1 to x = 15, and the
// same for y; the panel's axes run against the screen's, so the mapping mirrors them.
struct Calibration {
    int32_t x0, x1, y0, y1;
};

// The input event record as the device's 32-bit kernel writes it. A desktop's own
// struct input_event carries 64-bit times and is 24 bytes, so it cannot be used.
struct InputEvent32 {
    uint32_t seconds;
    uint32_t microseconds;
    uint16_t type;
    uint16_t code;
    int32_t value;
};
static_assert(sizeof(InputEvent32) == 16, "the device's input events are 16 bytes");

constexpr uint16_t EV_SYN_TYPE = 0;
constexpr uint16_t EV_KEY_TYPE = 1;
constexpr uint16_t EV_ABS_TYPE = 3;
constexpr uint16_t BTN_TOUCH_CODE = 0x14A;
constexpr uint16_t ABS_X_CODE = 0;
constexpr uint16_t ABS_Y_CODE = 1;

struct TouchDevice {
    int fd = -1;            // -1 while closed
    bool eventMode = false; // the input event device is in use
    Calibration calibration{};
    TouchSample sample{}; // the latest sample
};
extern TouchDevice touch;

// Opens the character device, else the event device with its calibration. Logs and
// returns false when neither works; true at once when already open.
bool openTouch();
// Stores the next complete sample in touch.sample; false when none is pending. Never blocks.
bool readTouch();
// Reads and discards every pending sample; returns how many there were.
int drainTouch();
// Drains and closes the device; nothing happens when it is closed.
void closeTouch();

// The panel's reading in an input event's value: the controller reports 16-bit
// readings in a 32-bit field.
int32_t panelReading(int32_t value);

// Maps one raw event-device reading to a screen coordinate in 0..size: c0 gives
// size - 15, c1 gives 15. c0 must differ from c1.
int16_t calibrateReading(int32_t value, int32_t c0, int32_t c1, int size);
