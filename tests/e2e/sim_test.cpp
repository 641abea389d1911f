#include "tests/e2e/sim_run.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

const std::vector<std::string> FIRST_RUN_USER_ENTRIES = {
    "P_AREA.STATDISPLAY.conprice.show.maxbars: 80",
    "P_AREA.STATDISPLAY.fueldist.show.average: 1",
    "P_AREA.STATDISPLAY.fueldist.show.borders: 1",
    "P_AREA.STATDISPLAY.fueldist.show.dots: 1",
    "P_AREA.STATDISPLAY.fueldist.show.rest: 1",
    "P_BIKEFUELFULL: 0",
    "P_CAR1FUELFULL: 0",
    "P_CAR2FUELFULL: 0",
    "P_DEFAULTFUELDISTMODE: 0",
    "P_DEFAULTODOMETERMODE.0: 0",
    "P_DEFAULTODOMETERMODE.1: 0",
    "P_DEFAULTODOMETERMODE.2: 0",
    "P_DEFAULTVEHICLE: 1",
    "P_ROT180: 0",
    "P_ROT90: 0",
};

const std::string HEADER = "# This file contains the consumption-values you entered.\n"
                           "#\n"
                           "# Format is: (\"[]\" means \"optional\")\n"
                           "#  vehicle \\t [distance] \\t fuel \\t [odometer] \\t price\n"
                           "#    (and optional:) \\t [consumption] \\t [utc-time] \\n\n"
                           "#\n"
                           "#   \"vehicle\" ist the actually chosen vehicle, \"0\" is "
                           "\"motorcycle\", \"1\" is \"car 1\" and \"2\" is \"car 2\"\n"
                           "#\n";

// The records of consumption.txt (header checked and left out).
std::string records(const std::string& log) {
    EXPECT_EQ(log.substr(0, HEADER.size()), HEADER);
    return log.size() < HEADER.size() ? "" : log.substr(HEADER.size());
}

void expectRecords(const std::string& text, const std::vector<std::string>& fieldsBeforeTime) {
    std::string pattern;
    for (const std::string& f : fieldsBeforeTime)
        pattern += std::regex_replace(f, std::regex(R"([.])"), R"(\.)") + "\t" + CTIME_PATTERN;
    EXPECT_TRUE(std::regex_match(text, std::regex(pattern))) << text;
}

std::string pointLine(const char* op, LayoutPoint p) {
    return std::string(op) + " " + std::to_string(p.x) + " " + std::to_string(p.y) + "\n";
}

using Sim = SimTest;

TEST_F(Sim, FirstRunWritesBothPropertyFilesCompleteAtExit) {
    makeCard();
    // as on the device, the first pass runs before anyone can touch the screen
    ASSERT_EQ(run({}, "pass\n" + ltap("EXIT")), 0) << errors;
    EXPECT_EQ(entries(dataFile("properties.txt")), FIRST_RUN_USER_ENTRIES);
    const auto env = entries(dataFile("environment.txt"));
    EXPECT_EQ(env.size(), 217u);
    EXPECT_EQ(env.front(), "E_AREA.NUMINDISPLAY.b: 75.0");
    EXPECT_EQ(env.back(), "E_SCREEN.2.BG.w: 400");
    EXPECT_FALSE(exists(dataFile("Debug.log"))) << readFile(dataFile("Debug.log"));
}

TEST_F(Sim, PortraitPanelTurnsAQuarterByDefault) {
    makeCard();
    // the layout point of EXIT is reached although the panel is upright
    ASSERT_EQ(run({"--size", "256x400"}, "pass\nshot " + base + "/q.raw\n" + ltap("EXIT")), 0)
        << errors;
    auto expected = FIRST_RUN_USER_ENTRIES;
    expected.back() = "P_ROT90: 1";
    EXPECT_EQ(entries(dataFile("properties.txt")), expected);
    // CAR1 (layout x 315..392, y 55..105) lies at screen x 150..200, y 315..392
    const std::string shot = readFile(base + "/q.raw");
    EXPECT_EQ(pixel(shot, 256, 175, 350), S0A);
    EXPECT_EQ(pixel(shot, 256, 175, 200), S0);
    EXPECT_EQ(pixel(shot, 256, 100, 350), S0);
}

TEST_F(Sim, ScriptEndingWhileRunningSavesNothing) {
    makeCard();
    ASSERT_EQ(run({}, typeKeys("12") + ltap("CAR2") + "pass 3\n"), 0) << errors;
    EXPECT_FALSE(exists(dataFile("properties.txt")));
    EXPECT_FALSE(exists(dataFile("environment.txt")));
}

