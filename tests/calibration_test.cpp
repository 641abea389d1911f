#include "base/paths.h"
#include "calibrate/calibration.h"
#include "calibrate/calibration_file.h"
#include "calibrate/calibrator.h"
#include "display/framebuffer.h"
#include "props/properties.h"
#include "tests/screen_fixture.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <iterator>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

// A panel whose readings fall from 4000 across and rise from 200 down, 10 and 14 a pixel.
RawPoint panel(Point t) {
    return {4000 - 10 * t.x, 200 + 14 * t.y};
}

struct Presses {
    PressReading p[CROSS_COUNT];
};

Presses pressesOf(RawPoint (*model)(Point)) {
    Presses out{};
    for (int k = 0; k < CROSS_COUNT; ++k)
        out.p[k] = {model(crossTarget(k, 400, 256)), 0, 0};
    return out;
}

TEST(Calibration, FourCrossesGiveTheLimitsTheProgramMapsBack) {
    Presses presses = pressesOf(panel);
    Calibration cal{};
    ASSERT_EQ(computeCalibration(presses.p, cal), CalProblem::None);
    EXPECT_EQ(cal.x0, 150);
    EXPECT_EQ(cal.x1, 3850);
    EXPECT_EQ(cal.y0, 3574);
    EXPECT_EQ(cal.y1, 410);
    // every touch comes back where it was made
    for (int x : {0, 15, 200, 385, 399})
        EXPECT_EQ(calibrateReading(panel({x, 0}).x, cal.x0, cal.x1, 400), x);
    for (int y : {15, 128, 241})
        EXPECT_EQ(calibrateReading(panel({0, y}).y, cal.y0, cal.y1, 256), y);

    // a panel running the other way round on an axis is as good
    presses = pressesOf([](Point t) { return RawPoint{300 + 9 * t.x, 3900 - 12 * t.y}; });
    ASSERT_EQ(computeCalibration(presses.p, cal), CalProblem::None);
    EXPECT_EQ(calibrateReading(300 + 9 * 100, cal.x0, cal.x1, 400), 100);
    EXPECT_EQ(calibrateReading(3900 - 12 * 200, cal.y0, cal.y1, 256), 200);
}

