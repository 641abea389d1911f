// What a damaged, hand-edited or full card once did to the program, each case built from
// the file or the state that showed it: the program must neither crash, nor stall, nor
// tear or lose what the card holds.
#include "app/app_state.h"
#include "app/entry.h"
#include "app/main_loop.h"
#include "app/stats_view.h"
#include "base/debug_log.h"
#include "display/framebuffer.h"
#include "display/image.h"
#include "display/text.h"
#include "props/layout.h"
#include "props/properties.h"
#include "props/property_files.h"
#include "records/consumption_log.h"
#include "records/event_log.h"
#include "tests/program_fixture.h"
#include "testsupport/image_reference.h"

#include <climits>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>

namespace {

using HostileCard = ProgramTest;

// The number display's default text colour (89, 98, 75) in RGB565.
constexpr uint16_t TEXT_565 = 0x5B09;

// A BDF font whose "0" has a bounding box but no BITMAP section: FreeType hands it over
// with 8 rows, pitch 0 and no pixels. "1" is a whole glyph.
const char* const GLYPH_WITHOUT_BITMAP =
    "STARTFONT 2.1\n"
    "FONT -test-broken-medium-r-normal--8-80-75-75-c-80-iso10646-1\n"
    "SIZE 8 75 75\n"
    "FONTBOUNDINGBOX 4 8 0 -1\n"
    "CHARS 2\n"
    "STARTCHAR zero\nENCODING 48\nSWIDTH 500 0\nDWIDTH 5 0\n"
    "BBX 4 8 0 -1\nENDCHAR\n"
    "STARTCHAR one\nENCODING 49\nSWIDTH 500 0\nDWIDTH 5 0\n"
    "BBX 4 8 0 -1\nBITMAP\nF0\nF0\nF0\nF0\nF0\nF0\nF0\nF0\n"
    "ENDCHAR\nENDFONT\n";

// Runs the next SAVE or EXIT on a card that takes `room` more bytes per file.
class FullCard {
  public:
    explicit FullCard(rlim_t room) {
        getrlimit(RLIMIT_FSIZE, &saved);
        handler = signal(SIGXFSZ, SIG_IGN);
        struct rlimit full = saved;
        full.rlim_cur = room;
        setrlimit(RLIMIT_FSIZE, &full);
    }
    ~FullCard() {
        setrlimit(RLIMIT_FSIZE, &saved);
        signal(SIGXFSZ, handler);
    }

