// pumpwright-card DIR [--font FILE] [--size WxH] [--bpp 16|32]
// pumpwright-card import|export|check ... (tools/card_skin.h)
//
// Makes a memory card the program starts from: the five background pictures, drawn with
// the program's own display code for the layout in force (DIR's environment.txt when it
// has one, else the compiled-in defaults), and the font under its configured name, in
// DIR/mnt/sdcard/Pumpwright/. With --size the layout is first scaled to that panel size
// and written to environment.txt; logs and the user's properties are never touched.
#include "app/paths.h"
#include "display/draw.h"
#include "display/fb_query.h"
#include "display/framebuffer.h"
#include "display/text.h"
#include "props/layout.h"
#include "props/properties.h"
#include "tools/card_labels.h"
#include "tools/card_skin.h"
#include "tools/skin_check.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr const char* DEFAULT_FONT = PW_CARD_FONT;
// Files the program keeps on the card: a picture or font name must never hit one.
constexpr const char* CARD_FILES[] = {"environment.txt", "properties.txt", "consumption.txt",
                                      "events.txt", "Debug.log"};

// The look: dark body, light keys, pale display panels, amber for pressed and selected.
constexpr Colour BODY_ENTRY{44, 50, 57};
constexpr Colour BODY_SETTINGS{37, 47, 63};
constexpr Colour EDGE{20, 23, 27};
constexpr Colour INK{33, 37, 41};
constexpr Colour CAPTION{86, 94, 102};
constexpr Colour LIT{255, 193, 64};
constexpr Colour HINT{152, 160, 168};

Colour faceColour(Face face) {
    switch (face) {
    case Face::Key:
        return {232, 234, 228};
    case Face::Clear:
        return {238, 206, 198};
    case Face::Value:
        return {206, 222, 238};
    case Face::Vehicle:
        return {214, 232, 206};
    case Face::Save:
        return {150, 212, 128};
    case Face::Exit:
        return {232, 150, 138};
    case Face::Move:
        return {196, 204, 214};
    case Face::Mode:
        return {206, 222, 238};
    case Face::Tank:
        return {214, 232, 206};
    }
    return {232, 234, 228};
}

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
        const Colour c = faceColour(label.face);
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

// Which screens a picture serves, whether it is the pressed look, and its body colour.
struct PictureJob {
    Picture slot;
    int screens;
    bool active;
    Colour body;
};
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
        for (int j = 0; j < BUTTON_COUNT; ++j)
            if (j != i && onPicture(layout.buttons[j], job.screens))
                keepClear(face, pixelsOf(layout.buttons[j]));
        if (face.x2 - face.x1 >= 4 && face.y2 - face.y1 >= 4)
            drawButton(face, LABELS[i], job.active, job.body);
    }
}

bool plainName(const char* name) {
    if (!*name || std::strchr(name, '/') || !std::strcmp(name, ".") || !std::strcmp(name, ".."))
        return false;
    for (const char* kept : CARD_FILES)
        if (!std::strcmp(name, kept))
            return false;
    return true;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "pumpwright-card: %s\n", message.c_str());
    return 1;
}

bool writeFile(const std::string& path, const uint8_t* data, std::size_t size) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    const bool written = std::fwrite(data, 1, size, out) == size;
    return std::fclose(out) == 0 && written;
}

bool copyFont(const std::string& from, const std::string& to) {
    std::error_code ec;
    if (fs::exists(to, ec) && fs::equivalent(from, to, ec))
        return true;
    return fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
}

