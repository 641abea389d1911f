#include "app/touch.h"
#include "base/debug_log.h"
#include "base/paths.h"
#include "display/framebuffer.h"
#include "tests/test_root.h"

#include <fcntl.h>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// The touch device reads from a file under the root: a regular file serves as a device
// whose pending input is its contents.
class TouchTest : public RootTest {
  protected:
    void SetUp() override {
        RootTest::SetUp();
        makeDirs(root + "/dev/input");
        makeDirs(root + "/mnt/flash/sysfile");
        fb.xres = 320;
        fb.yres = 240;
    }
    void TearDown() override {
        fb.xres = 0;
        fb.yres = 0;
        RootTest::TearDown();
    }

    void writeCalibration(std::vector<int32_t> values) {
        writeFile(rootedPath(CALIBRATION_FILE),
                  std::string(reinterpret_cast<const char*>(values.data()), values.size() * 4));
    }
    static InputEvent32 ev(uint16_t type, uint16_t code, int32_t value) {
        return InputEvent32{1, 2, type, code, value};
    }
    void writeEvents(const std::vector<InputEvent32>& events) {
        writeFile(rootedPath(EVENT_DEVICE),
                  std::string(reinterpret_cast<const char*>(events.data()),
                              events.size() * sizeof(InputEvent32)));
    }
    // Reads every pending sample.
    static std::vector<TouchSample> samples() {
        std::vector<TouchSample> out;
        while (readTouch())
            out.push_back(touch.sample);
        return out;
    }
};

const InputEvent32 SYN{0, 0, EV_SYN_TYPE, 0, 0};

TEST(CalibrationMapping, MirrorsTheAxisBetweenTheTwoLimits) {
    // (x0, x1, y0, y1) = (100, 3900, 200, 3800) on a 320 x 240 screen
    EXPECT_EQ(calibrateReading(100, 100, 3900, 320), 305);
    EXPECT_EQ(calibrateReading(3900, 100, 3900, 320), 15);
    EXPECT_EQ(calibrateReading(200, 200, 3800, 240), 225);
    EXPECT_EQ(calibrateReading(3800, 200, 3800, 240), 15);
    // halfway: p = 290 * 1900 / 3800 + 15 = 160
    EXPECT_EQ(calibrateReading(2000, 100, 3900, 320), 160);
}

TEST(CalibrationMapping, ClampsToTheScreenAndUsesSixteenBitReadings) {
    // p negative gives the coordinate size, p beyond size gives 0
    EXPECT_EQ(calibrateReading(-2000, 100, 3900, 320), 320);
    EXPECT_EQ(calibrateReading(8000, 100, 3900, 320), 0);
    // only the low 16 bits of the 32-bit value are the reading
    EXPECT_EQ(calibrateReading(0x10000 + 100, 100, 3900, 320), 305);
    EXPECT_EQ(calibrateReading(0x10000 - 2000, 100, 3900, 320), 320); // reads as -2000
    // reversed limits work as well: the axis is then not mirrored
    EXPECT_EQ(calibrateReading(3900, 3900, 100, 320), 305);
    // limits far outside the 16-bit range stay defined
    EXPECT_EQ(calibrateReading(0, INT32_MIN, INT32_MAX, 320), 160);
}

TEST_F(TouchTest, CharacterDeviceIsUsedWithoutCalibration) {
    TouchSample a{255, 12, 34, 0}, b{0, 56, 78, 0};
    std::string bytes(reinterpret_cast<const char*>(&a), 8);
    bytes.append(reinterpret_cast<const char*>(&b), 8);
    bytes.append("\x01\x02\x03", 3); // a short tail is no sample
    writeFile(rootedPath(TS_DEVICE), bytes);

    ASSERT_TRUE(openTouch()); // no calibration file exists
    EXPECT_FALSE(touch.eventMode);
    EXPECT_EQ(debugLogText(), "");
    const int fd = touch.fd;
    EXPECT_TRUE(openTouch());
    EXPECT_EQ(touch.fd, fd);

    ASSERT_TRUE(readTouch());
    EXPECT_EQ(touch.sample.pressure, 255);
    EXPECT_EQ(touch.sample.x, 12);
    EXPECT_EQ(touch.sample.y, 34);
    ASSERT_TRUE(readTouch());
    EXPECT_EQ(touch.sample.pressure, 0);
    EXPECT_EQ(touch.sample.x, 56);
    EXPECT_FALSE(readTouch());
    EXPECT_EQ(touch.sample.x, 56); // the short read did not touch the sample
    closeTouch();
    EXPECT_EQ(touch.fd, -1);
    EXPECT_EQ(fcntl(fd, F_GETFD), -1) << "the device is closed, not only forgotten";
}

