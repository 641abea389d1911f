#include "tools/sim/sim_window.h"

#include "app/app_state.h"
#include "app/main_loop.h"
#include "app/touch.h"
#include "display/framebuffer.h"
#include "tests/test_root.h"
#include "tools/sim/sim.h"

#include <SDL.h>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int ZOOM = 2;
constexpr uint16_t S0 = 0x1111, S0A = 0x2222; // the entry screen's pictures, plain colours

// Layout centres of the default buttons.
const std::map<std::string, std::pair<int, int>> BUTTONS = {
    {"1", {43, 80}},         {"2", {121, 80}},       {"3", {198, 80}},
    {"4", {43, 130}},        {"5", {121, 130}},      {"6", {198, 130}},
    {"7", {43, 177}},        {"8", {121, 177}},      {"9", {198, 177}},
    {"0", {121, 225}},       {".", {198, 225}},      {"DRIVEN", {276, 30}},
    {"REFILLED", {276, 80}}, {"PAID", {276, 130}},   {"SAVE", {276, 177}},
    {"EXIT", {353, 30}},     {"CONFIG", {353, 225}}, {"CAR1FUELFULL", {353, 80}},
};

class WindowTest : public RootTest {
  protected:
    void SetUp() override {
        RootTest::SetUp();
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        const uint16_t colours[] = {S0, S0A, 0x3333, 0x4444, 0x5555};
        const char* names[] = {"s0.raw", "s0a.raw", "s1.raw", "s1a.raw", "s2.raw"};
        for (int i = 0; i < 5; ++i) {
            std::string bytes;
            for (int p = 0; p < 400 * 256; ++p)
                bytes += std::string{char(colours[i] & 0xFF), char(colours[i] >> 8)};
            writeFile(dataFile(names[i]), bytes);
        }
        std::filesystem::copy_file(PW_TEST_FONT, dataFile("Diduz.ovo"));
    }
    void TearDown() override {
        closeSimWindow();
        closeFeeder();
        RootTest::TearDown();
    }

    void start(unsigned bitsPerPixel = 16, bool eventMode = false) {
        SimOptions options;
        options.root = root;
        options.bitsPerPixel = bitsPerPixel;
        options.eventMode = eventMode;
        std::string error;
        ASSERT_TRUE(prepareSimRoot(options, error)) << error;
        int status = 0;
        ASSERT_TRUE(startProgram(status));
        ASSERT_TRUE(openSimWindow(ZOOM, error)) << error;
    }

    // A mouse event at the window point that shows layout point (x, y).
    static void mouse(Uint32 type, int x, int y, Uint8 button = SDL_BUTTON_LEFT) {
        SDL_Event e{};
        e.type = type;
        const Uint32 id = SDL_GetWindowID(simWindow());
        if (type == SDL_MOUSEMOTION) {
            e.motion.windowID = id;
            e.motion.state = SDL_BUTTON_LMASK;
            e.motion.x = x * ZOOM + 1;
            e.motion.y = y * ZOOM + 1;
        } else {
            e.button.windowID = id;
            e.button.button = button;
            e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
            e.button.clicks = 1;
            e.button.x = x * ZOOM + 1;
            e.button.y = y * ZOOM + 1;
        }
        ASSERT_EQ(SDL_PushEvent(&e), 1);
    }
    static void click(const std::string& button) {
        const auto [x, y] = BUTTONS.at(button);
        mouse(SDL_MOUSEBUTTONDOWN, x, y);
        mouse(SDL_MOUSEBUTTONUP, x, y);
    }
    static void type(const std::string& keys) {
        for (char k : keys)
            click(std::string(1, k));
    }
    static void windowEvent(Uint8 event) {
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.event = event;
        e.window.windowID = SDL_GetWindowID(simWindow());
        ASSERT_EQ(SDL_PushEvent(&e), 1);
    }
    static uint16_t screenPixel(int x, int y) {
        const uint8_t* p = fb.mapping + pixelOffset(x, y);
        return static_cast<uint16_t>(p[0] | p[1] << 8);
    }
    // The window pixel as RGB888 (0xRRGGBB).
    static Uint32 windowPixel(int wx, int wy) {
        SDL_Renderer* renderer = SDL_GetRenderer(simWindow());
        const SDL_Rect one{wx, wy, 1, 1};
        Uint32 value = 0;
        EXPECT_EQ(SDL_RenderReadPixels(renderer, &one, SDL_PIXELFORMAT_RGB888, &value, 4), 0);
        return value & 0xFFFFFF;
    }
};