TEST_F(Sim, RefillTypedOnTheKeypadIsSaved) {
    makeCard();
    const std::string script = typeKeys("412") + ltap("DRIVEN") + typeKeys("31.5") +
                               ltap("REFILLED") + typeKeys("44.07") + ltap("PAID") + ltap("SAVE") +
                               "shot " + base + "/saved.raw\n";
    ASSERT_EQ(run({}, script), 0) << errors;
    expectRecords(records(readFile(dataFile("consumption.txt"))),
                  {"1\t412.00\t31.50\t0.0\t44.07\t7.65"});
    // the result text is drawn in the number display, and the fields are normal again
    const std::string shot = readFile(base + "/saved.raw");
    EXPECT_GT(count(shot, 400, 20, 16, 222, 45, TEXT_565), 20);
    const LayoutPoint driven = buttonPoint("DRIVEN");
    EXPECT_EQ(pixel(shot, 400, driven.x, driven.y), S0);
}

TEST_F(Sim, OdometerModeWritesTheReadingInItsOwnField) {
    makeCard();
    const std::string script = ltap("CONFIG") + ltap("TOTALDIST") + ltap("BACK") +
                               typeKeys("12345") + ltap("DRIVEN") + typeKeys("40") +
                               ltap("REFILLED") + typeKeys("60") + ltap("PAID") + ltap("SAVE") +
                               ltap("EXIT");
    ASSERT_EQ(run({}, script), 0) << errors;
    expectRecords(records(readFile(dataFile("consumption.txt"))),
                  {"1\t0.0\t40.00\t12345.00\t60.00\t0.00"});
    const auto user = entries(dataFile("properties.txt"));
    EXPECT_NE(std::find(user.begin(), user.end(), "P_DEFAULTODOMETERMODE.1: 1.0"), user.end());
}

TEST_F(Sim, TireChangeRecordsTheDisplayedNumber) {
    makeCard();
    ASSERT_EQ(run({}, ltap("CAR2") + ltap("CONFIG") + typeKeys("12345") + ltap("WHEELCHANGE")), 0)
        << errors;
    const std::string log = readFile(dataFile("events.txt"));
    const std::size_t body = log.rfind("#\n") + 2;
    EXPECT_TRUE(std::regex_match(log.substr(body),
                                 std::regex(std::string("2\ttirechange\t12345\t") + CTIME_PATTERN)))
        << log;
}

TEST_F(Sim, ChangingTheVehicleDropsTheEnteredValues) {
    makeCard();
    const std::string script = typeKeys("412") + ltap("DRIVEN") + typeKeys("31.5") +
                               ltap("REFILLED") + typeKeys("50") + ltap("PAID") + "shot " + base +
                               "/entered.raw\n" + ltap("BIKE") + "shot " + base + "/bike.raw\n" +
                               typeKeys("100") + ltap("DRIVEN") + typeKeys("5") + ltap("REFILLED") +
                               ltap("SAVE");
    ASSERT_EQ(run({}, script), 0) << errors;
    // the price typed for car 1 is gone
    expectRecords(records(readFile(dataFile("consumption.txt"))),
                  {"0\t100.00\t5.00\t0.0\t0.00\t5.00"});
    const std::string entered = readFile(base + "/entered.raw");
    const std::string bike = readFile(base + "/bike.raw");
    for (const char* name : {"DRIVEN", "REFILLED", "PAID", "CAR1"}) {
        const LayoutPoint p = buttonPoint(name);
        EXPECT_EQ(pixel(entered, 400, p.x, p.y), S0A) << name;
        EXPECT_EQ(pixel(bike, 400, p.x, p.y), S0) << name;
    }
    const LayoutPoint b = buttonPoint("BIKE");
    EXPECT_EQ(pixel(bike, 400, b.x, b.y), S0A);
}

TEST_F(Sim, FuelFullValueIsShownAndSaved) {
    makeCard();
    const std::string script = ltap("CONFIG") + typeKeys("40") + ltap("BIKEFUELFULL") + "shot " +
                               base + "/full.raw\n" + ltap("BACK") + ltap("EXIT");
    ASSERT_EQ(run({}, script), 0) << errors;
    const std::string shot = readFile(base + "/full.raw");
    const LayoutPoint full = buttonPoint("BIKEFUELFULL");
    EXPECT_EQ(pixel(shot, 400, full.x, full.y), S1A);
    const LayoutPoint car2 = buttonPoint("CAR2FUELFULL");
    EXPECT_EQ(pixel(shot, 400, car2.x, car2.y), S1);
    const auto user = entries(dataFile("properties.txt"));
    EXPECT_NE(std::find(user.begin(), user.end(), "P_BIKEFUELFULL: 40.0"), user.end());
}

TEST_F(Sim, EachMissingPictureEndsTheProgramWithItsStatus) {
    const char* messages[] = {"s0i broken!", "s0ia broken!", "s1i broken!", "s1ia broken!",
                              "s2i broken!"};
    const char* pictures[] = {"s0.raw", "s0a.raw", "s1.raw", "s1a.raw", "s2.raw"};
    for (int i = 0; i < 5; ++i) {
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(dataFile(""));
        makeCard(2, i);
        EXPECT_EQ(run({}, ltap("EXIT")), 256 - (i + 1)) << i;
        EXPECT_NE(errors.find(std::string(" lacks ") + pictures[i] + ";"), std::string::npos)
            << errors;
        EXPECT_EQ(readFile(dataFile("Debug.log")),
                  std::string("### Error opening image!\n### ") + messages[i] + "\n");
        EXPECT_FALSE(exists(dataFile("properties.txt")));
    }
}

