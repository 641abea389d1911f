// The card maker, run as the program people use.
#ifdef PW_CARD_TOOL
#include "base/paths.h"
#include "display/text.h"
#include "props/layout.h"
#include "props/properties.h"
#include "tests/test_root.h"
#include "tools/card/card_labels.h"
#include "tools/common/png_picture.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <png.h>
#include <set>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <vector>
#include <zlib.h>

namespace fs = std::filesystem;

namespace {

constexpr int W = 400, H = 256;
const char* const PICTURES[] = {"s0.raw", "s0a.raw", "s1.raw", "s1a.raw", "s2.raw"};

std::set<std::string> filesIn(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.insert(entry.path().filename().string());
    return names;
}

class CardTest : public RootTest {
  protected:
    // Runs the card maker with arguments; returns its exit status and keeps its messages.
    // A prefix runs it through another command (a resource limit, say).
    int card(const std::string& args, const std::string& prefix = "") {
        const std::string errors = root + "/card-stderr.txt";
        const std::string said = root + "/card-stdout.txt";
        const std::string command =
            prefix + std::string(PW_CARD_TOOL) + " " + args + " >" + said + " 2>" + errors;
        const int status = std::system(command.c_str());
        messages = readFile(errors);
        output = readFile(said);
        fs::remove(errors);
        fs::remove(said);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::vector<uint16_t> picture(const char* name, int w = W, int h = H) const {
        const std::string bytes = readFile(dataFile(name));
        std::vector<uint16_t> pixels(static_cast<std::size_t>(w) * h);
        EXPECT_EQ(bytes.size(), pixels.size() * 2) << name;
        for (std::size_t i = 0; i < pixels.size() && 2 * i + 1 < bytes.size(); i++)
            pixels[i] = static_cast<uint16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                              static_cast<uint8_t>(bytes[2 * i + 1]) << 8);
        return pixels;
    }

