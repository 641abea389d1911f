#include "app/app_state.h"
#include "app/main_loop.h"
#include "base/paths.h"
#include "display/framebuffer.h"
#include "props/properties.h"
#include "tests/program_fixture.h"

#include <filesystem>

namespace {

using MainLoop = ProgramTest;

// The number display's default text colour (89, 98, 75) in RGB565.
constexpr uint16_t TEXT_565 = 0x5B09;

int buttonPixels(int x, int y, uint16_t value) {
    return ProgramTest::count(x, y, x + 76, y + 49, value);
}
constexpr int BUTTON_AREA = 77 * 50;

TEST_F(MainLoop, MissingDevicesEndTheProgramNormally) {
    int status = 99;
    EXPECT_FALSE(startProgram(status)); // no framebuffer
    EXPECT_EQ(status, 0);
    EXPECT_EQ(touch.fd, -1);

    prepare();
    std::filesystem::remove(rootedPath(TS_DEVICE));
    status = 99;
    EXPECT_FALSE(startProgram(status)); // no touchscreen
    EXPECT_EQ(status, 0);
    EXPECT_NE(debugLogText().find("### Error opening ts!\n"), std::string::npos);
    EXPECT_EQ(fb.fd, -1); // closed again on the way out
}

TEST_F(MainLoop, FailedPictureEndsAtOnceWithItsStatus) {
    prepare();
    std::filesystem::remove(dataFile("s1a.raw"));
    std::filesystem::remove(dataFile("s2.raw"));
    int status = 0;
    EXPECT_FALSE(startProgram(status));
    EXPECT_EQ(status, -4);
    // the screen 2 picture was not tried
    EXPECT_EQ(debugLogText(), "### Error opening image!\n### s1ia broken!\n");
    // the screen and the touchscreen opened before it are closed again
    EXPECT_EQ(fb.fd, -1);
    EXPECT_EQ(touch.fd, -1);
}

TEST_F(MainLoop, PassWithoutRequestDrawsNothing) {
    start();
    queueTap(396, 253); // hits nothing, but clears the banner
    runPass();
    runPass();
    setPixel(100, 30, 0xBEEF);
    setPixel(353, 80, 0xBEEF);
    queue(255, 396, 253); // pressed outside every target, nothing highlighted
    runPass();
    EXPECT_EQ(pixel(100, 30), 0xBEEF);
    EXPECT_EQ(pixel(353, 80), 0xBEEF);
}

TEST_F(MainLoop, EachVehiclePaintsItsOwnButtonAndAnUnknownOneNone) {
    start();
    for (const auto& [vehicle, y] : {std::pair{"0", 152}, {"1", 55}, {"2", 105}}) {
        setProperty("P_DEFAULTVEHICLE", vehicle);
        app.fullRedrawRequested = true;
        runPass();
        EXPECT_EQ(buttonPixels(315, y, PIC_S0A_VALUE), BUTTON_AREA) << vehicle;
        EXPECT_EQ(count(315, 55, 391, 201, PIC_S0A_VALUE), BUTTON_AREA) << vehicle;
    }
    setProperty("P_DEFAULTVEHICLE", "3");
    app.fullRedrawRequested = true;
    runPass();
    EXPECT_EQ(buttonPixels(315, 55, PIC_S0_VALUE), BUTTON_AREA);
    EXPECT_EQ(buttonPixels(315, 105, PIC_S0_VALUE), BUTTON_AREA);
    EXPECT_EQ(buttonPixels(315, 152, PIC_S0_VALUE), BUTTON_AREA);
    EXPECT_NE(debugLogText().find("get: Unknown OdometerMode-vehicle: 3"), std::string::npos);
}

// A skin may give the settings screen a size of its own, but every whole screen is
// painted at the first screen's: the settings size must not stretch the entry picture.
TEST_F(MainLoop, WholeScreensArePaintedAtTheFirstScreensSize) {
    prepare();
    writeFile(dataFile("environment.txt"), "E_SCREEN.1.BG.w: 480\nE_SCREEN.1.BG.h: 300\n");
    start();
    runPass();
    EXPECT_EQ(count(0, 206, 399, 255, PIC_S0_VALUE), 400 * 50);
}

TEST_F(MainLoop, SettingsScreenShowsModesAndFuelFullValues) {
    start();
    app.currentScreen = 1;
    setProperty("P_CAR1FUELFULL", "45.0");
    setProperty("P_CAR2FUELFULL", "0.0");
    app.enteredFuel = 3; // REFILLED is not on this screen: nothing painted for it
    runPass();
    EXPECT_EQ(buttonPixels(238, 5, PIC_S1A_VALUE), BUTTON_AREA);   // FUELPER100DIST
    EXPECT_EQ(buttonPixels(238, 152, PIC_S1A_VALUE), BUTTON_AREA); // TRIPDIST
    EXPECT_EQ(buttonPixels(315, 55, PIC_S1A_VALUE), BUTTON_AREA);  // CAR1FUELFULL
    EXPECT_EQ(buttonPixels(315, 105, PIC_S1_VALUE), BUTTON_AREA);  // CAR2FUELFULL
    EXPECT_EQ(buttonPixels(238, 55, PIC_S1_VALUE), BUTTON_AREA);   // DISTPERFUEL
    EXPECT_EQ(count(0, 0, 399, 255, PIC_S1A_VALUE), 3 * BUTTON_AREA);
}

TEST_F(MainLoop, ExitEndsAfterThePassHasDrawn) {
    start();
    runPass();
    queueTap(353, 30);
    runPass();
    EXPECT_TRUE(app.exitRequested);
    EXPECT_GT(count(20, 16, 221, 44, TEXT_565), 20); // "ok" drawn in the same pass
    EXPECT_EQ(shutdownProgram(), 0);
    EXPECT_EQ(fb.fd, -1);
    EXPECT_EQ(touch.fd, -1);
}

} // namespace