TEST_F(Sim, AnswersHelpAndVersionAndNamesEachBadArgumentOnOneLine) {
    EXPECT_EQ(wait(spawn({"--help"}), 0), 0);
    EXPECT_EQ(output.rfind("usage: pumpwright-sim --root DIR", 0), 0u) << output;
    EXPECT_EQ(errors, "");
    EXPECT_EQ(wait(spawn({"--version"}), 0), 0);
    EXPECT_EQ(output, "pumpwright-sim " PUMPWRIGHT_VERSION "\n");
    // nor do they need a root first
    EXPECT_EQ(std::system(PW_SIM " --help >/dev/null"), 0);
    const std::vector<std::vector<std::string>> bad = {
        {"--bpp", "17"},        {"--zoom", "2"},       {"stray"},           {"--size"},
        {"--colour", "red"},    {"--size", "0x256"},   {"--size", "400x0"}, {"--size", "8193x256"},
        {"--size", "400x8193"}, {"--size", "400-256"}, {"--touch", "mouse"}};
    for (const auto& args : bad) {
        EXPECT_EQ(wait(spawn(args), 0), 2) << args[0];
        EXPECT_NE(errors.find(args.front()), std::string::npos) << errors;
        EXPECT_EQ(errors.find('\n'), errors.size() - 1) << errors;
        EXPECT_EQ(output, "");
    }
    // the calibration tool needs the event device it calibrates
    EXPECT_EQ(wait(spawn({"--calibrate"}), 0), 2);
    EXPECT_EQ(errors.rfind("pumpwright-sim: --calibrate needs --touch event", 0), 0u) << errors;
    // sizes at the limits, both touch devices and a value after an equals sign pass, so
    // the bad depth after them is the one named
    const std::vector<std::pair<std::string, std::string>> good = {
        {"--size", "1x8192"}, {"--size", "8192x1"}, {"--touch", "ts"}, {"--touch", "event"}};
    for (const auto& [option, value] : good) {
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{option, value, "--bpp", "17"},
              {option + "=" + value, "--bpp", "17"}}) {
            EXPECT_EQ(wait(spawn(args), 0), 2);
            EXPECT_EQ(errors.rfind("pumpwright-sim: --bpp", 0), 0u) << errors;
        }
    }
}

TEST_F(Sim, RootWithoutACardIsRefusedWithTheCommandThatMakesOne) {
    // The card's data folder in place of the root: the root above it is named, and the
    // card maker, which would nest a second card in the first, is not suggested.
    makeCard();
    EXPECT_EQ(run({"--root", dataFile("")}, "pass\n"), 2);
    EXPECT_NE(errors.find(" is a card's data folder"), std::string::npos) << errors;
    EXPECT_NE(errors.find("(here --root " + root + ")"), std::string::npos) << errors;
    EXPECT_EQ(errors.find("pumpwright-card"), std::string::npos) << errors;
    EXPECT_FALSE(exists(dataFile("dev")));
    // a copy of one elsewhere, recognised by its files
    std::filesystem::create_directories(base + "/copy");
    std::filesystem::copy_file(dataFile("s0.raw"), base + "/copy/s0.raw");
    EXPECT_EQ(run({"--root", base + "/copy"}, "pass\n"), 2);
    EXPECT_NE(errors.find(base + "/copy is a card's data folder; --root wants the device's root"),
              std::string::npos)
        << errors;
    EXPECT_EQ(errors.find('\n'), errors.size() - 1) << errors;

    // a framebuffer file that cannot be made is named with the reason
    std::filesystem::create_directories(root + "/dev/fb");
    EXPECT_EQ(run({}, "pass\n"), 2);
    EXPECT_NE(errors.find("cannot create " + root + "/dev/fb: Is a directory"), std::string::npos)
        << errors;
    std::filesystem::remove_all(root + "/dev");
    // and a device folder where a file stands is named as well
    writeFile(root + "/dev", "");
    EXPECT_EQ(run({}, "pass\n"), 2);
    EXPECT_NE(errors.find("cannot create " + root + "/dev: "), std::string::npos) << errors;
    std::filesystem::remove(root + "/dev");

    std::filesystem::remove_all(root + "/mnt");
    EXPECT_EQ(run({}, "pass\n"), 2);
    EXPECT_NE(errors.find("pumpwright-card " + root + " makes one"), std::string::npos) << errors;
    EXPECT_NE(errors.find(dataFile("")), std::string::npos) << errors;
    EXPECT_FALSE(exists(root + "/dev"));
}