TEST_F(TouchTest, UnusableCalibrationsCloseTheEventDevice) {
    writeEvents({});
    const std::vector<std::vector<int32_t>> bad = {
        {100, 3900, 200},      // 12 bytes
        {100, 100, 200, 3800}, // x limits equal
        {100, 3900, 777, 777}, // y limits equal
    };
    for (const auto& values : bad) {
        writeCalibration(values);
        resetDebugLog(); // every case logs, not just the first
        EXPECT_FALSE(openTouch());
        EXPECT_EQ(touch.fd, -1);
    }
    std::filesystem::remove(rootedPath(CALIBRATION_FILE));
    resetDebugLog();
    EXPECT_FALSE(openTouch());
    EXPECT_EQ(debugLogText(), "### Error reading calibration file!\n"
                              "### Error reading calibration file!\n"
                              "### Error reading calibration file!\n"
                              "### Error reading calibration file!\n");

    // longer files are fine: only the first 16 bytes count
    writeCalibration({100, 3900, 200, 3800, 42});
    ASSERT_TRUE(openTouch());
    EXPECT_TRUE(touch.eventMode);
    EXPECT_EQ(touch.calibration.y1, 3800);
}

TEST_F(TouchTest, NoDeviceIsLogged) {
    EXPECT_FALSE(openTouch());
    EXPECT_EQ(debugLogText(), "### Error opening ts!\n");
    closeTouch(); // closed: nothing happens
    EXPECT_EQ(touch.fd, -1);
    EXPECT_FALSE(readTouch());
}

TEST_F(TouchTest, FirstSampleWaitsForBothCoordinates) {
    writeCalibration({100, 3900, 200, 3800});
    writeEvents({ev(EV_KEY_TYPE, BTN_TOUCH_CODE, 1), SYN, ev(EV_ABS_TYPE, ABS_X_CODE, 100),
                 ev(EV_ABS_TYPE, ABS_Y_CODE, 200), SYN});
    ASSERT_TRUE(openTouch());
    const auto got = samples();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].pressure, 255);
    EXPECT_EQ(got[0].x, 305);
    EXPECT_EQ(got[0].y, 225);
}

TEST_F(TouchTest, LiftWithOneCoordinateDeliversOnlyTheLift) {
    writeCalibration({100, 3900, 200, 3800});
    writeEvents({ev(EV_KEY_TYPE, BTN_TOUCH_CODE, 1), ev(EV_ABS_TYPE, ABS_Y_CODE, 3800), SYN,
                 ev(EV_KEY_TYPE, BTN_TOUCH_CODE, 0), SYN});
    ASSERT_TRUE(openTouch());
    const auto got = samples();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].pressure, 0);
    EXPECT_EQ(got[0].x, -1);
    EXPECT_EQ(got[0].y, 15);
}

TEST_F(TouchTest, MovingFingerDeliversEveryCoordinateAndLiftsInPlace) {
    writeCalibration({100, 3900, 200, 3800});
    writeEvents({ev(EV_KEY_TYPE, BTN_TOUCH_CODE, 1), ev(EV_ABS_TYPE, ABS_X_CODE, 100),
                 ev(EV_ABS_TYPE, ABS_Y_CODE, 200), SYN, ev(EV_ABS_TYPE, ABS_X_CODE, 3900), SYN,
                 ev(EV_ABS_TYPE, ABS_Y_CODE, 3800), ev(EV_ABS_TYPE, 0x18, 50), // pressure axis
                 SYN, ev(EV_KEY_TYPE, BTN_TOUCH_CODE, 0), SYN, ev(EV_KEY_TYPE, BTN_TOUCH_CODE, 1),
                 SYN});
    ASSERT_TRUE(openTouch());
    const auto got = samples();
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[1].x, 15);
    EXPECT_EQ(got[1].y, 225);
    EXPECT_EQ(got[2].y, 15);
    EXPECT_EQ(got[3].pressure, 0);
    EXPECT_EQ(got[3].x, 15);
    EXPECT_EQ(got[3].y, 15);
    // the last finger-down alone delivered nothing, but it reset the coordinates
    EXPECT_EQ(touch.sample.pressure, 255);
    EXPECT_EQ(touch.sample.x, -1);
}

TEST_F(TouchTest, DrainCountsAndCloseDrains) {
    TouchSample s{255, 1, 2, 0};
    std::string bytes;
    for (int i = 0; i < 3; ++i)
        bytes.append(reinterpret_cast<const char*>(&s), 8);
    writeFile(rootedPath(TS_DEVICE), bytes);
    ASSERT_TRUE(openTouch());
    EXPECT_EQ(drainTouch(), 3);
    EXPECT_EQ(drainTouch(), 0);
    closeTouch();
    EXPECT_EQ(touch.fd, -1);
    // samples still pending at shutdown are read before the device is closed
    const TouchSample lift{0, 7, 8, 0};
    bytes.append(reinterpret_cast<const char*>(&lift), 8);
    writeFile(rootedPath(TS_DEVICE), bytes);
    ASSERT_TRUE(openTouch());
    closeTouch();
    EXPECT_EQ(touch.sample.pressure, 0);
    EXPECT_EQ(touch.sample.x, 7);
}

} // namespace
