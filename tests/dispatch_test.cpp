#include "app/app_state.h"
#include "app/dispatch.h"
#include "app/main_loop.h"
#include "display/framebuffer.h"
#include "props/layout.h"
#include "props/properties.h"
#include "tests/program_fixture.h"

#include <cstring>
#include <utility>

namespace {

// Screen and layout are the same grid on the default 400 x 256 panel.
using Dispatch = ProgramTest;

// Pixels of a default 77 x 50 button at (x, y) that show value.
int buttonPixels(int x, int y, uint16_t value) {
    return ProgramTest::count(x, y, x + 76, y + 49, value);
}
constexpr int BUTTON_AREA = 77 * 50;

TEST_F(Dispatch, TouchToLayoutScalesByThePanelAndTurns) {
    loadLayout();
    fb.xres = 800;
    fb.yres = 480;
    Point p = touchToLayout(0, 0);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);
    p = touchToLayout(799, 479);
    EXPECT_EQ(p.x, 399);
    EXPECT_EQ(p.y, 255);
    p = touchToLayout(401, 241); // (401.5 * 0.5, 241.5 * 256 / 480)
    EXPECT_EQ(p.x, 200);
    EXPECT_EQ(p.y, 128);

    // a quarter-turned 480 x 800 panel: x still gives the layout x, over the long side
    fb.xres = 480;
    fb.yres = 800;
    fb.quarterTurn = true;
    p = touchToLayout(799, 479);
    EXPECT_EQ(p.x, 399);
    EXPECT_EQ(p.y, 255);

    // the half turn mirrors: the panel's top-left corner is the layout's bottom right
    fb.quarterTurn = false;
    fb.halfTurn = true;
    fb.xres = 400;
    fb.yres = 256;
    p = touchToLayout(0, 0);
    EXPECT_EQ(p.x, 399);
    EXPECT_EQ(p.y, 255);
    p = touchToLayout(-1, -1); // truncation toward zero: -0.5 counts as 0
    EXPECT_EQ(p.x, 399);
    EXPECT_EQ(p.y, 255);
    fb = FrameBuffer{};
}

TEST_F(Dispatch, PressHighlightFollowsTheFinger) {
    start();
    runPass();
    EXPECT_EQ(buttonPixels(5, 55, PIC_S0_VALUE), BUTTON_AREA);

    EXPECT_TRUE(dispatch(255, 40, 80)); // button 1 pressed
    EXPECT_EQ(buttonPixels(5, 55, PIC_S0A_VALUE), BUTTON_AREA);
    EXPECT_STREQ(app.inputText, "0"); // nothing runs on press

    // the same button again is not painted again
    setPixel(40, 80, 0xBEEF);
    EXPECT_TRUE(dispatch(255, 41, 81));
    EXPECT_EQ(pixel(40, 80), 0xBEEF);

    // sliding to button 2 moves the highlight
    EXPECT_TRUE(dispatch(255, 120, 80));
    EXPECT_EQ(buttonPixels(5, 55, PIC_S0_VALUE), BUTTON_AREA);
    EXPECT_EQ(buttonPixels(83, 55, PIC_S0A_VALUE), BUTTON_AREA);

    // sliding off every target takes it away
    EXPECT_TRUE(dispatch(255, 396, 253));
    EXPECT_EQ(buttonPixels(83, 55, PIC_S0_VALUE), BUTTON_AREA);
    EXPECT_TRUE(sameTarget(app.highlightedButton, NO_BUTTON));
    // nothing to take away the second time, and lifting there runs nothing
    EXPECT_FALSE(dispatch(255, 396, 253));
    EXPECT_FALSE(dispatch(0, 396, 253));
    EXPECT_STREQ(app.inputText, "0");
}

TEST_F(Dispatch, ReleaseOnAnotherButtonRepaintsOnlyThatOne) {
    start();
    runPass();
    dispatch(255, 40, 80);                                      // press 1
    EXPECT_TRUE(dispatch(0, 120, 80));                          // lift over 2
    EXPECT_STREQ(app.inputText, "2");                           // 2's action ran
    EXPECT_EQ(buttonPixels(5, 55, PIC_S0A_VALUE), BUTTON_AREA); // 1 stays until a full redraw
    EXPECT_TRUE(sameTarget(app.highlightedButton, NO_BUTTON));
}

TEST_F(Dispatch, FirstSampleClearsTheBannerWhateverItHits) {
    start();
    runPass();
    ASSERT_TRUE(app.showBanner);
    EXPECT_FALSE(dispatch(255, 396, 253)); // nothing hit, nothing painted
    EXPECT_FALSE(app.showBanner);
    EXPECT_TRUE(app.fullRedrawRequested);
}