// Without --size the panel is 400 x 256 whatever the card: a skin drawn for another size
// is shown scaled, and the simulator says so and how to see it at its own size.
TEST_F(Sim, ACardForAnotherPanelIsSaidToBeShownScaled) {
    makeCard();
    writeFile(dataFile("environment.txt"), "E_SCREEN.0.BG.w: 480\nE_SCREEN.0.BG.h: 272\n");
    run({}, "pass\n");
    EXPECT_EQ(errors.rfind("pumpwright-sim: the card's pictures are 480x272, shown scaled to the "
                           "400x256 panel; --size 480x272 shows them at their own size\n",
                           0),
              0u)
        << errors;
    run({"--size", "480x272"}, "pass\n");
    EXPECT_EQ(errors.find("scaled"), std::string::npos) << errors;
    // another height alone is another panel too; the panel's own size is no news
    writeFile(dataFile("environment.txt"), "E_SCREEN.0.BG.h: 272\n");
    run({}, "pass\n");
    EXPECT_EQ(errors.rfind("pumpwright-sim: the card's pictures are 400x272, shown scaled", 0), 0u)
        << errors;
    writeFile(dataFile("environment.txt"), "");
    run({}, "pass\n");
    EXPECT_EQ(errors.find("scaled"), std::string::npos) << errors;
}

TEST_F(Sim, SharedBorderPointsGoToTheEarlierTarget) {
    makeCard();
    // (160, 153) lies on buttons 5, 6, 8 and 9: 5 comes first; (315, 200) on SAVE, BIKE,
    // STATS and CONFIG: SAVE comes first and saves a record
    const std::string script =
        "ltap 160 153\n" + ltap("CONFIG") + ltap("WHEELCHANGE") + ltap("BACK") + "ltap 315 200\n";
    ASSERT_EQ(run({}, script), 0) << errors;
    EXPECT_NE(readFile(dataFile("events.txt")).find("\ttirechange\t5\t"), std::string::npos);
    EXPECT_TRUE(exists(dataFile("consumption.txt")));
}

TEST_F(Sim, ScreensMoveAsTheButtonsSay) {
    makeCard();
    std::string script;
    const auto shot = [&](const std::string& name) { return "shot " + base + "/" + name + "\n"; };
    // the same spot is CONFIG on the entry screen and RECAP on the settings screen
    script += "ltap 350 225\n" + shot("settings.raw");
    script += "ltap 350 225\n" + shot("recap.raw");
    script += ltap("STATDISPLAY") + shot("entry.raw");
    script += ltap("STATS") + shot("fueldist.raw");
    script += ltap("STATDISPLAY") + shot("conprice.raw");
    script += ltap("STATDISPLAY") + shot("entry2.raw");
    ASSERT_EQ(run({}, script), 0) << errors;
    const auto at = [&](const std::string& name) {
        return pixel(readFile(base + "/" + name), 400, 5, 250);
    };
    EXPECT_EQ(at("settings.raw"), S1);
    EXPECT_EQ(at("recap.raw"), S2);
    EXPECT_EQ(at("entry.raw"), S0);
    EXPECT_EQ(at("fueldist.raw"), S2);
    EXPECT_EQ(at("conprice.raw"), S2);
    EXPECT_EQ(at("entry2.raw"), S0);
}

TEST_F(Sim, FirstPassShowsTheEntryScreenWithItsIndications) {
    makeCard();
    ASSERT_EQ(run({}, "shot " + base + "/before.raw\npass\nshot " + base + "/first.raw\nshot " +
                          base + "/first.png\n"),
              0)
        << errors;
    EXPECT_EQ(readFile(base + "/first.png").substr(0, 8), "\x89PNG\r\n\x1a\n");
    const std::string before = readFile(base + "/before.raw");
    EXPECT_EQ(before, std::string(400 * 256 * 2, '\0'));
    const std::string shot = readFile(base + "/first.raw");
    // CAR1 is the default vehicle; the other buttons show the normal picture
    // a button is copied from its top-left corner up to, not including, its far edges
    EXPECT_EQ(count(shot, 400, 315, 55, 391, 104, S0A), 77 * 50);
    EXPECT_EQ(count(shot, 400, 0, 0, 399, 255, S0A), 77 * 50);
    // the banner is drawn small in the middle of the number display, and nowhere else
    const int banner = count(shot, 400, 20, 16, 222, 45, TEXT_565);
    EXPECT_GT(banner, 20);
    EXPECT_EQ(count(shot, 400, 0, 0, 399, 255, TEXT_565), banner);
    EXPECT_EQ(count(shot, 400, 20, 16, 60, 45, TEXT_565), 0);
    EXPECT_EQ(count(shot, 400, 0, 0, 399, 255, S0) + 77 * 50 + banner, 400 * 256);
}