    std::string messages;
    std::string output;
};

TEST_F(CardTest, FillsTheDataDirectoryWithPicturesAndFont) {
    const std::string dir = root + "/fresh card";
    const std::string scratch = root + "/tmp";
    fs::create_directory(scratch);
    ASSERT_EQ(card("'" + dir + "'", "TMPDIR=" + scratch + " "), 0) << messages;
    // It draws in a scratch folder of its own and takes that away afterwards.
    EXPECT_TRUE(fs::is_empty(scratch));
    const std::string data = dir + "/mnt/sdcard/Pumpwright/";
    EXPECT_EQ(filesIn(data), (std::set<std::string>{"s0.raw", "s0a.raw", "s1.raw", "s1a.raw",
                                                    "s2.raw", "Diduz.ovo"}));
    for (const char* name : PICTURES)
        EXPECT_EQ(fs::file_size(data + name), static_cast<uintmax_t>(W * H * 2)) << name;
    EXPECT_EQ(readFile(data + "Diduz.ovo"), readFile(PW_CARD_FONT));
    // Only the data directory: no device file, no property file, no log.
    EXPECT_EQ(filesIn(dir), std::set<std::string>{"mnt"});
}

// Every button on a picture has a label of its own; its active look differs over most of
// its rectangle, and nothing outside the buttons changes between the two pictures.
void checkButtons(const std::vector<uint16_t>& normal, const std::vector<uint16_t>& active,
                  int screen) {
    resetProperties(); // the rectangles the program will use, from the card's environment
    loadLayout();
    std::vector<int> inButtons(normal.size());
    std::set<std::vector<bool>> labels;
    int buttons = 0;
    for (int i = 0; i < BUTTON_COUNT; i++) {
        const LayoutRect& b = layout.buttons[i];
        if (!(b.mask & 1 << screen))
            continue;
        SCOPED_TRACE(BUTTON_DEFAULTS[i].name);
        buttons++;
        int changed = 0, area = 0;
        for (int y = b.y1; y < b.y2; y++)
            for (int x = b.x1; x < b.x2; x++) {
                inButtons[y * W + x]++;
                area++;
                changed += normal[y * W + x] != active[y * W + x];
            }
        EXPECT_GT(changed, area / 2);
        // The label: whatever differs from the face colour near the top of the button,
        // well inside its rim.
        const uint16_t face = normal[(b.y1 + 8) * W + (b.x1 + b.x2) / 2];
        std::vector<bool> ink;
        int inked = 0;
        for (int y = b.y1 + 8; y < b.y2 - 8; y++)
            for (int x = b.x1 + 8; x < b.x2 - 8; x++) {
                ink.push_back(normal[y * W + x] != face);
                inked += ink.back();
            }
        EXPECT_GT(inked, 12);
        labels.insert(ink);
    }
    EXPECT_EQ(labels.size(), static_cast<std::size_t>(buttons)) << "two labels look alike";
    // A press repaints a button's whole rectangle from the active picture: where two
    // rectangles overlap (the keypad rows do), that must not show part of a neighbour.
    for (std::size_t i = 0; i < normal.size(); i++)
        ASSERT_TRUE(inButtons[i] == 1 || normal[i] == active[i])
            << "pixel " << i % W << "," << i / W << " changes outside a single button";
}

TEST_F(CardTest, ButtonsAreLabelledAndLightUpInTheActivePicture) {
    ASSERT_EQ(card(root), 0) << messages;
    {
        SCOPED_TRACE("entry screen");
        checkButtons(picture("s0.raw"), picture("s0a.raw"), 0);
    }
    SCOPED_TRACE("settings screen");
    checkButtons(picture("s1.raw"), picture("s1a.raw"), 1);
}

TEST_F(CardTest, OverlappingButtonsKeepTheirFacesApart) {
    // Key 4 moved up over ten rows of key 1, BACK widened over 15 columns of its left
    // neighbour.
    writeFile(dataFile("environment.txt"), "E_BUTTON.4.y: 95\nE_BUTTON.BACK.x: 300\n"
                                           "E_BUTTON.BACK.w: 92\n");
    ASSERT_EQ(card(root), 0) << messages;
    checkButtons(picture("s0.raw"), picture("s0a.raw"), 0);
    checkButtons(picture("s1.raw"), picture("s1a.raw"), 1);

    // A key laid over its neighbour from where the neighbour's face starts (two points
    // in), across or down, keeps no face; the neighbour keeps its face where it is alone,
    // giving way along the side where they overlap least.
    struct Area {
        int x1, y1, x2, y2;
    };
    struct Cover {
        const char* keys;
        Area covered, alone;
    };
    const Cover covers[] = {
        {"E_BUTTON.DRIVEN.x: 317\nE_BUTTON.DRIVEN.w: 30\n", {320, 10, 343, 50}, {350, 10, 388, 50}},
        {"E_BUTTON.REFILLED.x: 315\nE_BUTTON.REFILLED.y: 7\nE_BUTTON.REFILLED.h: 20\n",
         {320, 10, 388, 23},
         {320, 32, 388, 50}},
        // ten by ten over the neighbour's top left corner: as tall as wide, so off the top
        {"E_BUTTON.DRIVEN.w: 89\nE_BUTTON.DRIVEN.h: 12\n", {330, 8, 388, 15}, {318, 20, 388, 50}}};
    for (const Cover& c : covers) {
        writeFile(dataFile("environment.txt"), c.keys);
        ASSERT_EQ(card(root), 0) << messages;
        const std::vector<uint16_t> shared = picture("s0.raw");
        const auto colours = [&](const Area& b) {
            std::set<uint16_t> seen;
            for (int y = b.y1; y <= b.y2; y++)
                for (int x = b.x1; x <= b.x2; x++)
                    seen.insert(shared[y * W + x]);
            return seen;
        };
        EXPECT_EQ(colours(c.covered), std::set<uint16_t>{shared[0]}) << c.keys;
        EXPECT_GT(colours(c.alone).size(), 2u) << c.keys;
    }

    // A key too narrow for a face leaves the body showing, unlabelled.
    writeFile(dataFile("environment.txt"), "E_BUTTON.EXIT.w: 8\n");
    ASSERT_EQ(card(root), 0) << messages;
    const std::vector<uint16_t> s0 = picture("s0.raw");
    for (int y = 5; y < 55; y++)
        for (int x = 315; x < 323; x++)
            ASSERT_EQ(s0[y * W + x], s0[0]) << x << "," << y;
    // one point wider, a face five pixels wide is drawn
    writeFile(dataFile("environment.txt"), "E_BUTTON.EXIT.w: 9\n");
    ASSERT_EQ(card(root), 0) << messages;
    EXPECT_NE(picture("s0.raw")[30 * W + 319], s0[0]);
    // A word keeps four pixels clear of each side of the face (two of rim and body, one
    // of bevel within): a key one point narrower than its smallest word with that margin
    // shows a blank face rather than a crowded word.
    resetProperties();
    loadLayout();
    const int word = measureText("EXIT", layout.fontName, SMALLEST_WORD_SIZE).width;
    ASSERT_GT(word, 0);
    for (const int w : {word + 13, word + 14}) {
        writeFile(dataFile("environment.txt"), "E_BUTTON.EXIT.w: " + std::to_string(w) + "\n");
        ASSERT_EQ(card(root), 0) << messages;
        const std::vector<uint16_t> keys = picture("s0.raw");
        std::set<uint16_t> colours;
        for (int y = 9; y <= 50; y++)
            for (int x = 319; x <= 315 + w - 5; x++)
                colours.insert(keys[y * W + x]);
        EXPECT_EQ(colours.size(), w == word + 13 ? 1u : 2u) << "EXIT " << w << " points wide";
    }
    // A key too narrow for its caption ("trip meter") still shows its word
    writeFile(dataFile("environment.txt"), "E_BUTTON.TRIPDIST.w: 45\n");
    ASSERT_EQ(card(root), 0) << messages;
    const std::vector<uint16_t> s1 = picture("s1.raw");
    const uint16_t face = s1[160 * W + 245];
    int ink = 0;
    for (int y = 160; y < 195; y++)
        for (int x = 245; x < 276; x++)
            ink += s1[y * W + x] != face;
    EXPECT_GT(ink, 50);
}

// The number display and the statistics area are plain panels, so that text drawn
// over them reads.
TEST_F(CardTest, DisplayAreasAreCleanPanels) {
    ASSERT_EQ(card(root), 0) << messages;
    struct Area {
        const char* picture;
        int x1, y1, x2, y2; // the default rectangles, both edges inclusive
    };
    for (const Area& a : {Area{"s0.raw", 20, 16, 222, 45}, Area{"s0a.raw", 20, 16, 222, 45},
                          Area{"s1.raw", 20, 16, 222, 45}, Area{"s2.raw", 12, 11, 388, 242}}) {
        SCOPED_TRACE(a.picture);
        const std::vector<uint16_t> pixels = picture(a.picture);
        const uint16_t paper = pixels[a.y1 * W + a.x1];
        for (int y = a.y1; y < a.y2; y++)
            for (int x = a.x1; x < a.x2; x++)
                ASSERT_EQ(pixels[y * W + x], paper) << x << "," << y;
        // Framed: the panel stands out from what surrounds its frame.
        EXPECT_NE(pixels[(a.y1 - 4) * W + a.x1 - 4], paper);
    }
    // s2 lies behind the statistics screens 2 to 4: an area on screen 2 alone is on it too
    const std::vector<uint16_t> s2 = picture("s2.raw");
    writeFile(dataFile("environment.txt"), "E_AREA.STATDISPLAY.screen: 4\n");
    ASSERT_EQ(card(root), 0) << messages;
    EXPECT_TRUE(picture("s2.raw") == s2);

    // The hint under the area is written where eight lines are left for it, and
    // nowhere with fewer: a clipped half line of text would read as a smudge.
    const auto hintRows = [&](int height) {
        writeFile(dataFile("environment.txt"),
                  "E_AREA.STATDISPLAY.h: " + std::to_string(height) + "\n");
        EXPECT_EQ(card(root), 0) << messages;
        const std::vector<uint16_t> pixels = picture("s2.raw");
        int written = 0;
        for (int y = 11 + height + 2; y < H; y++) // below the frame
            written += std::any_of(pixels.begin() + y * W, pixels.begin() + (y + 1) * W,
                                   [&](uint16_t p) { return p != pixels[0]; });
        return written;
    };
    EXPECT_GT(hintRows(233), 0);
    EXPECT_EQ(hintRows(234), 0);
}

TEST_F(CardTest, FollowsTheCardsEnvironmentAndLeavesItsFilesAlone) {
    writeFile(dataFile("environment.txt"), "E_SCREEN.0.BG.w: 480\nE_SCREEN.0.BG.h: 272\n"
                                           "E_SCREEN.0.BG.name: entry.raw\n"
                                           "E_FONT.name: Face.ttf\n");
    writeFile(dataFile("properties.txt"), "P_ROT90: 1\nP_ROT180: 1\n");
    writeFile(dataFile("consumption.txt"), "# log\n1\t100.00\t5.00\n");
    writeFile(dataFile("events.txt"), "# events\n");
    writeFile(dataFile("Debug.log"), "### earlier problem\n");
    const std::set<std::string> kept = filesIn(dataDir());
    std::vector<std::string> before;
    for (const std::string& name : kept)
        before.push_back(readFile(dataFile(name.c_str())));

    ASSERT_EQ(card(root), 0) << messages;
    std::vector<std::string> after;
    for (const std::string& name : kept)
        after.push_back(readFile(dataFile(name.c_str())));
    EXPECT_EQ(after, before);

    std::set<std::string> expected = kept;
    expected.insert({"entry.raw", "s0a.raw", "s1.raw", "s1a.raw", "s2.raw", "Face.ttf"});
    EXPECT_EQ(filesIn(dataDir()), expected);
    // The turns are the program's business: the pictures stay upright, at the layout size.
    for (const char* name : {"entry.raw", "s0a.raw", "s1.raw", "s1a.raw", "s2.raw"})
        EXPECT_EQ(fs::file_size(dataFile(name)), static_cast<uintmax_t>(480 * 272 * 2)) << name;
    const std::vector<uint16_t> entry = picture("entry.raw", 480, 272);
    const uint16_t body = entry[0];
    // The top-left key (button 1 at 5, 55, 77 x 50 of a 400 x 256 layout) lands scaled.
    EXPECT_NE(entry[(55 * 272 / 256 + 25) * 480 + (5 + 38) * 480 / 400], body);
    EXPECT_EQ(entry[(272 - 1) * 480 + 480 - 1], body);
}

TEST_F(CardTest, TakesAnotherFont) {
    makeDirs(root + "/fonts");
    fs::copy_file(PW_TEST_FONT, root + "/fonts/Other.ttf");
    writeFile(root + "/fonts/Broken.ttf", "no font here");

    ASSERT_EQ(card(root + " --font " + root + "/fonts/Other.ttf"), 0) << messages;
    EXPECT_EQ(readFile(dataFile("Diduz.ovo")), readFile(PW_TEST_FONT));

    // A file FreeType cannot read is no font: the card maker says so and fails.
    EXPECT_EQ(card("--font " + root + "/fonts/Broken.ttf " + root), 1);
    EXPECT_NE(messages.find("Error loading font face!"), std::string::npos) << messages;
    EXPECT_EQ(card(root + " --font " + root + "/fonts/Missing.ttf"), 1);
    EXPECT_NE(messages.find("Missing.ttf"), std::string::npos) << messages;

    // A font that opens but lacks what the program writes is named with what it lacks.
    writeFile(dataFile("Zero.bdf"),
              "STARTFONT 2.1\nFONT -test-zero-medium-r-normal--8-80-75-75-c-80-iso10646-1\n"
              "SIZE 8 75 75\nFONTBOUNDINGBOX 4 8 0 -1\nCHARS 1\n"
              "STARTCHAR zero\nENCODING 48\nSWIDTH 500 0\nDWIDTH 5 0\nBBX 4 8 0 -1\n"
              "BITMAP\nF0\n90\n90\n90\n90\n90\n90\nF0\nENDCHAR\nENDFONT\n");
    writeFile(dataFile("environment.txt"), "E_FONT.name: Zero.bdf\n");
    EXPECT_EQ(card("check " + root), 1);
    EXPECT_NE(messages.find("E_FONT.name: Zero.bdf has no glyph for \"+-.123456789:"),
              std::string::npos)
        << messages;
}

TEST_F(CardTest, RefusesNamesThatWouldOverwriteTheLogs) {
    writeFile(dataFile("environment.txt"), "E_SCREEN.2.BG.name: consumption.txt\n");
    writeFile(dataFile("consumption.txt"), "# log\n");
    EXPECT_EQ(card(root), 1);
    EXPECT_EQ(readFile(dataFile("consumption.txt")), "# log\n");
    EXPECT_FALSE(fileExists(dataFile("s0.raw")));

    writeFile(dataFile("environment.txt"), "E_FONT.name: ../font.ttf\n");
    EXPECT_EQ(card(root), 1);
    EXPECT_FALSE(fileExists(root + "/mnt/sdcard/font.ttf"));

    // import, export and check refuse such names the same way: nothing is read or written
    // through them, whatever lies there.
    writeFile(dataFile("environment.txt"), "");
    ASSERT_EQ(card(root), 0) << messages;
    ASSERT_EQ(card("export " + root + " " + root + "/looks"), 0) << messages;
    makeDirs(root + "/victim");
    writeFile(root + "/victim/notes.txt", "keep me\n");
    const std::string s0 = " s0=" + root + "/looks/s0.png", s1 = " s1=" + root + "/looks/s1.png";
    const struct {
        const char* key;
        const char* name;
        const char* why;
    } cases[] = {{"E_SCREEN.0.BG.name", "../../../victim/notes.txt", "is not a plain file name"},
                 {"E_SCREEN.1.BG.name", "consumption.txt", "is one of the card's own files"},
                 {"E_FONT.name", "..", "is not a plain file name"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        writeFile(dataFile("environment.txt"), std::string(c.key) + ": " + c.name + "\n");
        const std::string said = std::string(c.key) + ": \"" + c.name + "\" " + c.why;
        EXPECT_EQ(card("import " + root + s0 + s1), 1);
        EXPECT_EQ(messages, "pumpwright-card: " + said + "\n");
        EXPECT_EQ(card("check " + root), 1);
        EXPECT_NE(messages.find(said + "\n"), std::string::npos) << messages;
        EXPECT_EQ(card("export --force " + root + " " + root + "/looks"), 1);
        EXPECT_NE(messages.find(said), std::string::npos) << messages;
    }
    EXPECT_TRUE(readFile(root + "/victim/notes.txt") == "keep me\n");
    EXPECT_EQ(readFile(dataFile("consumption.txt")), "# log\n");

    // Links on the card to files elsewhere, under a picture's or the font's name or their
    // temporary names, are replaced, not written through.
    writeFile(dataFile("environment.txt"), "");
    for (const char* name : {"s0.raw", "s1.raw.new", "Diduz.ovo"}) {
        fs::remove(dataFile(name));
        fs::create_symlink(root + "/victim/notes.txt", dataFile(name));
    }
    ASSERT_EQ(card(root), 0) << messages;
    EXPECT_TRUE(readFile(root + "/victim/notes.txt") == "keep me\n");
    EXPECT_FALSE(fs::is_symlink(dataFile("s0.raw")));
    EXPECT_FALSE(fs::exists(fs::symlink_status(dataFile("s1.raw.new"))));
}

// Writes a PNG of w x h in a libpng format whose pixel i is pixel(i) (format's layout).
template <typename Pixel>
void writeTestPng(const std::string& path, int w, int h, png_uint_32 format, Pixel pixel,
                  const void* colormap = nullptr, int colors = 0) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(w);
    image.height = static_cast<png_uint_32>(h);
    image.format = format;
    image.colormap_entries = static_cast<png_uint_32>(colors);
    const std::size_t channels = PNG_IMAGE_SAMPLE_CHANNELS(format);
    std::vector<decltype(pixel(0))> samples(static_cast<std::size_t>(w) * h * channels);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = pixel(i);
    ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, samples.data(), 0, colormap))
        << image.message;
}

