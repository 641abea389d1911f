#pragma once
// The picture copy written the plain way: every screen pixel steps its own picture
// position. Slow, and kept only as the reference the fast copyImageRegion must match
// byte for byte (tests, benchmark); it has the same clipping and missing-pixel rules.
#include "display/image.h"

void copyImageRegionPerPixel(int x1, int y1, int x2, int y2, int screenW, int screenH, int imageW,
                             int imageH, const Image& image);