TEST_F(Sim, HalfTurnedScreenMirrorsPicturesAndTouches) {
    makeCard();
    writeFile(dataFile("properties.txt"), "P_ROT180: 1\n");
    // screen point (46, 225) is layout point (353, 30): EXIT
    // (a script saved with carriage returns names the same file)
    ASSERT_EQ(run({}, "pass\r\nshot " + base + "/half.raw \r\ntap 46 225\r\n"), 0) << errors;
    const std::string shot = readFile(base + "/half.raw");
    // CAR1 (layout 315..392 x 55..105) lies at screen 7..84 x 150..200
    EXPECT_EQ(pixel(shot, 400, 45, 175), S0A);
    EXPECT_EQ(pixel(shot, 400, 353, 80), S0);
    EXPECT_TRUE(exists(dataFile("environment.txt")));
}

TEST_F(Sim, SeveralPendingSamplesAreDispatchedInOnePass) {
    makeCard();
    // over half a megabyte of lifts where nothing is, queued before a pass reads them
    std::string script;
    for (int i = 0; i < 70000; ++i)
        script += "sample 0 396 253\n";
    for (const LayoutPoint p : {keyPoint('1'), keyPoint('2'), buttonPoint("DRIVEN")})
        script += pointLine("lpress", p) + pointLine("lrelease", p);
    script += "pass\nshot " + base + "/one.raw\n";
    script += pointLine("lpress", buttonPoint("SAVE")) + pointLine("lrelease", buttonPoint("SAVE"));
    script += "pass\n";
    ASSERT_EQ(run({}, script), 0) << errors;
    const std::string shot = readFile(base + "/one.raw");
    const LayoutPoint driven = buttonPoint("DRIVEN");
    EXPECT_EQ(pixel(shot, 400, driven.x, driven.y), S0A);
    expectRecords(records(readFile(dataFile("consumption.txt"))),
                  {"1\t12.00\t0.00\t0.0\t0.00\t0.00"});
    // over a mebibyte is more than the queue holds: the script stops and says what to do
    script.clear();
    for (int i = 0; i < 140000; ++i)
        script += "sample 0 396 253\n";
    EXPECT_EQ(run({}, script), 2);
    EXPECT_NE(errors.find(": the touch queue is full: run a pass between the touches"),
              std::string::npos)
        << errors.substr(0, 300);
    // and so it is for an event device, whose events are twice a sample's size
    script.clear();
    for (int i = 0; i < 70000; ++i)
        script += "event 0 0 0\n";
    EXPECT_EQ(run({"--touch", "event"}, script), 2);
    EXPECT_NE(errors.find(": the touch queue is full: run a pass between the touches"),
              std::string::npos)
        << errors.substr(0, 300);
}

TEST_F(Sim, EventDeviceWithTheSimulatorsCalibration) {
    makeCard();
    // the 2 is pressed on the 3 and lifted on the 2: the finger slides there first
    const std::string script = typeKeys("41") + pointLine("lpress", keyPoint('3')) + "pass\n" +
                               pointLine("lrelease", keyPoint('2')) + "pass\n" + ltap("DRIVEN") +
                               typeKeys("31.5") + ltap("REFILLED") + typeKeys("44.07") +
                               ltap("PAID") + ltap("SAVE") + ltap("EXIT");
    const mode_t mask = umask(022);
    ASSERT_EQ(run({"--touch", "event"}, script), 0) << errors;
    umask(mask);
    EXPECT_FALSE(exists(root + "/dev/ts"));
    // the calibration it writes is one the device's own tool could have written
    struct stat cal {};
    ASSERT_EQ(stat((root + "/mnt/flash/sysfile/cal").c_str(), &cal), 0);
    EXPECT_EQ(cal.st_size, 16);
    EXPECT_EQ(cal.st_mode & 07777, 0644u);
    expectRecords(records(readFile(dataFile("consumption.txt"))),
                  {"1\t412.00\t31.50\t0.0\t44.07\t7.65"});
}

TEST_F(Sim, EventDeviceUsesTheCalibrationPresent) {
    makeCard();
    std::filesystem::create_directories(root + "/mnt/flash/sysfile");
    const int32_t cal[4] = {200, 3800, 300, 3700};
    const std::string calBytes(reinterpret_cast<const char*>(cal), sizeof cal);
    writeFile(root + "/mnt/flash/sysfile/cal", calBytes);
    // screen taps through the calibration, and raw events written by hand; a pressure
    // reading (code 0x18) that equals the raw y of key 2 is not where the finger is, so the
    // finger lifted on key 2 slides there first; nor is a relative motion (type 2, code 0)
    // that equals the raw x of key 6 (198 128); nor does an axis numbered as the touch key
    // (type 3, code 0x14a) lift the finger
    const std::string script = "tap 121 80\n" // key 2
                               "event 1 0x14a 1\nevent 3 0 2770\nevent 3 1 2000\nevent 0 0 0\n"
                               "event 1 0x14a 0\nevent 0 0 0\npass\n" // key 5, see below
                               "event 1 0x14a 1\nevent 3 0 2770\nevent 3 1 2000\n"
                               "event 3 0x18 2730\nevent 0 0 0\nrelease 121 80\npass\n"
                               "event 1 0x14a 1\nevent 3 0 2770\nevent 3 1 2000\n"
                               "event 0 0 0\nevent 2 0 2025\nrelease 198 128\npass\n"
                               "event 1 0x14a 1\nevent 3 0 2770\nevent 3 1 2000\n"
                               "event 0 0 0\nevent 3 0x14a 0\nrelease 121 80\npass\n" +
                               ltap("DRIVEN") + ltap("SAVE");
    ASSERT_EQ(run({"--touch", "event"}, script), 0) << errors;
    EXPECT_EQ(readFile(root + "/mnt/flash/sysfile/cal"), calBytes);
    // raw x 2770 is x = 400 - (370 * 2570 / 3600 + 15) = 121,
    // raw y 2000 is y = 256 - (226 * 1700 / 3400 + 15) = 128: key 5
    expectRecords(records(readFile(dataFile("consumption.txt"))),
                  {"1\t25262.00\t0.00\t0.0\t0.00\t0.00"});
}