TEST_F(WindowTest, ClicksSaveARefillAndExitSaves) {
    start();
    type("412");
    click("DRIVEN");
    type("31.5");
    click("REFILLED");
    type("44.07");
    click("PAID");
    click("SAVE");
    click("EXIT");
    EXPECT_EQ(runSimWindow(), 0);
    const std::string log = readFile(dataFile("consumption.txt"));
    EXPECT_NE(log.find("\n1\t412.00\t31.50\t0.0\t44.07\t7.65\t"), std::string::npos) << log;
    EXPECT_TRUE(fileExists(dataFile("properties.txt")));
    EXPECT_EQ(fb.fd, -1);
    EXPECT_EQ(simWindow(), nullptr);
}

TEST_F(WindowTest, ClosingTheWindowIsAPowerOff) {
    start();
    click("CONFIG");
    type("55");
    click("CAR1FUELFULL");
    ASSERT_TRUE(handleWindowEvents(0));
    runPass();
    ASSERT_EQ(app.currentScreen, 1);
    windowEvent(SDL_WINDOWEVENT_CLOSE);
    EXPECT_EQ(runSimWindow(), 0);
    EXPECT_FALSE(app.exitRequested);
    EXPECT_FALSE(fileExists(dataFile("properties.txt"))); // the tank size is lost
    EXPECT_EQ(fb.fd, -1);
}

// A quit (Ctrl-C in the terminal that started the window, or the desktop's own) ends the
// simulator as the window's close button does.
TEST_F(WindowTest, AQuitEndsItLikeClosingTheWindow) {
    start();
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&quit), 1);
    ASSERT_FALSE(handleWindowEvents(0)) << "the quit left the window open";
    ASSERT_EQ(SDL_PushEvent(&quit), 1);
    EXPECT_EQ(runSimWindow(), 0);
    EXPECT_EQ(fb.fd, -1);
}

TEST_F(WindowTest, DraggingPressesWhereTheFingerIs) {
    start();
    click("1"); // the banner gives way at the first touch
    ASSERT_TRUE(handleWindowEvents(0));
    runPass();
    const auto [x3, y3] = BUTTONS.at("3");
    const auto [x2, y2] = BUTTONS.at("2");
    // a drag whose button went down outside the window (on its title bar) presses nothing
    mouse(SDL_MOUSEMOTION, x3, y3);
    mouse(SDL_MOUSEBUTTONUP, x3, y3);
    ASSERT_TRUE(handleWindowEvents(0));
    runPass();
    EXPECT_STREQ(app.inputText, "1");
    mouse(SDL_MOUSEBUTTONDOWN, x3, y3);
    mouse(SDL_MOUSEMOTION, x2, y2);
    ASSERT_TRUE(handleWindowEvents(0));
    runPass();
    EXPECT_EQ(screenPixel(x2, y2 - 20), S0A); // the finger is on 2 now
    EXPECT_EQ(screenPixel(x3, y3 - 20), S0);
    // the right button's release lifts nothing: the left one still holds the finger down
    mouse(SDL_MOUSEBUTTONUP, x2, y2, SDL_BUTTON_RIGHT);
    ASSERT_TRUE(handleWindowEvents(0));
    runPass();
    EXPECT_STREQ(app.inputText, "1");
    mouse(SDL_MOUSEBUTTONUP, x2, y2);
    ASSERT_TRUE(handleWindowEvents(0));
    runPass();
    EXPECT_STREQ(app.inputText, "12");
}

TEST_F(WindowTest, InputEventDeviceTakesTheClicksToo) {
    start(16, true);
    type("70");
    ASSERT_TRUE(handleWindowEvents(0));
    runPass();
    EXPECT_STREQ(app.inputText, "70");
    // a finger dragged off the bottom of the window slides to the screen's last row, off
    // the key, and lifts there: the key is let go untyped
    const auto [x0, y0] = BUTTONS.at("0");
    mouse(SDL_MOUSEBUTTONDOWN, x0, y0);
    mouse(SDL_MOUSEMOTION, x0, 256 + 20);
    mouse(SDL_MOUSEBUTTONUP, x0, 256 + 20);
    ASSERT_TRUE(handleWindowEvents(0));
    runPass();
    EXPECT_STREQ(app.inputText, "70");
    EXPECT_EQ(screenPixel(x0, y0 - 20), S0);

    // A click writes what a panel's driver would: each report, the lift's too, closed by a
    // SYN, since a reader such as evtest or tslib acts only at a report's end.
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    const int programs = feeder.fd;
    feeder.fd = ends[1];
    click("7");
    EXPECT_TRUE(handleWindowEvents(0));
    feeder.fd = programs;
    close(ends[1]);
    std::vector<std::vector<int>> written; // type, code, value (a position's left out)
    InputEvent32 e;
    while (read(ends[0], &e, sizeof e) == static_cast<ssize_t>(sizeof e))
        written.push_back({e.type, e.code, e.type == EV_ABS_TYPE ? 0 : e.value});
    close(ends[0]);
    const std::vector<std::vector<int>> expected{
        {EV_KEY_TYPE, BTN_TOUCH_CODE, 1}, {EV_ABS_TYPE, ABS_X_CODE, 0},
        {EV_ABS_TYPE, ABS_Y_CODE, 0},     {EV_SYN_TYPE, 0, 0},
        {EV_KEY_TYPE, BTN_TOUCH_CODE, 0}, {EV_SYN_TYPE, 0, 0}};
    EXPECT_EQ(written, expected);
}

