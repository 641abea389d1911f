#include "tools/card/card_pictures.h"

#include "display/draw.h"
#include "display/framebuffer.h"
#include "display/screen_map.h"
#include "display/text.h"
#include "tools/card/card_labels.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>

namespace {

// The look: dark body, light keys, pale display panels, amber for pressed and selected.
constexpr Colour BODY_ENTRY{44, 50, 57};
constexpr Colour BODY_SETTINGS{37, 47, 63};
constexpr Colour EDGE{20, 23, 27};
constexpr Colour INK{33, 37, 41};
constexpr Colour CAPTION{86, 94, 102};
constexpr Colour LIT{255, 193, 64};
constexpr Colour HINT{152, 160, 168};

// The key faces, in the order of Face: light keys, tinted by what they do.
constexpr Colour FACES[] = {
    {232, 234, 228}, // Key
    {238, 206, 198}, // Clear
    {206, 222, 238}, // Value
    {214, 232, 206}, // Vehicle
    {150, 212, 128}, // Save
    {232, 150, 138}, // Exit
    {196, 204, 214}, // Move
    {206, 222, 238}, // Mode
    {214, 232, 206}, // Tank
};
static_assert(std::size(FACES) == static_cast<std::size_t>(Face::Tank) + 1, "a colour per face");

// A rectangle of picture pixels, both edges inclusive.
struct Box {
    int x1, y1, x2, y2;
};

Box grow(const Box& b, int by) {
    return {b.x1 - by, b.y1 - by, b.x2 + by, b.y2 + by};
}

// The pixels the program copies for a layout rectangle: from the first corner's pixel up
// to, not including, the second's.
Box pixelsOf(const LayoutRect& r) {
    const Point a = layoutToScreen(r.x1, r.y1, r.layoutW, r.layoutH, fb.xres, fb.yres);
    const Point b = layoutToScreen(r.x2, r.y2, r.layoutW, r.layoutH, fb.xres, fb.yres);
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x) - 1, std::max(a.y, b.y) - 1};
}

// Shrinks box off other along the axis where they overlap least. A press repaints a
// button's whole rectangle from the active picture, so no face may reach into a
// neighbour's rectangle (the default keypad rows overlap by a few pixels).
void keepClear(Box& box, const Box& other) {
    const int w = std::min(box.x2, other.x2) - std::max(box.x1, other.x1) + 1;
    const int h = std::min(box.y2, other.y2) - std::max(box.y1, other.y1) + 1;
    if (w <= 0 || h <= 0)
        return;
    if (w < h) {
        if (other.x1 > box.x1)
            box.x2 = other.x1 - 1;
        else
            box.x1 = other.x2 + 1;
    } else {
        if (other.y1 > box.y1)
            box.y2 = other.y1 - 1;
        else
            box.y1 = other.y2 + 1;
    }
}

bool onPicture(const LayoutRect& r, int screens) {
    return (r.mask & screens) != 0;
}

void fill(const Box& b, const Colour& c) {
    fillRect(b.x1, b.y1, b.x2, b.y2, c.r, c.g, c.b);
}

void line(int x1, int y1, int x2, int y2, const Colour& c) {
    drawLine(x1, y1, x2, y2, c.r, c.g, c.b, 1.0);
}

Colour shade(const Colour& c, int by) {
    auto clamp = [](int v) { return std::max(0, std::min(255, v)); };
    return {clamp(c.r + by), clamp(c.g + by), clamp(c.b + by)};
}

// Cuts the four corner pixels back to the body so boxes read as rounded.
void roundCorners(const Box& b, const Colour& body) {
    fill({b.x1, b.y1, b.x1, b.y1}, body);
    fill({b.x2, b.y1, b.x2, b.y1}, body);
    fill({b.x1, b.y2, b.x1, b.y2}, body);
    fill({b.x2, b.y2, b.x2, b.y2}, body);
}

// The largest size from size down to smallest at which text fits width, or 0. Thresholded
// glyphs fall apart below about 10 pixels, small letters first.
int fittedSize(const char* text, int size, int smallest, int width) {
    for (; size >= smallest; --size)
        if (measureText(text, layout.fontName, size).width <= width)
            return size;
    return 0;
}