TEST_F(Sim, UnreachableLayoutPointIsAScriptError) {
    makeCard();
    // on the quarter-turned portrait panel the event device reports x up to 256 only,
    // while layout x 350 needs a touch x of 350
    EXPECT_EQ(run({"--touch", "event", "--size", "256x400"}, "pass\nltap 350 80\n"), 2);
    EXPECT_NE(errors.find("line 2"), std::string::npos) << errors;
    // while a landscape panel's corners are all reached
    EXPECT_EQ(run({"--touch", "event"}, "pass\nltap 0 0\nltap 399 255\n"), 0) << errors;
    // the character device takes any 16-bit position: the same line works there, a
    // position past either end of 16 bits does not
    EXPECT_EQ(run({"--size", "256x400"}, "pass\nltap 350 80\n"), 0) << errors;
    EXPECT_EQ(run({}, "pass\nltap 32767 5\n"), 0) << errors; // the last 16-bit position
    for (const char* tap : {"tap -32769 5\n", "tap 32768 5\n", "tap 5 -32769\n", "tap 5 32768\n"}) {
        EXPECT_EQ(run({}, std::string("pass\n") + tap), 2) << tap;
        EXPECT_NE(errors.find("line 2: the touch position does not fit a 16-bit sample"),
                  std::string::npos)
            << errors;
    }
    // on an event device a screen point off the screen has no reading
    EXPECT_EQ(run({"--touch", "event"}, "pass\ntap 401 10\n"), 2);
    EXPECT_NE(errors.find("line 2: no reading of the calibrated panel maps to 401 10"),
              std::string::npos)
        << errors;
    // the calibration tool runs before there is a calibration to reach any layout point by
    EXPECT_EQ(run({"--touch", "event", "--calibrate"}, "pass\nltap 200 128\n"), 2);
    EXPECT_NE(errors.find("line 2: no touch position reaches layout point 200 128"),
              std::string::npos)
        << errors;
}

TEST_F(Sim, MalformedScriptLineStopsBeforeStart) {
    makeCard();
    // each bad line and what the error says of it
    const std::pair<const char*, const char*> bad[] = {
        {"tap 1\n", "tap takes 2 numbers"},
        {"tap 1 2 3\n", "tap takes 2 numbers"},
        {"dance 1 2\n", "unknown command \"dance\""},
        {"pass -1\n", "the pass count cannot be negative"},
        {"tap x 2\n", "\"x\" is not a number"},
        {"event 1 2 3\n", "event needs --touch event (use sample in ts mode)"},
        {"shot\n", "shot needs a file name"},
        {"sample 70000 1 1\n", "the pressure must lie in 0..65535"},
        {"sample 1 2 -32769\n", "the position must fit a 16-bit sample"},
        {"tap 1 2147483648\n", "the point is out of range"},
        {"tap 1 9223372036854775808\n", "\"9223372036854775808\" is not a number"}};
    for (const auto& [line, message] : bad) {
        EXPECT_EQ(run({}, "# a comment\n\n" + std::string(line)), 2) << line;
        EXPECT_NE(errors.find("line 3: " + std::string(message)), std::string::npos) << errors;
    }
    // in ts mode a sample is fine, and so is a count of no passes
    EXPECT_EQ(run({}, "sample 1 2 3\npass 0\n"), 0) << errors;
    // an event's type and code are 16 bits each, its value 32 bits
    const std::pair<const char*, const char*> badEvents[] = {
        {"event 65536 0 0\n", "type and code must lie in 0..65535"},
        {"event 0 -1 0\n", "type and code must lie in 0..65535"},
        {"event 0 0 2147483648\n", "the value must fit 32 bits"},
        {"sample 1 2 3\n", "sample needs --touch ts (use event in event mode)"}};
    for (const auto& [line, message] : badEvents) {
        EXPECT_EQ(run({"--touch", "event"}, line), 2) << line;
        EXPECT_NE(errors.find("line 1: " + std::string(message)), std::string::npos) << errors;
    }
    // a script that is not there, and a screenshot that cannot be written, are named
    EXPECT_EQ(wait(spawn({"--script", base + "/none.txt"}), 0), 2);
    EXPECT_NE(errors.find("cannot read the script " + base + "/none.txt"), std::string::npos)
        << errors;
    EXPECT_NE(run({}, "pass\nshot " + base + "/none/s.raw\n"), 0);
    EXPECT_NE(errors.find("cannot write the screenshot " + base + "/none/s.raw"), std::string::npos)
        << errors;
    // the program never started for the bad scripts: no framebuffer file yet
    std::filesystem::remove_all(root + "/dev");
    EXPECT_EQ(run({}, "pass\nltap 1\n"), 2);
    EXPECT_FALSE(exists(root + "/dev/fb"));
}