uint16_t rgb565(int r, int g, int b) {
    return static_cast<uint16_t>(((r << 8) & 0xF800) | ((g << 3) & 0x07E0) | (b >> 3));
}

// Palette, grey with alpha at 16 bits, colour with alpha: each lands in the panel's format
// at the layout size; what is transparent lies on black.
TEST_F(CardTest, ImportsPngFilesOfEveryKind) {
    const std::string png = root + "/png/";
    makeDirs(png);
    const uint8_t palette[] = {255, 0, 0, 0, 0, 255, 20, 40, 60};
    writeTestPng(
        png + "palette.png", W, H, PNG_FORMAT_RGB_COLORMAP,
        [](std::size_t i) { return static_cast<uint8_t>(i % W < 200 ? 0 : 2); }, palette, 3);
    // Linear 16-bit grey: full white opaque, then half covered white (alpha 0.5).
    writeTestPng(png + "grey16.png", W, H, PNG_FORMAT_LINEAR_Y_ALPHA, [](std::size_t i) {
        const bool left = (i / 2) % W < 200;
        return static_cast<uint16_t>(i % 2 == 0 ? (left ? 65535 : 32768) : (left ? 65535 : 32768));
    });
    writeTestPng(png + "rgba.png", W, H, PNG_FORMAT_RGBA, [](std::size_t i) {
        const int channel = static_cast<int>(i % 4);
        const bool clear = (i / 4) % W >= 200;
        return static_cast<uint8_t>(channel == 3 ? (clear ? 0 : 255) : 100 + 50 * channel);
    });
    ASSERT_EQ(card("import " + root + " s0=" + png + "palette.png s1=" + png +
                   "grey16.png s2=" + png + "rgba.png"),
              0)
        << messages;
    const std::vector<uint16_t> s0 = picture("s0.raw"), s1 = picture("s1.raw"),
                                s2 = picture("s2.raw");
    EXPECT_EQ(s0[10], rgb565(255, 0, 0));
    EXPECT_EQ(s0[W * H - 1], rgb565(20, 40, 60));
    EXPECT_EQ(s1[10], rgb565(255, 255, 255));
    EXPECT_EQ(s2[10], rgb565(100, 150, 200));
    EXPECT_EQ(s2[W * H - 1], 0); // transparent over black
    // Premultiplied linear half white on black reads as sRGB mid grey, neither end.
    EXPECT_GT(s1[W * H - 1] >> 11, 8);
    EXPECT_LT(s1[W * H - 1] >> 11, 31);

    // 32-bit cards: blue, green, red, 0 as the panel reads them.
    ASSERT_EQ(card("import --bpp 32 " + root + " s0a=" + png + "rgba.png"), 0) << messages;
    const std::string wide = readFile(dataFile("s0a.raw"));
    ASSERT_EQ(wide.size(), static_cast<std::size_t>(W * H * 4));
    EXPECT_EQ(wide.substr(0, 4), std::string("\xC8\x96\x64\x00", 4));
    // A 32-bit picture stays 32-bit when replaced without --bpp.
    ASSERT_EQ(card("import " + root + " s0a=" + png + "palette.png"), 0) << messages;
    EXPECT_EQ(readFile(dataFile("s0a.raw")).substr(0, 4), std::string("\0\0\xFF\0", 4));
}