// A scratch root with a regular file standing in for the framebuffer device; the card's
// own folder never sees the device file or a Debug.log from the drawing.
struct Scratch {
    std::string root;
    Scratch() {
        std::string pattern = (fs::temp_directory_path() / "pumpwright-card-XXXXXX").string();
        if (mkdtemp(pattern.data()))
            root = pattern;
    }
    ~Scratch() {
        std::error_code ec;
        if (!root.empty())
            fs::remove_all(root, ec);
    }
};

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && !std::strcmp(argv[1], "import"))
        return importCommand(argc - 2, argv + 2);
    if (argc > 1 && !std::strcmp(argv[1], "export"))
        return exportCommand(argc - 2, argv + 2);
    if (argc > 1 && !std::strcmp(argv[1], "check"))
        return checkCommand(argc - 2, argv + 2);
    std::string dir;
    std::string font = DEFAULT_FONT;
    int newW = 0, newH = 0, bits = 16;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--font") && i + 1 < argc)
            font = argv[++i];
        else if (!std::strcmp(argv[i], "--size") && i + 1 < argc) {
            if (!parseSize(argv[++i], newW, newH))
                return cardUsage();
        } else if (!std::strcmp(argv[i], "--bpp") && i + 1 < argc) {
            if (!parseDepth(argv[++i], bits))
                return cardUsage();
        } else if (argv[i][0] != '-' && dir.empty())
            dir = argv[i];
        else
            return cardUsage();
    }
    if (dir.empty())
        return cardUsage();

    setRootPrefix(dir);
    loadLayout(); // reads DIR's property files when present; only --size writes one
    // Rectangles far outside the pictures are typing errors: nothing is drawn from them.
    const std::vector<SkinProblem> unusable = checkShapes();
    for (const SkinProblem& p : unusable)
        fail(p.key + ": " + p.what);
    if (!unusable.empty())
        return 1;
    if (!plainName(layout.fontName))
        return fail(std::string("font name \"") + layout.fontName + "\" is not a plain file name");
    for (const char* name : layout.pictureName)
        if (!plainName(name))
            return fail(std::string("picture name \"") + name + "\" is not a plain file name");

    const std::string card = dataDir();
    std::error_code ec;
    if (!fs::is_regular_file(font, ec))
        return fail("no font file " + font);
    fs::create_directories(card, ec);
    if (ec)
        return fail("cannot create " + card + ": " + ec.message());
    if (newW > 0) {
        std::string error;
        if (!writeScaledEnvironment(newW, newH, error))
            return fail(error);
        resetProperties();
        loadLayout();
    }
    const int w = layout.screenW[0], h = layout.screenH[0];
    if (!copyFont(font, card + layout.fontName))
        return fail("cannot copy " + font + " to " + card + layout.fontName);

    Scratch scratch;
    if (scratch.root.empty())
        return fail("cannot create a scratch folder");
    setRootPrefix(scratch.root);
    fs::create_directories(dataDir(), ec);
    fs::create_directories(scratch.root + "/dev", ec);
    const std::size_t bytes = static_cast<std::size_t>(w) * h * (bits / 8);
    const std::string blank(bytes, '\0');
    if (!copyFont(font, dataPath(layout.fontName)) ||
        !writeFile(rootedPath(FB_DEVICE), reinterpret_cast<const uint8_t*>(blank.data()), bytes))
        return fail("cannot prepare the scratch folder " + scratch.root);
    DesktopScreen screen;
    screen.xres = static_cast<unsigned>(w);
    screen.yres = static_cast<unsigned>(h);
    screen.bitsPerPixel = static_cast<unsigned>(bits);
    setDesktopScreen(screen);
    if (!initFB())
        return fail("cannot map the drawing surface");
    // The pictures are stored upright in layout order; the program turns them itself.
    fb.quarterTurn = false;
    fb.halfTurn = false;

    for (const PictureJob& job : JOBS) {
        paintPicture(job);
        const std::string path = card + layout.pictureName[job.slot];
        if (!writeFile(path, fb.mapping, bytes)) {
            closeFB();
            return fail("cannot write " + path);
        }
    }
    closeFB();

    // Anything the drawing code reported (a font FreeType cannot open, say) spoils the card.
    std::ifstream problems(dataPath("Debug.log"));
    std::string problem;
    bool clean = true;
    while (std::getline(problems, problem)) {
        std::fprintf(stderr, "pumpwright-card: %s\n", problem.c_str());
        clean = false;
    }
    if (!clean)
        return 1;
    std::printf("pumpwright-card: %d x %d pictures of %d bits and font %s in %s\n", w, h, bits,
                layout.fontName, card.c_str());
    return 0;
}