void drawLabel(const Box& face, const Label& label, int shift) {
    const int room = face.x2 - face.x1 + 1 - 8;
    // Single characters are keypad keys; the decimal point is drawn large to be seen at all.
    int preferred = WORD_SIZE;
    if (label.text[1] == '\0')
        preferred = label.text[0] == '.' ? POINT_SIZE : DIGIT_SIZE;
    const int size = fittedSize(label.text, preferred, SMALLEST_WORD_SIZE, room);
    if (!size)
        return; // a face too small for any label stays blank rather than spill over
    // drawText centres on (x1 + x2 - width) / 2 - 1: one column more on the right.
    const int x1 = face.x1 + 1 + shift, x2 = face.x2 + 2 + shift;
    if (!label.caption) {
        drawText(x1, face.y1 + shift, x2, face.y2 + 1 + shift, label.text, layout.fontName, size, 0,
                 INK.r, INK.g, INK.b, -1, -1, -1);
        return;
    }
    // Two lines balanced on the face's middle by their capital heights.
    const int captionSize = fittedSize(label.caption, CAPTION_SIZE, SMALLEST_CAPTION_SIZE, room);
    if (!captionSize) {
        drawLabel(face, {label.text, nullptr, label.face}, shift);
        return;
    }
    const int textCap = measureText("H", layout.fontName, size).height;
    const int captionCap = measureText("H", layout.fontName, captionSize).height;
    const int gap = 5;
    const int top = (face.y1 + face.y2 + 1 - (textCap + gap + captionCap)) / 2 + shift;
    const int textBase = top + textCap;
    const int captionBase = textBase + gap + captionCap;
    drawText(x1, face.y1, x2, textBase, label.text, layout.fontName, size, ALIGN_BOTTOM, INK.r,
             INK.g, INK.b, -1, -1, -1);
    drawText(x1, face.y1, x2, captionBase, label.caption, layout.fontName, captionSize,
             ALIGN_BOTTOM, CAPTION.r, CAPTION.g, CAPTION.b, -1, -1, -1);
}

// A key: dark rim, raised face; pressed it lights up, sinks in and its label moves with it.
void drawButton(const Box& face, const Label& label, bool pressed, const Colour& body) {
    fill(face, EDGE);
    const Box inner = grow(face, -1);
    if (pressed) {
        fill(inner, LIT);
        const Colour sunk = shade(LIT, -70);
        line(inner.x1, inner.y1, inner.x2, inner.y1, sunk);
        line(inner.x1, inner.y1, inner.x1, inner.y2, sunk);
    } else {
        const Colour& c = FACES[static_cast<int>(label.face)];
        drawRaisedBox(inner.x1, inner.y1, inner.x2, inner.y2, c.r, c.g, c.b);
    }
    roundCorners(face, body);
    drawLabel(inner, label, pressed ? 1 : 0);
}

// A pale display panel: the area and a margin in the panel colour, sunk into a dark rim.
void drawPanel(const Box& area, int margin, const Colour& paper, const Colour& body) {
    const Box paperBox = grow(area, margin);
    const Box rim = grow(paperBox, 2);
    fill(rim, EDGE);
    fill(grow(paperBox, 1), paper);
    const Colour sunk = shade(paper, -60);
    line(paperBox.x1 - 1, paperBox.y1 - 1, paperBox.x2 + 1, paperBox.y1 - 1, sunk);
    line(paperBox.x1 - 1, paperBox.y1 - 1, paperBox.x1 - 1, paperBox.y2 + 1, sunk);
    roundCorners(rim, body);
}

} // namespace

const PictureJob JOBS[PICTURE_COUNT] = {
    {PIC_S0, 1 << 0, false, BODY_ENTRY},
    {PIC_S0A, 1 << 0, true, BODY_ENTRY},
    {PIC_S1, 1 << 1, false, BODY_SETTINGS},
    {PIC_S1A, 1 << 1, true, BODY_SETTINGS},
    {PIC_S2, (1 << 2) | (1 << 3) | (1 << 4), false, BODY_ENTRY},
};

void paintPicture(const PictureJob& job) {
    fill({0, 0, fb.xres - 1, fb.yres - 1}, job.body);
    if (onPicture(layout.numDisplay, job.screens))
        drawPanel(pixelsOf(layout.numDisplay), 3, layout.statBg, job.body);
    if (onPicture(layout.statDisplay, job.screens)) {
        const Box area = pixelsOf(layout.statDisplay);
        // The top grid label of a graph is centred on the area's top edge: the paper
        // reaches half a label higher, so that its upper half reads too.
        Box paper = area;
        paper.y1 -= std::max(0, std::min(layout.textSize / 2 + 1, area.y1 - 3));
        drawPanel(paper, 0, layout.statBg, job.body);
        // The statistics screens have no buttons: say how to move on, below the area.
        const Box hint{area.x1, area.y2 + 4, area.x2, fb.yres - 1};
        const char* text = HINT_TEXT;
        const int size = fittedSize(text, HINT_SIZE, SMALLEST_WORD_SIZE, hint.x2 - hint.x1);
        if (size && hint.y2 - hint.y1 >= 8)
            drawText(hint.x1, hint.y1, hint.x2, hint.y2, text, layout.fontName, size, 0, HINT.r,
                     HINT.g, HINT.b, -1, -1, -1);
    }
    for (int i = 0; i < BUTTON_COUNT; ++i) {
        if (!onPicture(layout.buttons[i], job.screens))
            continue;
        Box face = grow(pixelsOf(layout.buttons[i]), -2);
        for (const LayoutRect& other : layout.buttons)
            if (&other != &layout.buttons[i] && onPicture(other, job.screens))
                keepClear(face, pixelsOf(other));
        if (face.x2 - face.x1 >= 4 && face.y2 - face.y1 >= 4)
            drawButton(face, LABELS[i], job.active, job.body);
    }
}