// A card's pictures come back unchanged through PNG: export, then import, is the identity.
// The export tells a card's depth from its pictures' size, so no --bpp is given to it.
TEST_F(CardTest, ExportedPicturesImportToTheSameBytes) {
    std::vector<std::string> before;
    for (const std::string bits : {"32", "16"}) {
        ASSERT_EQ(card(root + " --bpp " + bits), 0) << messages;
        EXPECT_EQ(
            output.rfind("pumpwright-card: 400 x 256 pictures of " + bits + " bits and font ", 0),
            0u)
            << output;
        EXPECT_EQ(output.substr(output.find(" in ")), " in " + std::string(dataDir()) + "\n");
        before.clear();
        for (const char* name : PICTURES)
            before.push_back(readFile(dataFile(name)));
        ASSERT_EQ(card("export --force " + root + " " + root + "/looks"), 0) << messages;
        EXPECT_EQ(output,
                  "pumpwright-card: five pictures as " + root + "/looks/s0.png ... s2.png\n");
        for (const char* name : PICTURES)
            fs::remove(dataFile(name));
        std::string args = "import --bpp " + bits + " " + root, said;
        for (const char* name : PICTURES) {
            const std::string png = root + "/looks/" + fs::path(name).stem().string() + ".png";
            args += " " + fs::path(name).stem().string() + "=" + png;
            said += "pumpwright-card: " + png + " -> " + dataFile(name) + "\n";
        }
        ASSERT_EQ(card(args), 0) << messages;
        EXPECT_EQ(output, said);
        for (std::size_t i = 0; i < before.size(); ++i)
            EXPECT_TRUE(readFile(dataFile(PICTURES[i])) == before[i]) << bits << PICTURES[i];
    }

    // A designer's edited PNG is replaced only when asked to; without --force none is.
    writeFile(root + "/looks/s1a.png", "edited");
    fs::remove(root + "/looks/s0.png");
    EXPECT_EQ(card("export " + root + " " + root + "/looks"), 1);
    EXPECT_NE(messages.find(root + "/looks/s1a.png"), std::string::npos) << messages;
    EXPECT_NE(messages.find("--force"), std::string::npos) << messages;
    EXPECT_EQ(messages.find('\n'), messages.size() - 1) << messages;
    EXPECT_EQ(readFile(root + "/looks/s1a.png"), "edited");
    EXPECT_FALSE(fileExists(root + "/looks/s0.png"));
    ASSERT_EQ(card("export " + root + " " + root + "/looks --force"), 0) << messages;
    EXPECT_NE(readFile(root + "/looks/s1a.png"), "edited");
    // an output folder that is a file takes no picture, and says so
    writeFile(root + "/plain", "x");
    EXPECT_EQ(card("export " + root + " " + root + "/plain"), 1);
    EXPECT_NE(messages.find("cannot write " + root + "/plain/s0.png: libpng: Not a directory"),
              std::string::npos)
        << messages;
    // a picture with a byte too many is neither size of the layout: not exported
    writeFile(dataFile("s1.raw"), before[2] + "x");
    EXPECT_EQ(card("export " + root + " " + root + "/again"), 1);
    EXPECT_NE(messages.find("s1.raw: 204801 bytes is not a 400x256 picture"), std::string::npos)
        << messages;
    // a picture the card lacks is named as missing, not as one of the wrong size
    fs::remove(dataFile("s1.raw"));
    EXPECT_EQ(card("export " + root + " " + root + "/again"), 1);
    EXPECT_NE(messages.find("cannot read " + dataFile("s1.raw")), std::string::npos) << messages;
}