TEST_F(Sim, WithoutScriptRunsUntilExitTakingTouchesFromTheFifo) {
    makeCard();
    const pid_t pid = spawn({});
    ASSERT_GT(pid, 0);
    // another program may feed the touch FIFO: here, a tap on EXIT
    const std::string fifo = root + "/dev/ts";
    for (int i = 0; i < 200 && !exists(fifo); ++i)
        usleep(50000);
    struct stat fifoStatus {};
    ASSERT_EQ(stat(fifo.c_str(), &fifoStatus), 0);
    EXPECT_EQ(fifoStatus.st_mode & 07777, 0600u) << "only its user may touch the screen";
    {
        std::ofstream touch(fifo, std::ios::binary);
        const int16_t samples[2][4] = {{255, 353, 30, 0}, {0, 353, 30, 0}};
        touch.write(reinterpret_cast<const char*>(samples), sizeof samples);
    }
    ASSERT_EQ(wait(pid, 20), 0) << errors;
    EXPECT_TRUE(exists(dataFile("properties.txt")));
}

// A FIFO already there is kept with what waits in it: a feeder may start first.
TEST_F(Sim, TouchFifoAlreadyThereIsKept) {
    makeCard();
    const std::string fifo = root + "/dev/ts";
    std::filesystem::create_directories(root + "/dev");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const int fd = open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_NE(fd, -1);
    const int16_t samples[2][4] = {{255, 353, 30, 0}, {0, 353, 30, 0}}; // a tap on EXIT
    ASSERT_EQ(write(fd, samples, sizeof samples), static_cast<ssize_t>(sizeof samples));
    const pid_t pid = spawn({});
    ASSERT_GT(pid, 0);
    EXPECT_EQ(wait(pid, 20), 0) << errors;
    close(fd);
    EXPECT_TRUE(exists(dataFile("properties.txt")));

    // a folder in its place is left alone, and the run ends with the reason
    std::filesystem::remove(fifo);
    std::filesystem::create_directories(fifo + "/kept");
    EXPECT_EQ(run({}, "pass\n"), 2);
    EXPECT_NE(errors.find("cannot open FIFO " + fifo + ": Is a directory"), std::string::npos)
        << errors;
    EXPECT_TRUE(exists(fifo + "/kept"));
}

TEST_F(Sim, ThirtyTwoBitScreen) {
    makeCard(4);
    ASSERT_EQ(run({"--bpp", "32"}, "pass\n" + ltap("EXIT")), 0) << errors;
    const std::string fb = readFile(root + "/dev/fb");
    ASSERT_EQ(fb.size(), 400u * 256 * 4);
    const auto at = [&](int x, int y) {
        const std::size_t i = (static_cast<std::size_t>(y) * 400 + x) * 4;
        return static_cast<uint16_t>(static_cast<uint8_t>(fb[i]) | static_cast<uint8_t>(fb[i + 1])
                                                                       << 8);
    };
    EXPECT_EQ(at(353, 80), S0A); // CAR1
    EXPECT_EQ(at(353, 177), S0); // BIKE
}

} // namespace

// A resistive panel under a half-turned screen: its readings fall from 4000 across the
// touch coordinates and rise from 200 down them.
int32_t panelX(int x) {
    return 4000 - 10 * x;
}
int32_t panelY(int y) {
    return 200 + 14 * y;
}

// A press at touch point (x, y) with reports wandering by the offsets, then the lift.
std::string panelPress(int x, int y, std::initializer_list<int> wander = {0}) {
    std::string lines = "event 1 0x14a 1\n";
    for (const int d : wander)
        lines += "event 3 0 " + std::to_string(panelX(x) + d) + "\nevent 3 1 " +
                 std::to_string(panelY(y) - d) + "\nevent 0 0 0\n";
    return lines + "event 1 0x14a 0\nevent 0 0 0\npass\n";
}

// The same on a layout point of the half-turned 400 x 256 screen.
std::string panelTap(LayoutPoint p) {
    return panelPress(399 - p.x, 255 - p.y);
}