TEST_F(Dispatch, ClearKeyClearsTheEntryWithAFullRedraw) {
    start();
    dispatch(0, 40, 80);
    dispatch(0, 198, 225); // DOT
    runPass();
    EXPECT_STREQ(app.inputText, "1.");
    EXPECT_TRUE(app.decimalEntered);
    EXPECT_FALSE(app.fullRedrawRequested);
    dispatch(0, 40, 225); // C
    EXPECT_STREQ(app.inputText, "0");
    EXPECT_EQ(app.inputLength, 0);
    EXPECT_FALSE(app.decimalEntered);
    EXPECT_TRUE(app.fullRedrawRequested);
}

TEST_F(Dispatch, DigitErasesTheNumberDisplay) {
    start();
    runPass();
    setPixel(100, 30, 0xBEEF); // inside the number display
    EXPECT_TRUE(dispatch(0, 40, 80));
    EXPECT_EQ(pixel(100, 30), PIC_S0_VALUE);
    EXPECT_FALSE(app.refreshNumberDisplay);
}

TEST_F(Dispatch, ExitSavesAndAsksTheLoopToEnd) {
    start();
    runPass();
    setPixel(100, 30, 0xBEEF);
    EXPECT_TRUE(dispatch(0, 353, 30));
    EXPECT_TRUE(app.exitRequested);
    EXPECT_STREQ(app.inputText, "ok");
    EXPECT_EQ(pixel(100, 30), PIC_S0_VALUE);
    EXPECT_TRUE(fileExists(dataFile("properties.txt")));
    EXPECT_TRUE(fileExists(dataFile("environment.txt")));
}

TEST_F(Dispatch, ModeButtonsStoreTheirSettings) {
    start();
    app.currentScreen = 1;
    dispatch(0, 276, 80); // DISTPERFUEL
    EXPECT_STREQ(getProperty("P_DEFAULTFUELDISTMODE", "0"), "1");
    app.fullRedrawRequested = false;
    dispatch(0, 276, 130); // TOTALDIST for the selected car 1
    EXPECT_STREQ(getProperty("P_DEFAULTODOMETERMODE.1", "0"), "1.0");
    EXPECT_TRUE(app.fullRedrawRequested);
    // and their partners set them back
    dispatch(0, 276, 30); // FUELPER100DIST
    EXPECT_STREQ(getProperty("P_DEFAULTFUELDISTMODE", "1"), "0");
    dispatch(0, 276, 177); // TRIPDIST
    EXPECT_STREQ(getProperty("P_DEFAULTODOMETERMODE.1", "1.0"), "0.0");
    dispatch(0, 353, 30); // BACK
    EXPECT_EQ(app.currentScreen, 0);
    // each vehicle button selects its own vehicle
    for (const auto& [y, vehicle] : {std::pair{130, "2"}, {177, "0"}, {80, "1"}}) {
        dispatch(0, 353, y);
        EXPECT_STREQ(getProperty("P_DEFAULTVEHICLE", "1"), vehicle) << y;
    }
}

TEST_F(Dispatch, SharedBorderGoesToTheEarlierButtonInHitOrder) {
    start();
    // RECAP (315..392, 200..250) shares x 315 with TIRES and y 200..202 with BIKE's
    // tank size: on those lines it is the recap the user gets
    for (const Point p : {Point{315, 225}, Point{353, 201}, Point{315, 201}}) {
        app.currentScreen = 1;
        dispatch(255, p.x, p.y);
        dispatch(0, p.x, p.y);
        EXPECT_EQ(app.currentScreen, 4) << p.x << "," << p.y;
    }
    EXPECT_FALSE(fileExists(dataFile("events.txt"))); // no tire change recorded
}

TEST_F(Dispatch, PressureUpTo127IsALiftFrom128ATouch) {
    start();
    runPass();
    dispatch(128, 43, 80); // key 1: pressed, nothing typed yet
    EXPECT_EQ(buttonPixels(5, 55, PIC_S0A_VALUE), BUTTON_AREA);
    EXPECT_STREQ(app.inputText, "0");
    dispatch(127, 43, 80); // lifted: the key acts
    EXPECT_EQ(buttonPixels(5, 55, PIC_S0_VALUE), BUTTON_AREA);
    EXPECT_STREQ(app.inputText, "1");
}

// A key reaches to its last column and line: DOT's bottom right corner (237, 250) and
// key 1's top left (5, 55) type as the keys.
TEST_F(Dispatch, KeysReachToTheirCorners) {
    start();
    for (const Point p : {Point{237, 250}, Point{5, 55}}) {
        dispatch(255, p.x, p.y);
        dispatch(0, p.x, p.y);
    }
    EXPECT_STREQ(app.inputText, "0.1");
}

TEST_F(Dispatch, DeadButtonIsSkipped) {
    writeFile(dataFile("environment.txt"), "E_BUTTON.EXIT.screen: 0\n");
    start();
    EXPECT_FALSE(dispatch(0, 353, 30));
    EXPECT_FALSE(app.exitRequested);
}

} // namespace