// A card that takes one picture and then no more (here a file size limit of 300,000
// bytes: the 16-bit s0 fits, the 32-bit s1 does not) keeps every old picture: none is
// replaced until all are written, and the message says why the write failed.
TEST_F(CardTest, ImportReplacesEveryPictureOrNone) {
    ASSERT_EQ(card(root), 0) << messages;
    ASSERT_EQ(card("export " + root + " " + root + "/looks"), 0) << messages;
    ASSERT_EQ(card("import --bpp 32 " + root + " s1=" + root + "/looks/s1.png"), 0) << messages;
    const std::string s0 = readFile(dataFile("s0.raw")), s1 = readFile(dataFile("s1.raw"));
    ASSERT_EQ(s1.size(), static_cast<std::size_t>(W * H * 4));
    const std::string png = root + "/png/";
    makeDirs(png);
    writeTestPng(png + "grey.png", W, H, PNG_FORMAT_GRAY,
                 [](std::size_t i) { return static_cast<uint8_t>(i * 7); });
    // The limit's signal would end the card maker; ignored, the write fails instead.
    EXPECT_EQ(card("import " + root + " s0=" + png + "grey.png s1=" + png + "grey.png",
                   "trap '' XFSZ; prlimit --fsize=300000 "),
              1);
    EXPECT_NE(messages.find("s1.raw.new: File too large; no picture was replaced"),
              std::string::npos)
        << messages;
    EXPECT_TRUE(readFile(dataFile("s0.raw")) == s0);
    EXPECT_TRUE(readFile(dataFile("s1.raw")) == s1);
    EXPECT_EQ(filesIn(dataDir()), (std::set<std::string>{"s0.raw", "s0a.raw", "s1.raw", "s1a.raw",
                                                         "s2.raw", "Diduz.ovo"}));

    // A rename refused part-way (a folder where s1.raw should be) is named, and leaves no
    // temporary file behind: s0 is the new picture, s2 the old one.
    const std::string s2 = readFile(dataFile("s2.raw"));
    fs::remove(dataFile("s1.raw"));
    makeDirs(dataFile("s1.raw") + "/in the way");
    EXPECT_EQ(card("import " + root + " s0=" + png + "grey.png s1=" + png + "grey.png s2=" + png +
                   "grey.png"),
              1);
    EXPECT_NE(messages.find("cannot rename " + dataFile("s1.raw.new") + " to " +
                            dataFile("s1.raw") + ": Is a directory"),
              std::string::npos)
        << messages;
    EXPECT_FALSE(readFile(dataFile("s0.raw")) == s0);
    EXPECT_TRUE(readFile(dataFile("s2.raw")) == s2);
    EXPECT_EQ(filesIn(dataDir()), (std::set<std::string>{"s0.raw", "s0a.raw", "s1.raw", "s1a.raw",
                                                         "s2.raw", "Diduz.ovo"}));

    // Making the card stages its pictures the same way: a temporary name it cannot take
    // is named, and no picture is replaced.
    fs::remove_all(dataFile("s1.raw"));
    makeDirs(dataFile("s2.raw.new") + "/kept");
    const std::string imported = readFile(dataFile("s0.raw"));
    EXPECT_EQ(card(root), 1);
    EXPECT_NE(messages.find("cannot write " + dataFile("s2.raw.new") + ": "), std::string::npos)
        << messages;
    EXPECT_TRUE(readFile(dataFile("s0.raw")) == imported);
    EXPECT_FALSE(fileExists(dataFile("s1.raw")));
    // nor is a card made where its folder cannot be
    writeFile(root + "/plain", "x");
    EXPECT_EQ(card(root + "/plain"), 1);
    EXPECT_NE(messages.find("cannot create " + root + "/plain/"), std::string::npos) << messages;
}

// Patches the width and height in a PNG's header and mends the header's checksum.
std::string withDeclaredSize(std::string png, uint32_t w, uint32_t h) {
    for (int i = 0; i < 4; ++i) {
        png[16 + i] = static_cast<char>(w >> (24 - 8 * i));
        png[20 + i] = static_cast<char>(h >> (24 - 8 * i));
    }
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(png.data() + 12), 17);
    for (int i = 0; i < 4; ++i)
        png[29 + i] = static_cast<char>(crc >> (24 - 8 * i));
    return png;
}