  private:
    struct rlimit saved;
    void (*handler)(int);
};

TEST_F(HostileCard, GlyphWithoutPixelsIsSkipped) {
    prepare();
    writeFile(dataFile("Broken.bdf"), GLYPH_WITHOUT_BITMAP);
    writeFile(dataFile("environment.txt"), "E_FONT.name: Broken.bdf\n");
    start();
    for (int turn = 0; turn < 4; ++turn) {
        fb.quarterTurn = turn & 1;
        fb.halfTurn = turn & 2;
        drawText(0, 0, 400, 256, "0101", "Broken.bdf", 8, 0, 0, 0, 0, 255, 255, 255);
    }
    fb.quarterTurn = fb.halfTurn = false;
    setProperty("P_ROT90", "0");
    runPass(); // the banner holds a 0
    std::snprintf(app.inputText, INPUT_TEXT_SIZE, "10");
    app.showBanner = false;
    app.fullRedrawRequested = true;
    runPass();
    EXPECT_GT(count(20, 16, 221, 44, TEXT_565), 8); // the 1 is there
    EXPECT_EQ(debugLogText().find("Glyph"), std::string::npos) << debugLogText();
}

// A log that cannot be read (here a folder in its place) ends the reading of this pass
// like the end of the file; it is logged once, and every screen still draws.
TEST_F(HostileCard, UnreadableLogIsLoggedAndTheStatisticsCarryOn) {
    makeDirs(dataFile("consumption.txt"));
    start();
    for (int screen : {2, 3, 4, 2, 3, 4}) {
        app.currentScreen = screen;
        app.fullRedrawRequested = true;
        runPass();
    }
    // twelve readings in six passes: the first and the tenth leave a line
    EXPECT_EQ(debugLogText(), "### Error reading consumption.txt\n"
                              "### repeated 10 times: Error reading consumption.txt\n");

    std::istringstream fine("1\t100\t5\n");
    std::ifstream folder(dataFile("consumption.txt"));
    EXPECT_EQ(nextRecordLine(folder, 1), 0);
    resetDebugLog();
    const std::string logged = debugLogText();
    EXPECT_EQ(nextRecordLine(folder, 1), 0); // a stream gone bad is not read again
    EXPECT_EQ(debugLogText(), logged);
    EXPECT_GT(nextRecordLine(fine, 1), 0);
}

// Rectangles reaching the ends of int: the copy visits only pixels it writes, and shows
// what the per-pixel reference shows.
TEST_F(HostileCard, FarOffRectanglesCopyOnlyTheirVisiblePart) {
    for (const char* environment :
         {"E_BUTTON.CAR1.w: -2147483648\n", "E_SCREEN.0.BG.h: 0\nE_BUTTON.CAR1.y: -1\n",
          "E_SCREEN.0.BG.w: 0\nE_BUTTON.CAR1.x: -1\n"}) {
        resetProcessState();
        writeFile(dataFile("environment.txt"), environment);
        start();
        app.currentScreen = 0;
        runPass();
        queueTap(5, 5); // a touch anywhere paints the vehicle button again
        runPass();
    }
    std::vector<uint8_t> picture(400 * 256 * 2, 0x77);
    const Image image{picture.data(), picture.size()};
    const int far[][4] = {{INT_MIN, 0, 100, 200}, {0, -(1 << 28), 50, 10}, {-5, 3, INT_MAX, 9}};
    for (const auto& r : far) {
        std::memset(fb.mapping, 0x5A, fb.mappingLength);
        copyImageRegion(r[0], r[1], r[2], r[3], 400, 256, 400, 256, image);
        const std::string fast(reinterpret_cast<char*>(fb.mapping), fb.mappingLength);
        std::memset(fb.mapping, 0x5A, fb.mappingLength);
        copyImageRegionPerPixel(r[0], r[1], r[2], r[3], 400, 256, 400, 256, image);
        EXPECT_TRUE(fast == std::string(reinterpret_cast<char*>(fb.mapping), fb.mappingLength));
    }
}

// Sizes beyond any panel are held where they are read; the recap's row height from the
// largest int overflowed.
TEST_F(HostileCard, HugeTextSizesAreBounded) {
    writeFile(dataFile("environment.txt"), "E_AREA.STATDISPLAY.smalltext.fontsize: 2147483647\n"
                                           "E_AREA.STATDISPLAY.text.fontsize: -2147483648\n"
                                           "E_AREA.NUMINDISPLAY.fontsize: 40000\n");
    writeFile(dataFile("consumption.txt"), "1\t100\t5\t0\t9\n1\t200\t9\t0\t20\n");
    start();
    EXPECT_EQ(layout.smallTextSize, MAX_TEXT_SIZE);
    EXPECT_EQ(layout.textSize, -MAX_TEXT_SIZE);
    EXPECT_EQ(layout.numFontSize, 40000);
    for (int screen : {4, 2, 3, 0}) {
        app.currentScreen = screen;
        app.fullRedrawRequested = true;
        runPass();
    }
    // and the user's text is written back as it was
    saveProperties();
    EXPECT_NE(readFile(dataFile("environment.txt"))
                  .find("E_AREA.STATDISPLAY.smalltext.fontsize: 2147483647\n"),
              std::string::npos);
}

// A settings file that is there but cannot be read is not written over with defaults,
// and EXIT says so; a missing one still starts from the defaults. The read error: a link
// to the process's own memory, whose first page is not mapped (EIO).
TEST_F(HostileCard, UnreadableSettingsAreNotWrittenOver) {
    std::filesystem::create_symlink("/proc/self/mem", dataFile("properties.txt"));
    start();
    EXPECT_EQ(debugLogText(), "### Error reading properties.txt\n");
    EXPECT_TRUE(dispatch(0, 353, 30)); // EXIT
    EXPECT_STREQ(app.inputText, NOT_SAVED_TEXT);
    EXPECT_FALSE(app.exitRequested);
    EXPECT_TRUE(std::filesystem::is_symlink(dataFile("properties.txt")));
    EXPECT_TRUE(fileExists(dataFile("environment.txt")));
    EXPECT_TRUE(dispatch(0, 353, 30)); // EXIT again ends all the same
    EXPECT_TRUE(app.exitRequested);
    // nothing was written, and the log says why
    EXPECT_NE(debugLogText().find("### properties.txt left as it was: it could not be read\n"),
              std::string::npos);
    EXPECT_EQ(debugLogText().find("Error writing"), std::string::npos);

    // One that cannot even be opened (a link to itself, which stops root too) is no
    // missing one either.
    resetProcessState();
    std::filesystem::remove(dataFile("properties.txt"));
    std::filesystem::create_symlink("properties.txt", dataFile("properties.txt"));
    start();
    EXPECT_TRUE(dispatch(0, 353, 30));
    EXPECT_STREQ(app.inputText, NOT_SAVED_TEXT);
    EXPECT_FALSE(app.exitRequested);
    EXPECT_TRUE(std::filesystem::is_symlink(dataFile("properties.txt")));

    resetProcessState();
    std::filesystem::remove(dataFile("properties.txt"));
    std::filesystem::remove(dataFile("environment.txt"));
    start();
    EXPECT_TRUE(dispatch(0, 353, 30));
    EXPECT_STREQ(app.inputText, "ok");
    EXPECT_TRUE(app.exitRequested);
}

// A refused EXIT ends the entry typed before it as a refused SAVE does: the next key
// starts a new one rather than going on with "1.5" (whose point would swallow the next).
TEST_F(HostileCard, RefusedExitEndsTheEntryTypedBeforeIt) {
    std::filesystem::create_symlink("/proc/self/mem", dataFile("properties.txt"));
    start();
    for (char key : std::string("1.5"))
        digitAction(key);
    EXPECT_TRUE(dispatch(0, 353, 30)); // EXIT
    ASSERT_STREQ(app.inputText, NOT_SAVED_TEXT);
    for (char key : std::string(".5"))
        digitAction(key);
    EXPECT_STREQ(app.inputText, "0.5");
    EXPECT_EQ(takeEntry(0.0), 0.5);
}

// EXIT on a full card: the old settings stay whole, the user is told, and EXIT once the
// card has room saves them.
TEST_F(HostileCard, ExitOnAFullCardSaysNotSaved) {
    writeFile(dataFile("properties.txt"), "P_CAR1FUELFULL: 40\n");
    start();
    setProperty("P_CAR1FUELFULL", "55");
    {
        FullCard full(20);
        EXPECT_TRUE(dispatch(0, 353, 30));
    }
    EXPECT_STREQ(app.inputText, NOT_SAVED_TEXT);
    EXPECT_FALSE(app.exitRequested);
    EXPECT_EQ(readFile(dataFile("properties.txt")), "P_CAR1FUELFULL: 40\n");
    EXPECT_FALSE(fileExists(dataFile("properties.txt.new")));
    runPass();
    EXPECT_GT(count(20, 16, 221, 44, TEXT_565), 20); // the text is on the screen

    EXPECT_TRUE(dispatch(0, 353, 30));
    EXPECT_STREQ(app.inputText, "ok");
    EXPECT_TRUE(app.exitRequested);
    EXPECT_NE(readFile(dataFile("properties.txt")).find("P_CAR1FUELFULL: 55\n"), std::string::npos);
}

// A vehicle text with a tab or a line feed would split the record and forge another.
TEST_F(HostileCard, VehicleTextCannotForgeRecords) {
    writeFile(dataFile("properties.txt"), "P_DEFAULTVEHICLE: 1\\n2\\t900\\t10\\t0\\t10\n");
    start();
    ASSERT_TRUE(writeConsumptionRecord({412, 31.5, 55.44, 7.65}));
    ASSERT_TRUE(writeTireChange("45000"));
    for (const char* name : {"consumption.txt", "events.txt"}) {
        std::ifstream in(dataFile(name));
        EXPECT_GT(nextRecordLine(in, 1), 0) << name;
        EXPECT_EQ(std::strncmp(scratchText, "1\t", 2), 0) << name;
        EXPECT_EQ(nextRecordLine(in, 1), 0) << name;
        std::ifstream again(dataFile(name));
        EXPECT_EQ(nextRecordLine(again, 2), 0) << name;
    }
}

} // namespace
