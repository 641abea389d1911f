// The card maker, run as the program people use.
#ifdef PW_CARD_TOOL
#include "base/paths.h"
#include "props/layout.h"
#include "tests/test_root.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <sys/wait.h>
#include <vector>

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
    int card(const std::string& args) {
        const std::string errors = root + "/card-stderr.txt";
        const std::string out = root + "/card-stdout.txt";
        const std::string command =
            std::string(PW_CARD_TOOL) + " " + args + " >" + out + " 2>" + errors;
        const int status = std::system(command.c_str());
        messages = readFile(errors);
        output = readFile(out);
        fs::remove(errors);
        fs::remove(out);
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
    ASSERT_EQ(card("'" + dir + "'"), 0) << messages;
    const std::string data = dir + "/mnt/sdcard/Pumpwright/";
    EXPECT_EQ(filesIn(data), (std::set<std::string>{"s0.raw", "s0a.raw", "s1.raw", "s1a.raw",
                                                    "s2.raw", "Diduz.ovo"}));
    for (const char* name : PICTURES)
        EXPECT_EQ(fs::file_size(data + name), static_cast<uintmax_t>(W * H * 2)) << name;
    EXPECT_EQ(readFile(data + "Diduz.ovo"), readFile(PW_TEST_FONT));
    // Only the data directory: no device file, no property file, no log.
    EXPECT_EQ(filesIn(dir), std::set<std::string>{"mnt"});
}

// Every button on a picture has a label of its own; its active look differs over most of
// its rectangle, and nothing outside the buttons changes between the two pictures.
void checkButtons(const std::vector<uint16_t>& normal, const std::vector<uint16_t>& active,
                  int screen) {
    loadLayout(); // the rectangles the program will use, from the card's environment
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
}

TEST_F(CardTest, RejectsAMalformedCommandLineNamingTheProblemOnOneLine) {
    const std::pair<std::string, std::string> bad[] = {
        {"", "DIR is missing"},
        {root + " " + root, "one DIR only"},
        {root + " --font", "--font needs a FILE"},
        {root + " --size 3", "unknown option --size"}};
    for (const auto& [args, problem] : bad) {
        EXPECT_EQ(card(args), 2) << args;
        EXPECT_EQ(messages.find("pumpwright-card: " + problem), 0u) << messages;
        EXPECT_EQ(messages.find('\n'), messages.size() - 1) << messages;
    }
    EXPECT_FALSE(fileExists(dataFile("s0.raw")));
}

TEST_F(CardTest, AnswersHelpAndVersionOnStandardOutput) {
    EXPECT_EQ(card(root + " --help"), 0);
    EXPECT_EQ(output.rfind("usage: pumpwright-card DIR", 0), 0u) << output;
    EXPECT_EQ(card("--version"), 0);
    EXPECT_EQ(output, "pumpwright-card " PUMPWRIGHT_VERSION "\n");
    EXPECT_EQ(messages, "");
    EXPECT_FALSE(fileExists(dataFile("s0.raw")));
}

} // namespace
#endif