// Hostile files: a clear message naming the file and why, and no picture written, not
// even those of the same command that were sound.
TEST_F(CardTest, RefusesBrokenPngFilesAndWritesNothing) {
    const std::string png = root + "/png/";
    makeDirs(png);
    auto grey = [](std::size_t i) { return static_cast<uint8_t>(i * 7); };
    writeTestPng(png + "good.png", W, H, PNG_FORMAT_GRAY, grey);
    writeTestPng(png + "small.png", 320, 240, PNG_FORMAT_GRAY, grey);
    writeTestPng(png + "short.png", 400, 240, PNG_FORMAT_GRAY, grey);
    const std::string good = readFile(png + "good.png");
    writeFile(png + "truncated.png", good.substr(0, good.size() / 2));
    writeFile(png + "bomb.png", withDeclaredSize(good, 1000000, 1000000));
    // narrow, but a bomb all the same
    writeFile(png + "tall.png", withDeclaredSize(good, 10, 100000));
    writeFile(png + "text.png", "not a picture\n");
    struct Case {
        const char* file;
        const char* reason;
    } cases[] = {{"truncated.png", "cut short"},
                 {"bomb.png", "declares 1000000x1000000"},
                 {"tall.png", "declares 10x100000"},
                 {"small.png", "320x240 but s2 is 400x256"},
                 {"short.png", "400x240 but s2 is 400x256"},
                 {"text.png", "no PNG file"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        // --scale lets any size through the size check; the file must still be refused.
        const bool sized = std::string(c.file) == "small.png" || std::string(c.file) == "short.png";
        const std::string scale = sized ? "" : " --scale";
        EXPECT_EQ(card("import " + root + scale + " s0=" + png + "good.png s2=" + png + c.file), 1);
        EXPECT_NE(messages.find(std::string(c.file) + ": "), std::string::npos) << messages;
        EXPECT_NE(messages.find(c.reason), std::string::npos) << messages;
        EXPECT_EQ(filesIn(dataDir()), std::set<std::string>{});
        // the reader refuses alike when called alone, as the window test's comparer does
        RgbPicture read;
        std::string error;
        EXPECT_EQ(readPng(png + c.file, 4096, read, error), sized);
        EXPECT_EQ(error.find(c.reason) != std::string::npos, !sized) << error;
    }
    // Asked to, the wrong size is scaled to the layout's.
    ASSERT_EQ(card("import --scale " + root + " s2=" + png + "small.png"), 0) << messages;
    EXPECT_EQ(fs::file_size(dataFile("s2.raw")), static_cast<uintmax_t>(W * H * 2));
    // and so is one wrong in its height alone
    ASSERT_EQ(card("import --scale " + root + " s2=" + png + "short.png"), 0) << messages;
    EXPECT_EQ(fs::file_size(dataFile("s2.raw")), static_cast<uintmax_t>(W * H * 2));
    // down to a single pixel, which fills the whole picture
    writeTestPng(png + "dot.png", 1, 1, PNG_FORMAT_GRAY, [](std::size_t) { return uint8_t{200}; });
    ASSERT_EQ(card("import --scale " + root + " s2=" + png + "dot.png"), 0) << messages;
    const std::vector<uint16_t> dot = picture("s2.raw");
    EXPECT_EQ(std::count(dot.begin(), dot.end(), rgb565(200, 200, 200)), W * H);
    // and up to the 4096 a side a card's picture may have
    for (const auto& [w, h] : {std::pair{1, 4096}, {4096, 1}}) {
        writeTestPng(png + "edge.png", w, h, PNG_FORMAT_GRAY, grey);
        EXPECT_EQ(card("import --scale " + root + " s2=" + png + "edge.png"), 0) << messages;
    }
    // Each row comes from the rows it covers alone: a picture black above its middle and
    // white below shrinks to one black above and white below, with no grey between.
    writeTestPng(png + "halves.png", 2 * W, 2 * H, PNG_FORMAT_GRAY,
                 [](std::size_t i) { return static_cast<uint8_t>(i / (2 * W) < H ? 0 : 255); });
    ASSERT_EQ(card("import --scale " + root + " s2=" + png + "halves.png"), 0) << messages;
    const std::vector<uint16_t> halves = picture("s2.raw");
    for (int y = 0; y < H; ++y)
        ASSERT_EQ(halves[y * W + W / 2], y < H / 2 ? 0x0000 : 0xFFFF) << "row " << y;
    // Shrunk, each pixel is the mean of the four it covers, rounded to the nearest: blocks
    // of 0, 0, 2, 255 and of 0, 0, 3, 255 by turns give 64 (of 64.25) and 65 (of 64.5).
    writeTestPng(png + "blocks.png", 2 * W, 2 * H, PNG_FORMAT_GRAY, [](std::size_t i) {
        const std::size_t x = i % (2 * W);
        return static_cast<uint8_t>(i / (2 * W) % 2 == 0 ? 0 : x % 2 ? 255 : 2 + x / 2 % 2);
    });
    ASSERT_EQ(card("import --scale --bpp 32 " + root + " s2=" + png + "blocks.png"), 0) << messages;
    const std::string shrunk = readFile(dataFile("s2.raw"));
    ASSERT_EQ(shrunk.size(), static_cast<std::size_t>(W * H * 4));
    for (std::size_t i = 0; i < shrunk.size(); i += 4)
        ASSERT_EQ(shrunk.substr(i, 4),
                  std::string(i / 4 % 2 ? "\x41\x41\x41\0" : "\x40\x40\x40\0", 4))
            << "pixel " << i / 4;
}

// A card for a 320 x 240 panel with 32-bit pixels: the layout is scaled, not the pictures,
// and the program shows it unscaled.
TEST_F(CardTest, MakesCardsForOtherPanels) {
    const mode_t mask = umask(022);
    ASSERT_EQ(card(root + " --size 320x240 --bpp 32"), 0) << messages;
    umask(mask);
    // readable by everyone, as the umask allows: a desktop copies the card as any user
    EXPECT_EQ(fs::status(dataFile("s0.raw")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::others_read);
    const std::string s0 = readFile(dataFile("s0.raw"));
    ASSERT_EQ(s0.size(), static_cast<std::size_t>(320 * 240 * 4));
    EXPECT_EQ(s0.substr(0, 4), std::string("\x39\x32\x2C\x00", 4)); // the body, 44 50 57
    resetProperties();
    loadLayout();
    EXPECT_EQ(layout.screenW[2], 320);
    EXPECT_EQ(layout.screenH[1], 240);
    const std::string environment = readFile(dataFile("environment.txt"));
    for (const char* size : {"E_SCREEN.0.BG.active.w: 320", "E_SCREEN.0.BG.active.h: 240",
                             "E_SCREEN.1.BG.active.w: 320", "E_SCREEN.1.BG.active.h: 240"})
        EXPECT_NE(environment.find(size), std::string::npos) << size << environment;
    const LayoutRect& exit = layout.buttons[BTN_EXIT]; // 315,5 77x50 of 400x256
    EXPECT_EQ((std::vector<int>{exit.x1, exit.y1, exit.x2, exit.y2, exit.layoutW}),
              (std::vector<int>{252, 5, 314, 52, 320}));
    EXPECT_EQ(layout.numFontSize, 23); // 29 by 0.8
    EXPECT_EQ(card("check " + root), 0) << messages;
    EXPECT_EQ(output, "pumpwright-card: the skin in " + std::string(dataDir()) + " is sound\n");
    // the depth the first picture shows is the one the others are weighed at
    const std::string s2 = readFile(dataFile("s2.raw"));
    writeFile(dataFile("s2.raw"), s2 + "x");
    EXPECT_EQ(card("check " + root), 1);
    writeFile(dataFile("s2.raw"), s2);
    EXPECT_EQ(messages,
              "E_SCREEN.2.BG.name: s2.raw holds 307201 bytes; 320x240 at 32 bits needs 307200\n");
    EXPECT_FALSE(fileExists(dataFile("properties.txt")));
    // Panels up to 4096 a side, down to one pixel; their pictures export as well.
    for (const std::string size : {"1x4096", "4096x1"}) {
        EXPECT_EQ(card(root + "/" + size + " --size " + size), 0) << size << ": " << messages;
        EXPECT_EQ(card("export " + root + "/" + size + " " + root + "/" + size + "-looks"), 0)
            << size << ": " << messages;
    }
    // a scaled layout that cannot be written is a failure, and no pictures are made for it
    const std::string stuck = root + "/stuck";
    fs::create_directories(stuck + "/mnt/sdcard/Pumpwright/environment.txt");
    EXPECT_EQ(card(stuck + " --size 480x272"), 1);
    EXPECT_NE(messages.find("cannot write " + stuck + "/mnt/sdcard/Pumpwright/environment.txt"),
              std::string::npos)
        << messages;
    EXPECT_FALSE(fileExists(stuck + "/mnt/sdcard/Pumpwright/s0.raw"));
    const std::string mixed = root + "/mixed";
    fs::create_directories(mixed + "/mnt/sdcard/Pumpwright");
    // a card whose stats screen was drawn twice as large: its text shrinks with that
    // screen, while the keypad's figures keep their size
    writeFile(mixed + "/mnt/sdcard/Pumpwright/environment.txt",
              "E_SCREEN.2.BG.w: 800\nE_SCREEN.2.BG.h: 512\nE_AREA.STATDISPLAY.x: 24\n"
              "E_AREA.STATDISPLAY.y: 22\nE_AREA.STATDISPLAY.w: 752\nE_AREA.STATDISPLAY.h: 462\n"
              "E_AREA.STATDISPLAY.text.fontsize: 24\nE_AREA.STATDISPLAY.bigtext.fontsize: 32\n"
              "E_AREA.STATDISPLAY.smalltext.fontsize: 20\n");
    ASSERT_EQ(card(mixed + " --size 400x256"), 0) << messages;
    const std::string scaled = readFile(mixed + "/mnt/sdcard/Pumpwright/environment.txt");
    for (const char* size : {"E_AREA.STATDISPLAY.text.fontsize: 12", "E_AREA.STATDISPLAY.x: 12",
                             "E_AREA.NUMINDISPLAY.fontsize: 29"})
        EXPECT_NE(scaled.find(size), std::string::npos) << size << scaled;
    EXPECT_EQ(card("check " + mixed), 0) << messages;
}

// Every fault is named by the key that causes it; the card maker refuses to draw from
// rectangles outside the picture and writes nothing.
TEST_F(CardTest, CheckNamesEveryFaultByItsKey) {
    // A folder that is not there, or holds no card, is one line, not a list of faults.
    EXPECT_EQ(card("check " + root + "/nowhere"), 1);
    EXPECT_EQ(messages, "pumpwright-card: " + root + "/nowhere does not exist\n");
    makeDirs(root + "/empty");
    EXPECT_EQ(card("check " + root + "/empty"), 1);
    EXPECT_EQ(messages.rfind("pumpwright-card: no card in " + root + "/empty: ", 0), 0u)
        << messages;
    EXPECT_EQ(messages.find('\n'), messages.size() - 1) << messages;
    ASSERT_EQ(card(root), 0) << messages;
    EXPECT_EQ(card("check " + root), 0) << messages;
    writeFile(dataFile("environment.txt"),
              "E_BUTTON.2.x: 20\n"                         // over key 1
              "E_BUTTON.EXIT.w: 500\n"                     // beyond the picture
              "E_BUTTON.SAVE.screen: 64\n"                 // no such screen
              "E_AREA.STATDISPLAY.smalltext.fontsize: 3\n" // too small
              "E_AREA.NUMINDISPLAY.fontsize: 90\n"         // taller than its area
              "E_SCREEN.1.BG.w: 480\n"                     // not the size of screen 0
              "E_SCREEN.1.BG.active.name: gone.raw\n"      // missing
              "E_FONT.name: s0.raw\n");                    // no font
    EXPECT_EQ(card("check " + root), 1);
    EXPECT_EQ(messages,
              "E_BUTTON.EXIT.w: reaches x 815, beyond the picture's width 400\n"
              "E_BUTTON.SAVE.screen: names screens beyond 0..4 (a sum of 1, 2, 4, 8, 16)\n"
              "E_SCREEN.1.BG.w: is 480x256 but whole screens are painted at 400x256 "
              "(E_SCREEN.0.BG.w, .h)\n"
              "E_SCREEN.1.BG.name: s1.raw holds 204800 bytes; 480x256 at 16 bits needs 245760\n"
              "E_SCREEN.1.BG.active.name: no picture gone.raw\n"
              "E_BUTTON.2.x: overlaps E_BUTTON.1 by 63x51 points on screen 0\n"
              "E_BUTTON.2.x: overlaps E_BUTTON.1 by 63x51 points on screen 1\n"
              "E_AREA.NUMINDISPLAY.fontsize: 90 pixels is taller than its area (30)\n"
              "E_AREA.STATDISPLAY.smalltext.fontsize: 3 pixels is too small to read (at least 7)\n"
              "E_FONT.name: s0.raw does not open with the device's font modules (FreeType error "
              "2)\n");

    // The limits themselves pass: keys overlapping by four points (edges count to both),
    // keys on the picture's edges, a number as tall as its area's 30 rows (y 16 to 45),
    // statistics text as tall as its 232, text of 7 pixels, a key on no screen. One point
    // more or less each is a fault, and so are a screen bit beyond the five screens, a key
    // starting on an edge, a picture one pixel short and a font that is not there.
    writeFile(dataFile("environment.txt"),
              "E_BUTTON.2.x: 79\nE_BUTTON.EXIT.w: 85\nE_AREA.NUMINDISPLAY.fontsize: 30\n"
              "E_AREA.STATDISPLAY.smalltext.fontsize: 7\nE_BUTTON.7.x: 0\nE_BUTTON.EXIT.y: 0\n"
              "E_BUTTON.CONFIG.h: 56\nE_AREA.STATDISPLAY.bigtext.fontsize: 232\n"
              "E_BUTTON.WHEELCHANGE.screen: 0\n");
    EXPECT_EQ(card("check " + root), 0) << messages;
    writeFile(dataFile("environment.txt"),
              "E_BUTTON.2.x: 78\nE_BUTTON.EXIT.w: 86\nE_AREA.NUMINDISPLAY.fontsize: 31\n"
              "E_AREA.STATDISPLAY.smalltext.fontsize: 6\nE_BUTTON.SAVE.screen: 32\n"
              "E_BUTTON.CONFIG.x: 400\nE_SCREEN.1.BG.h: 250\nE_BUTTON.CAR2.w: 0\n"
              "E_BUTTON.BIKE.h: 0\nE_BUTTON.STATS.screen: -1\nE_BUTTON.RECAP.y: 256\n"
              "E_AREA.STATDISPLAY.bigtext.fontsize: 233\nE_FONT.name: gone.ttf\n");
    const std::string s2 = readFile(dataFile("s2.raw"));
    writeFile(dataFile("s2.raw"), s2 + "x");
    EXPECT_EQ(card("check " + root), 1);
    writeFile(dataFile("s2.raw"), s2);
    EXPECT_EQ(messages,
              "E_BUTTON.EXIT.w: reaches x 401, beyond the picture's width 400\n"
              "E_BUTTON.CAR2.w: is not positive\n"
              "E_BUTTON.SAVE.screen: names screens beyond 0..4 (a sum of 1, 2, 4, 8, 16)\n"
              "E_BUTTON.BIKE.h: is not positive\n"
              "E_BUTTON.STATS.screen: names screens beyond 0..4 (a sum of 1, 2, 4, 8, 16)\n"
              "E_BUTTON.CONFIG.x: reaches x 477, beyond the picture's width 400\n"
              "E_BUTTON.RECAP.y: reaches y 306, beyond the picture's height 256\n"
              "E_SCREEN.1.BG.h: is 400x250 but whole screens are painted at 400x256 "
              "(E_SCREEN.0.BG.w, .h)\n"
              "E_SCREEN.1.BG.name: s1.raw holds 204800 bytes; 400x250 at 16 bits needs 200000\n"
              "E_SCREEN.1.BG.active.name: s1a.raw holds 204800 bytes; 400x250 at 16 bits needs "
              "200000\n"
              "E_SCREEN.2.BG.name: s2.raw holds 204801 bytes; 400x256 at 16 bits needs 204800\n"
              "E_BUTTON.2.x: overlaps E_BUTTON.1 by 5x51 points on screen 0\n"
              "E_BUTTON.2.x: overlaps E_BUTTON.1 by 5x51 points on screen 1\n"
              "E_AREA.NUMINDISPLAY.fontsize: 31 pixels is taller than its area (30)\n"
              "E_AREA.STATDISPLAY.bigtext.fontsize: 233 pixels is taller than its area (232)\n"
              "E_AREA.STATDISPLAY.smalltext.fontsize: 6 pixels is too small to read (at least 7)\n"
              "E_FONT.name: no font file gone.ttf\n");

    // Picture sizes from 1 to 4096 a side; the side out of range is named, and the
    // pictures of that screen are not weighed against it.
    writeFile(dataFile("environment.txt"), "E_SCREEN.1.BG.w: 4096\nE_SCREEN.1.BG.h: 1\n"
                                           "E_SCREEN.2.BG.w: 1\nE_SCREEN.2.BG.h: 4096\n");
    EXPECT_EQ(card("check " + root), 1);
    EXPECT_EQ(messages.find("not usable"), std::string::npos) << messages;
    writeFile(dataFile("environment.txt"),
              "E_SCREEN.0.BG.w: 4097\nE_SCREEN.1.BG.w: 4096\nE_SCREEN.1.BG.h: 0\n"
              "E_SCREEN.2.BG.w: 0\n");
    EXPECT_EQ(card("check " + root), 1);
    for (const char* line :
         {"E_SCREEN.0.BG.w: picture size 4097x256 is not usable",
          "E_SCREEN.1.BG.h: picture size 4096x0 is not usable (1 to 4096 a side)\n",
          "E_SCREEN.2.BG.w: picture size 0x256 is not usable"})
        EXPECT_NE(messages.find(line), std::string::npos) << messages;
    EXPECT_EQ(messages.find("s1.raw holds"), std::string::npos) << messages;
    // too tall a picture is named too, and no picture of such a card is exported
    writeFile(dataFile("environment.txt"), "E_SCREEN.0.BG.h: 4097\n");
    EXPECT_EQ(card("check " + root), 1);
    EXPECT_NE(messages.find("E_SCREEN.0.BG.h: picture size 400x4097 is not usable"),
              std::string::npos)
        << messages;
    EXPECT_EQ(card("export " + root + " " + root + "/tall"), 1);
    EXPECT_NE(messages.find("the picture sizes in environment.txt"), std::string::npos) << messages;
    // nor is such a card scaled to another panel: it has no size to scale from
    EXPECT_EQ(card(root + " --size 480x272"), 1);
    EXPECT_EQ(readFile(dataFile("environment.txt")), "E_SCREEN.0.BG.h: 4097\n");
    // the same for too wide a picture, of the last screen
    writeFile(dataFile("environment.txt"), "E_SCREEN.2.BG.w: 4097\n");
    EXPECT_EQ(card("export " + root + " " + root + "/wide"), 1);
    EXPECT_NE(messages.find("the picture sizes in environment.txt"), std::string::npos) << messages;

    // Absurd rectangles: a clear message and nothing drawn.
    const std::string s0 = readFile(dataFile("s0.raw"));
    writeFile(dataFile("environment.txt"), "E_BUTTON.1.x: -2000000000\nE_BUTTON.1.w: 2100000000\n"
                                           "E_AREA.STATDISPLAY.h: 99999\nE_BUTTON.2.y: -5\n");
    EXPECT_EQ(card(root), 1);
    EXPECT_NE(messages.find("E_BUTTON.1.x: lies left of the picture"), std::string::npos)
        << messages;
    EXPECT_NE(messages.find("E_AREA.STATDISPLAY.h: reaches y 100010"), std::string::npos)
        << messages;
    EXPECT_NE(messages.find("E_BUTTON.2.y: lies above the picture"), std::string::npos) << messages;
    EXPECT_TRUE(readFile(dataFile("s0.raw")) == s0);
}

TEST_F(CardTest, RejectsAMalformedCommandLine) {
    EXPECT_EQ(card(""), 2);
    EXPECT_EQ(card(root + " " + root), 2);
    EXPECT_EQ(card(root + " --font"), 2);
    EXPECT_EQ(card(root + " --size 3"), 2);
    EXPECT_EQ(card(root + " --bpp 24"), 2);
    EXPECT_EQ(card("import " + root + " s9=a.png"), 2);
    EXPECT_EQ(card("check"), 2);
    EXPECT_NE(messages.find("usage"), std::string::npos);
    EXPECT_FALSE(fileExists(dataFile("s0.raw")));
}

TEST_F(CardTest, AnswersHelpAndVersionAndNamesEachBadArgumentOnOneLine) {
    for (const std::string ask : {"--help", "-h", "import --help", "export -h", "check --help"}) {
        EXPECT_EQ(card(ask), 0) << ask;
        EXPECT_EQ(output.rfind("usage: pumpwright-card " + ask.substr(0, ask.find('-')), 0), 0u)
            << ask << ": " << output;
        EXPECT_EQ(messages, "") << ask;
    }
    EXPECT_EQ(card("--version"), 0);
    EXPECT_EQ(output, "pumpwright-card " PUMPWRIGHT_VERSION "\n");
    // each with the word the message must name
    const std::vector<std::pair<std::string, std::string>> bad = {
        {root + " --bpp 17", "not 17"},
        {root + " --size 3", "--size"},
        {root + " --size 0x240", "not 0x240"},
        {root + " --size 320x4097", "not 320x4097"},
        {root + " --size 4294967297x240", "not 4294967297x240"}, // no 1 by wrapping round
        {root + " --size 320x240x", "not 320x240x"},
        {root + " --colour red", "--colour"},
        {root + " " + root + "/b", root + "/b"},
        {"import " + root + " s9=a.png", "s9=a.png"},
        {"check " + root + " --bpp", "--bpp"},
        {"export --bpp 17 " + root + " " + root + "/o", "not 17"},
        {"export --colour red " + root + " " + root + "/o", "unknown option --colour"},
        {"export -f " + root + " " + root + "/o", "unknown option -f"}, // not a folder
        {"export " + root, "export wants DIR and OUTDIR"},
        {"import " + root, "import wants DIR and at least one SLOT=FILE.png"},
        // a command word alone is that command without its arguments, not a folder to fill
        {"import", "import wants DIR"},
        {"export", "export wants DIR and OUTDIR"}};
    for (const auto& [args, named] : bad) {
        // from the scratch root, where a word taken for a folder would be made
        EXPECT_EQ(card(args, "cd " + root + " && "), 2) << args;
        EXPECT_EQ(messages.rfind("pumpwright-card: ", 0), 0u) << messages;
        EXPECT_NE(messages.find(named), std::string::npos) << messages;
        EXPECT_EQ(messages.find('\n'), messages.size() - 1) << messages;
        EXPECT_EQ(output, "");
    }
    EXPECT_FALSE(fileExists(dataFile("s0.raw")));
}

} // namespace
#endif
