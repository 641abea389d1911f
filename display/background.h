#pragma once
// Whole-screen backgrounds. The picture, the panel geometry and the turns are fixed for
// the run, so the scaled and turned copy of a background picture is made once, at its
// second full redraw, in the panel's pixel format and line order, and every later full
// redraw is one memcpy per screen line. This costs at most one screen of memory per
// picture drawn whole more than once: lines that repeat their neighbour are kept once,
// and lines the picture holds as they are shown are not copied at all.
#include "display/image.h"

#include <cstddef>

// Paints picture (layout size imageW x imageH) over the whole screen, byte for byte as
// copyImageRegion would. The first call copies directly, the second makes the screen
// copy; when the memory for it cannot be had, every call copies directly. The picture's
// bytes must not change while its copy is kept.
void drawBackground(const Image& picture, int imageW, int imageH);
// Frees every kept screen copy (before the pictures they were made from are freed).
void forgetBackgrounds();
// Bytes the kept screen copies hold.
std::size_t backgroundBytes();