TEST_F(Sim, CalibrationToolWritesTheFileTheLogbookThenUses) {
    makeCard();
    writeFile(dataFile("properties.txt"), "P_ROT180: 1\n");
    const std::string first = base + "/first.raw", test = base + "/test.raw";
    const std::string crosses = panelPress(15, 15, {4, -3, 1, 3, -4}) + panelPress(385, 15) +
                                panelPress(385, 241, {2, -2}) + panelPress(15, 241);
    // a touch that reports no position (it counts as no cross), a round spoiled by a
    // second touch on the first cross, then a good one, a test touch, touches a point off
    // each edge of DONE (touch 150,118 to 250,168) and DONE's corner
    const std::string still = base + "/still.raw", after = base + "/after.raw";
    const std::string script =
        "pass\nshot " + first + "\n" +
        "event 1 0x14a 1\nevent 0 0 0\nevent 1 0x14a 0\nevent 0 0 0\npass\n" + panelPress(15, 15) +
        panelPress(15, 15) + panelPress(385, 241) + panelPress(15, 241) + crosses +
        panelPress(300, 60) + "shot " + test + "\n" + panelPress(149, 118) + panelPress(150, 117) +
        panelPress(251, 168) + panelPress(250, 169) + "shot " + still + "\n" +
        panelPress(250, 168) + "shot " + after + "\n";
    ASSERT_EQ(run({"--touch", "event", "--calibrate"}, script), 0) << errors;
    EXPECT_TRUE(exists(still));
    EXPECT_FALSE(exists(after));

    const int32_t expected[4] = {panelX(385), panelX(15), panelY(241), panelY(15)};
    EXPECT_EQ(readFile(root + "/mnt/flash/sysfile/cal"),
              std::string(reinterpret_cast<const char*>(expected), sizeof expected));
    const int32_t simDefault[4] = {3950, 150, 3900, 200};
    EXPECT_EQ(readFile(root + "/mnt/flash/sysfile/cal.bak"),
              std::string(reinterpret_cast<const char*>(simDefault), sizeof simDefault));
    // The half turn puts touch point (15, 15) in the screen's far corner, and the test
    // touch at (300, 60) leaves its dot at (99, 195).
    const uint16_t white = 0xFFFF, yellow = 0xFEE0;
    const std::string firstShot = readFile(first), testShot = readFile(test);
    EXPECT_EQ(pixel(firstShot, 400, 384, 240), white);
    EXPECT_EQ(pixel(firstShot, 400, 374, 240), white);
    EXPECT_EQ(count(firstShot, 400, 0, 0, 40, 40, white), 0);
    EXPECT_EQ(pixel(testShot, 400, 99, 195), yellow);
    EXPECT_GT(count(testShot, 400, 0, 0, 399, 255, 0x67EC), 50)
        << "\"Calibration saved.\" in green";
    const int dot = count(testShot, 400, 95, 191, 103, 199, yellow);
    EXPECT_GT(dot, 30);
    EXPECT_EQ(count(testShot, 400, 0, 0, 399, 255, yellow), dot);
    // DONE: a 100 x 50 box 15 points below the middle, from layout 150,118 to 250,168,
    // both edges inclusive; half-turned, 149,87 to 249,137.
    const uint16_t grey = 0x630C;
    for (const auto& [x, y] : {std::pair{149, 87}, {249, 87}, {149, 137}, {249, 137}})
        EXPECT_EQ(pixel(testShot, 400, x, y), grey) << x << "," << y;
    EXPECT_EQ(count(testShot, 400, 0, 0, 399, 255, grey),
              count(testShot, 400, 149, 87, 249, 137, grey));

    // The logbook, with the new file, places the same panel's touches on its keys.
    const std::string refill = panelTap(keyPoint('5')) + panelTap(keyPoint('7')) +
                               panelTap(buttonPoint("DRIVEN")) + panelTap(keyPoint('3')) +
                               panelTap(buttonPoint("REFILLED")) + panelTap(buttonPoint("SAVE"));
    ASSERT_EQ(run({"--touch", "event"}, refill), 0) << errors;
    expectRecords(records(readFile(dataFile("consumption.txt"))),
                  {"1\t57.00\t3.00\t0.0\t0.00\t5.26"});

    // A calibration that cannot be saved leaves the old one, says why in Debug.log and
    // ends the tool with status 1.
    const std::string cal = root + "/mnt/flash/sysfile/cal";
    const std::string before = readFile(cal);
    std::filesystem::create_directory(cal + ".new");
    EXPECT_EQ(run({"--touch", "event", "--calibrate"}, crosses + panelPress(200, 128)), 1);
    EXPECT_EQ(readFile(cal), before);
    EXPECT_NE(readFile(dataFile("Debug.log"))
                  .find("Error saving calibration: cannot create " + cal + ".new: Is a directory"),
              std::string::npos)
        << readFile(dataFile("Debug.log"));
}
