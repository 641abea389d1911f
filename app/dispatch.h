#pragma once
// The screen model: every button and area is a rectangle over the background pictures.
// A touch sample is mapped to the layout, hit-tested in a fixed order, shown pressed
// from the active picture, and on release runs the action of the button's code.
#include "app/touch.h"
#include "display/framebuffer.h"
#include "props/layout.h"

#include <cstdint>

// Layout point of a touch position in screen coordinates, both turns included.
Point touchToLayout(int16_t x, int16_t y);
// True when the last touch point lies in rect and rect is live on screen; paints the
// press highlight and records the released target (a Button or STATISTICS_AREA).
bool hitTestButton(int screen, const LayoutRect& rect, int target, int16_t pressure);
// Handles one sample; true when something on the screen changed.
bool dispatchTouch(const TouchSample& sample);