TEST(Calibration, ImplausibleReadingsAreRefusedWithTheirReason) {
    Calibration cal{1, 2, 3, 4};
    Presses presses = pressesOf(panel);
    presses.p[1] = presses.p[0]; // the second cross touched where the first was
    EXPECT_EQ(computeCalibration(presses.p, cal), CalProblem::AxisNotDistinct);

    presses = pressesOf(panel);
    std::swap(presses.p[2], presses.p[3]); // the bottom pair runs the other way
    EXPECT_EQ(computeCalibration(presses.p, cal), CalProblem::OrderInconsistent);

    presses = pressesOf(panel);
    presses.p[3].point.x -= 1500; // far off its cross, though in order
    EXPECT_EQ(computeCalibration(presses.p, cal), CalProblem::OrderInconsistent);

    // A cross may lie a quarter of the span from its partner on the same edge, not one
    // reading more: the left edge across (span 3700) and the bottom edge down (3164).
    presses = pressesOf(panel);
    presses.p[3].point.x += 926;
    EXPECT_EQ(computeCalibration(presses.p, cal), CalProblem::OrderInconsistent);
    presses.p[3].point.x -= 1;
    EXPECT_EQ(computeCalibration(presses.p, cal), CalProblem::None);
    presses = pressesOf(panel);
    presses.p[2].point.y += 792;
    EXPECT_EQ(computeCalibration(presses.p, cal), CalProblem::OrderInconsistent);
    presses.p[2].point.y -= 1;
    EXPECT_EQ(computeCalibration(presses.p, cal), CalProblem::None);

    presses = pressesOf([](Point t) { return RawPoint{200 + 14 * t.y, 4000 - 10 * t.x}; });
    EXPECT_EQ(computeCalibration(presses.p, cal), CalProblem::AxesExchanged);
    // Exchanged only when x moves further down than across and y further across than
    // down; at a tie on either the crosses are simply off.
    presses.p[0].point = {100, 100}; // top left, top right, bottom right, bottom left
    presses.p[1].point = {200, 1000};
    presses.p[2].point = {300, 1000};
    presses.p[3].point = {200, 100};
    EXPECT_EQ(computeCalibration(presses.p, cal), CalProblem::OrderInconsistent);
    presses.p[3].point.x = 201;
    EXPECT_EQ(computeCalibration(presses.p, cal), CalProblem::AxesExchanged);
    presses.p[1].point = {100, 500};
    presses.p[3].point = {1000, 500};
    EXPECT_EQ(computeCalibration(presses.p, cal), CalProblem::AxisNotDistinct);

    // Each edge's crosses must lie 16 readings apart at least: 16 is a calibration, 15 not.
    presses = pressesOf([](Point t) { return RawPoint{1000 + (t.x - 15) * 16 / 370, panel(t).y}; });
    EXPECT_EQ(computeCalibration(presses.p, cal), CalProblem::None);
    presses.p[2].point.x -= 1;
    EXPECT_EQ(computeCalibration(presses.p, cal), CalProblem::AxisNotDistinct);

    presses = pressesOf(panel);
    presses.p[2].spreadY = 200; // wandered some 14 pixels
    EXPECT_EQ(computeCalibration(presses.p, cal), CalProblem::Unstable);
    // A press may wander a 32nd of its axis's span, not one reading more: spans of 5920
    // across and 3616 down.
    presses = pressesOf([](Point t) { return RawPoint{100 + 16 * t.x, 100 + 16 * t.y}; });
    presses.p[1].spreadX = 185;
    presses.p[3].spreadY = 113;
    EXPECT_EQ(computeCalibration(presses.p, cal), CalProblem::None);
    presses.p[1].spreadX += 1;
    EXPECT_EQ(computeCalibration(presses.p, cal), CalProblem::Unstable);
    presses.p[1].spreadX -= 1;
    presses.p[3].spreadY += 1;
    EXPECT_EQ(computeCalibration(presses.p, cal), CalProblem::Unstable);

    // each refusal tells the owner which it is
    std::set<std::string> reasons;
    for (CalProblem problem : {CalProblem::AxisNotDistinct, CalProblem::OrderInconsistent,
                               CalProblem::AxesExchanged, CalProblem::Unstable})
        reasons.insert(problemText(problem));
    EXPECT_EQ(reasons.size(), 4u);
    EXPECT_EQ(reasons.count(""), 0u);

    cal = {1, 2, 3, 4};
    presses.p[0].spreadX = 1000;
    computeCalibration(presses.p, cal);
    EXPECT_EQ(cal.x0, 1) << "a refused calibration leaves the result alone";
}

TEST(Calibration, PressAverageLeavesOutTheSettlingReports) {
    PressReading r{};
    EXPECT_FALSE(averagePress({}, r));
    ASSERT_TRUE(averagePress({{100, 200}, {103, 204}}, r));
    EXPECT_EQ(r.point.x, 102); // 101.5 rounded
    EXPECT_EQ(r.point.y, 202);
    EXPECT_EQ(r.spreadX, 3);
    // a panel that reads below zero rounds the same way, half away from zero
    ASSERT_TRUE(averagePress({{-100, -200}, {-103, -207}}, r));
    EXPECT_EQ(r.point.x, -102);
    EXPECT_EQ(r.point.y, -204);
    // four are all kept
    ASSERT_TRUE(averagePress({{100, 0}, {100, 0}, {100, 0}, {104, 40}}, r));
    EXPECT_EQ(r.point.x, 101);
    EXPECT_EQ(r.point.y, 10);
    EXPECT_EQ(r.spreadY, 40);
    // five or more: the first and last are left out
    ASSERT_TRUE(averagePress({{900, 0}, {100, 10}, {102, 12}, {104, 14}, {0, 999}}, r));
    EXPECT_EQ(r.point.x, 102);
    EXPECT_EQ(r.point.y, 12);
    EXPECT_EQ(r.spreadX, 4);
    EXPECT_EQ(r.spreadY, 4);
}

class CalibrationFile : public RootTest {
  protected:
    std::string path() const { return root + CALIBRATION_FILE; }
};