TEST_F(WindowTest, ShowsTheFramebufferEnlarged) {
    for (unsigned bits : {16u, 32u}) {
        SCOPED_TRACE(bits);
        resetProcessState();
        start(bits);
        runPass();
        putPixel(10, 20, 255, 0, 0, 255);
        putPixel(11, 20, 0, 0, 255, 255);
        showFramebuffer();
        int w = 0, h = 0;
        SDL_GetWindowSize(simWindow(), &w, &h);
        EXPECT_EQ(w, 400 * ZOOM);
        EXPECT_EQ(h, 256 * ZOOM);
        // every screen pixel is a ZOOM x ZOOM square
        EXPECT_EQ(windowPixel(20, 40), 0xFF0000u);
        EXPECT_EQ(windowPixel(21, 41), 0xFF0000u);
        EXPECT_EQ(windowPixel(22, 40), 0x0000FFu);
        EXPECT_EQ(windowPixel(23, 41), 0x0000FFu);
        EXPECT_NE(windowPixel(24, 40), 0x0000FFu);
        // a window uncovered or resized is painted again at once, not at the next pass
        EXPECT_TRUE(handleWindowEvents(0)); // what SDL said of the window so far
        putPixel(10, 20, 0, 255, 0, 255);
        windowEvent(SDL_WINDOWEVENT_EXPOSED);
        EXPECT_TRUE(handleWindowEvents(0));
        EXPECT_EQ(windowPixel(20, 40), 0x00FF00u);
        putPixel(10, 20, 255, 255, 255, 255);
        windowEvent(SDL_WINDOWEVENT_SIZE_CHANGED);
        EXPECT_TRUE(handleWindowEvents(0));
        EXPECT_EQ(windowPixel(20, 40), 0xFFFFFFu);
        closeSimWindow();
        closeFeeder();
    }
}

// A panel of 2400 columns at the largest zoom is wider than SDL opens a window: that is
// said, not run unseen.
TEST_F(WindowTest, AWindowSdlRefusesIsAnError) {
    SimOptions options;
    options.root = root;
    options.width = 2400;
    options.sizeGiven = true;
    std::string error;
    ASSERT_TRUE(prepareSimRoot(options, error)) << error;
    int status = 0;
    ASSERT_TRUE(startProgram(status));
    EXPECT_FALSE(openSimWindow(MAX_ZOOM, error));
    EXPECT_EQ(error.rfind("SDL cannot open the window: ", 0), 0u) << error;
    EXPECT_EQ(simWindow(), nullptr);
}

TEST(WindowOptionsTest, WindowAndZoomAreCheckedWithTheOtherOptions) {
    auto parse = [](std::vector<const char*> args, SimOptions& options, std::string& error) {
        args.insert(args.begin(), "pumpwright-sim");
        return parseSimOptions(static_cast<int>(args.size()), args.data(), options, error);
    };
    SimOptions options;
    std::string error;
    ASSERT_TRUE(parse({"--window", "--root", "/tmp/card", "--zoom", "3"}, options, error));
    EXPECT_TRUE(options.window);
    EXPECT_EQ(options.zoom, 3);
    EXPECT_EQ(options.root, "/tmp/card");

    const std::vector<std::vector<const char*>> refused{
        {"--root", "r", "--zoom", "2"},
        {"--root", "r", "--window", "--zoom", "0"},
        {"--root", "r", "--window", "--zoom", "9"},
        {"--root", "r", "--window", "--zoom", "2x"},
        {"--root", "r", "--window", "--script", "s"},
        {"--window"},
    };
    for (const auto& args : refused) {
        SimOptions o;
        EXPECT_FALSE(parse(args, o, error)) << args.size();
        EXPECT_FALSE(error.empty());
    }
}

} // namespace