TEST_F(CalibrationFile, ReplacesTheOldFileKeepingItAsBackup) {
    makeDirs(root + "/mnt/flash/sysfile");
    std::string error;
    // a panel's first calibration has nothing to keep
    ASSERT_TRUE(saveCalibration({1, 2, 3, 4}, error)) << error;
    EXPECT_EQ(readFile(path()).size(), 16u);
    EXPECT_FALSE(fileExists(path() + BACKUP_SUFFIX));
    EXPECT_FALSE(fileExists(path() + ORIGINAL_SUFFIX));
    writeFile(path(), "old calibration!");
    ASSERT_TRUE(saveCalibration({150, 3850, -2, 0x01020304}, error)) << error;
    EXPECT_EQ(readFile(path()), std::string("\x96\x00\x00\x00\x0a\x0f\x00\x00"
                                            "\xfe\xff\xff\xff\x04\x03\x02\x01",
                                            16));
    EXPECT_EQ(readFile(path() + BACKUP_SUFFIX), "old calibration!");
    EXPECT_FALSE(fileExists(path() + ".new"));
    // a second run keeps the first original and backs up the one it replaces; each file
    // reaches the medium before it takes its name, the folder after the last, and every
    // file it opened is closed again
    const std::string first = readFile(path());
    const auto openFiles = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
    };
    const auto opened = openFiles();
    takeSyncSteps();
    ASSERT_TRUE(saveCalibration({10, 20, 30, 40}, error)) << error;
    EXPECT_EQ(takeSyncSteps(), "fsync file\nrename cal.bak.new cal.bak\n"
                               "fsync file\nrename cal.new cal\nfsync folder sysfile\n");
    EXPECT_EQ(openFiles(), opened);
    EXPECT_EQ(readFile(path() + BACKUP_SUFFIX), first);
    EXPECT_EQ(readFile(path() + ORIGINAL_SUFFIX), "old calibration!");
    ASSERT_TRUE(saveCalibration({150, 3850, -2, 0x01020304}, error)) << error;
    EXPECT_EQ(readFile(path() + ORIGINAL_SUFFIX), "old calibration!");

    // A file that cannot be written leaves the one in force as it was. (The tests run
    // as root, whom permissions do not stop: a folder in the way of the new file does.)
    makeDirs(path() + ".new");
    EXPECT_FALSE(saveCalibration({1, 2, 3, 4}, error));
    EXPECT_NE(error.find("cannot create " + path() + ".new: Is a directory"), std::string::npos)
        << error;
    EXPECT_EQ(readFile(path()).substr(0, 4), std::string("\x96\x00\x00\x00", 4));
    // Nor does a medium that takes half a file and refuses the rest, and the reason given
    // is the system's own.
    std::filesystem::remove(path() + ".new");
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit small{8, limit.rlim_max};
    signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    const bool saved = saveCalibration({1, 2, 3, 4}, error);
    setrlimit(RLIMIT_FSIZE, &limit);
    signal(SIGXFSZ, SIG_DFL);
    EXPECT_FALSE(saved);
    EXPECT_NE(error.find(".new: File too large"), std::string::npos) << error;
    EXPECT_EQ(readFile(path()).substr(0, 4), std::string("\x96\x00\x00\x00", 4));
    // Nor one that takes nothing at all: the save ends and says why.
    takeNoBytes(true);
    const bool tookNothing = saveCalibration({1, 2, 3, 4}, error);
    takeNoBytes(false);
    EXPECT_FALSE(tookNothing);
    EXPECT_NE(error.find(".new: No space left on device"), std::string::npos) << error;
    EXPECT_EQ(readFile(path()).substr(0, 4), std::string("\x96\x00\x00\x00", 4));
    // Nor one that says only at the close that it lost the file; and when the write had
    // failed already, its reason is the one given.
    failCloses(EIO);
    EXPECT_FALSE(saveCalibration({1, 2, 3, 4}, error));
    EXPECT_NE(error.find(".new: Input/output error"), std::string::npos) << error;
    takeNoBytes(true);
    EXPECT_FALSE(saveCalibration({1, 2, 3, 4}, error));
    EXPECT_NE(error.find(".new: No space left on device"), std::string::npos) << error;
    failCloses(0);
    takeNoBytes(false);
    EXPECT_EQ(readFile(path()).substr(0, 4), std::string("\x96\x00\x00\x00", 4));
    EXPECT_FALSE(fileExists(path() + ".new"));
    // Nor a backup that cannot take its name: a folder holding something is in its way.
    const std::string backup = path() + BACKUP_SUFFIX;
    std::filesystem::remove(backup);
    makeDirs(backup + "/kept");
    EXPECT_FALSE(saveCalibration({1, 2, 3, 4}, error));
    EXPECT_NE(error.find("cannot replace " + backup + ": Is a directory"), std::string::npos)
        << error;
    EXPECT_FALSE(fileExists(backup + ".new"));
    EXPECT_EQ(readFile(path()).substr(0, 4), std::string("\x96\x00\x00\x00", 4));
}

// The tool starts on whatever the screen showed before (a console, the logbook): its
// first screen covers all of it, to the last row and column.
class CalibratorScreen : public ScreenTest {};

TEST_F(CalibratorScreen, ATouchDeviceThatIsNotThereEndsItWithTheScreenClosed) {
    ASSERT_TRUE(openScreen(400, 256, 16));
    closeFB();
    setCalibratorDevice(root + "/gone");
    int status = 0;
    EXPECT_FALSE(startCalibrator(status));
    setCalibratorDevice("");
    EXPECT_NE(status, 0);
    EXPECT_NE(debugLogText().find("Error opening " + root + "/gone\n"), std::string::npos)
        << debugLogText();
    EXPECT_EQ(fb.mapping, nullptr);
}

// With the quarter turn, a panel that is not square would put some crosses off the
// screen: the tool refuses to start on either such panel, with or without the half turn,
// though the touch device is there, and says why.
TEST_F(CalibratorScreen, AQuarterTurnedPanelThatIsNotSquareIsRefused) {
    writeFile(root + "/no-touches", "");
    setCalibratorDevice(root + "/no-touches");
    setProperty("P_ROT90", "1");
    for (const char* half : {"0", "1"}) {
        setProperty("P_ROT180", half);
        for (const unsigned w : {400u, 256u}) {
            const unsigned h = w == 400 ? 256 : 400;
            ASSERT_TRUE(openScreen(w, h, 16));
            closeFB();
            int status = 0;
            EXPECT_FALSE(startCalibrator(status)) << w << "x" << h << " half " << half;
            EXPECT_NE(status, 0);
            EXPECT_EQ(fb.mapping, nullptr);
        }
        ASSERT_TRUE(openScreen(256, 256, 16));
        closeFB();
        int status = 1;
        EXPECT_TRUE(startCalibrator(status)) << "square, half " << half;
        EXPECT_EQ(finishCalibrator(), 0);
    }
    // the lower crosses just one row below the panel
    setProperty("P_ROT180", "0");
    ASSERT_TRUE(openScreen(256 + CROSS_MARGIN, 256, 16));
    closeFB();
    int status = 0;
    EXPECT_FALSE(startCalibrator(status));
    EXPECT_EQ(fb.mapping, nullptr);
    setCalibratorDevice("");
    // (the log writes a repeated message once)
    EXPECT_NE(debugLogText().find("Cannot calibrate: the quarter turn needs a square panel"),
              std::string::npos);
}

TEST_F(CalibratorScreen, PaintsOverEverythingTheScreenShowedBefore) {
    ASSERT_TRUE(openScreen(400, 256, 16));
    fillMapping(0xAA);
    closeFB();
    writeFile(root + "/no-touches", "");
    setCalibratorDevice(root + "/no-touches");
    int status = 1;
    ASSERT_TRUE(startCalibrator(status));
    calibratorPass();
    const std::string screen = mappingBytes();
    EXPECT_EQ(finishCalibrator(), 0);
    EXPECT_EQ(fb.mapping, nullptr);
    setCalibratorDevice("");
    for (std::size_t i = 0; i < screen.size(); i += 2)
        ASSERT_FALSE(screen[i] == '\xAA' && screen[i + 1] == '\xAA')
            << "pixel " << i / 2 % 400 << "," << i / 2 / 400;
    // the first cross: arms of ten pixels on each side of its centre, no more
    const Point c = crossTarget(0, 400, 256);
    const auto at = [&](int x, int y) { return screen.substr((y * 400u + x) * 2, 2); };
    const std::string paper = at(0, 0);
    for (int d : {-10, 10}) {
        EXPECT_NE(at(c.x + d, c.y), paper) << d;
        EXPECT_NE(at(c.x, c.y + d), paper) << d;
    }
    for (int d : {-11, 11}) {
        EXPECT_EQ(at(c.x + d, c.y), paper) << d;
        EXPECT_EQ(at(c.x, c.y + d), paper) << d;
    }
}

} // namespace
