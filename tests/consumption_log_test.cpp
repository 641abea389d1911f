#include "app/app_state.h"
#include "app/entry.h"
#include "base/debug_log.h"
#include "base/paths.h"
#include "props/properties.h"
#include "records/consumption_log.h"
#include "records/vehicles.h"
#include "tests/test_root.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void putScratch(const char* text) {
    std::snprintf(scratchText, SCRATCH_SIZE, "%s", text);
}

const char* const HEADER =
    "# This file contains the consumption-values you entered.\n"
    "#\n"
    "# Format is: (\"[]\" means \"optional\")\n"
    "#  vehicle \\t [distance] \\t fuel \\t [odometer] \\t price\n"
    "#    (and optional:) \\t [consumption] \\t [utc-time] \\n\n"
    "#\n"
    "#   \"vehicle\" ist the actually chosen vehicle, \"0\" is \"motorcycle\", \"1\" is "
    "\"car 1\" and \"2\" is \"car 2\"\n"
    "#\n";

// The record's fields before its time stamp, which must be a ctime text ending the line.
std::string withoutTime(const std::string& line) {
    static const std::regex ctimeEnd("[A-Z][a-z]{2} [A-Z][a-z]{2} [ 1-3][0-9] "
                                     "[0-2][0-9]:[0-5][0-9]:[0-6][0-9] [0-9]{4}\n$");
    std::smatch found;
    if (!std::regex_search(line, found, ctimeEnd))
        return "no time at the end of: " + line;
    return line.substr(0, found.position(0));
}

void enterRefill(double distance, double fuel, double price) {
    app.enteredDistance = distance;
    app.enteredFuel = fuel;
    app.enteredPrice = price;
}

} // namespace

TEST(RecordReading, SelectsLinesOfOneVehicleAndSkipsComments) {
    std::istringstream log("# header\n"
                           "#\n"
                           "2\t100.00\t5.00\t0.0\t7.00\t5.00\tMon\n"
                           "12\t100.00\t5.00\t0.0\t7.00\t5.00\tMon\n"
                           "1\t412.00\t31.50\t0.0\t44.07\t7.65\tSun\n"
                           "x1\tnot a record\n"
                           "1\t0.0\t20.00\t1234.00\t30.00\t0.00\tTue\n");
    ASSERT_EQ(nextRecordLine(log, 1), 33);
    EXPECT_STREQ(scratchText, "1\t412.00\t31.50\t0.0\t44.07\t7.65\tSun");
    ASSERT_GT(nextRecordLine(log, 1), 0);
    EXPECT_STREQ(scratchText, "1\t0.0\t20.00\t1234.00\t30.00\t0.00\tTue");
    EXPECT_EQ(nextRecordLine(log, 1), 0);
    EXPECT_EQ(nextRecordLine(log, 1), 0);

    std::istringstream again("12\t1\n2\t1\n");
    ASSERT_GT(nextRecordLine(again, 12), 0);
    EXPECT_STREQ(scratchText, "12\t1");
}

TEST(RecordReading, BlankLineHidesTheRecordsAfterIt) {
    std::istringstream log("1\t10\t1\t0.0\t1\t0.00\tMon\n"
                           "\n"
                           "1\t20\t2\t0.0\t2\t0.00\tMon\n");
    EXPECT_GT(nextRecordLine(log, 1), 0);
    EXPECT_EQ(nextRecordLine(log, 1), 0);
}

TEST(RecordReading, LastLineWithoutNewlineIsRead) {
    std::istringstream log("1\t10\t1\t0.0\t1");
    EXPECT_EQ(nextRecordLine(log, 1), 12);
    EXPECT_EQ(nextRecordLine(log, 1), 0);
}

TEST(RecordReading, OverlongLineIsCutAndTheNextLineStillFollows) {
    std::string longLine = "1\t50\t";
    longLine.append(1000, '7');
    std::istringstream log(longLine + "\n1\t60\t3\t0.0\t4\t0.00\tMon\n");
    ASSERT_EQ(nextRecordLine(log, 1), 255);
    EXPECT_EQ(std::string(scratchText), longLine.substr(0, 255));
    ASSERT_GT(nextRecordLine(log, 1), 0);
    EXPECT_STREQ(scratchText, "1\t60\t3\t0.0\t4\t0.00\tMon");
}

TEST(RecordReading, NulBytesEndTheTextAndDoNotHideLaterLines) {
    std::string data("\0\0\n1\0\t99\n1\t5\t1\t0.0\t1\n", 20);
    std::istringstream log(data);
    ASSERT_EQ(nextRecordLine(log, 1), 1);
    EXPECT_STREQ(scratchText, "1");
    EXPECT_EQ(readRecordFields().distance, 0.0);
    ASSERT_GT(nextRecordLine(log, 1), 0);
    EXPECT_EQ(readRecordFields().distance, 5.0);
}

TEST(RecordReading, HugeVehicleNumberMatchesNothing) {
    std::istringstream log("99999999999999999999999\t1\n");
    EXPECT_EQ(nextRecordLine(log, 1), 0);
}

TEST(RecordReading, DropFieldMovesTheRestToTheFront) {
    putScratch("a\tb\tc");
    EXPECT_EQ(dropField('\t'), 2);
    EXPECT_STREQ(scratchText, "b\tc");
    EXPECT_EQ(dropField('\t'), 2);
    EXPECT_STREQ(scratchText, "c");
    EXPECT_EQ(dropField('\t'), -1);
    EXPECT_STREQ(scratchText, "c");

    putScratch("no tab here");
    EXPECT_EQ(dropField('\t'), -1);
    EXPECT_STREQ(scratchText, "no tab here");

    putScratch("vehicle\t");
    EXPECT_EQ(dropField('\t'), 8);
    EXPECT_STREQ(scratchText, "");
}

TEST(RecordReading, DropFieldStaysInsideAnUnterminatedBuffer) {
    std::memset(scratchText, 'x', SCRATCH_SIZE);
    scratchText[SCRATCH_SIZE - 1] = '\t'; // beyond the 255 characters it may look at
    EXPECT_EQ(dropField('\t'), -1);
    scratchText[10] = '\t';
    EXPECT_EQ(dropField('\t'), 11);
    EXPECT_EQ(std::strlen(scratchText), 255u - 11u);
}

TEST(RecordReading, FieldsOfATripAndAnOdometerRecord) {
    std::istringstream log("1\t99.99\t31.50\t0.0\t44.07\t7.65\tSun Dec  6 22:41:59 2026\n"
                           "1\t0.0\t20.5\t12345.6\t30.25\t0.00\tSun Dec  6 22:41:59 2026\n");
    ASSERT_GT(nextRecordLine(log, 1), 0);
    RecordFields trip = readRecordFields();
    EXPECT_EQ(trip.distance, 99.0);
    EXPECT_DOUBLE_EQ(trip.fuel, 31.5);
    EXPECT_EQ(trip.odometer, 0.0);
    EXPECT_DOUBLE_EQ(trip.price, 44.07);

    ASSERT_GT(nextRecordLine(log, 1), 0);
    RecordFields odometer = readRecordFields();
    EXPECT_EQ(odometer.distance, 0.0);
    EXPECT_DOUBLE_EQ(odometer.fuel, 20.5);
    EXPECT_DOUBLE_EQ(odometer.odometer, 12345.6);
    EXPECT_DOUBLE_EQ(odometer.price, 30.25);
}

TEST(RecordReading, MissingEmptyAndBadFieldsReadZero) {
    // cut short after the distance: the distance is not read again as fuel and price
    putScratch("1\t412.00");
    RecordFields cut = readRecordFields();
    EXPECT_EQ(cut.distance, 412.0);
    EXPECT_EQ(cut.fuel, 0.0);
    EXPECT_EQ(cut.odometer, 0.0);
    EXPECT_EQ(cut.price, 0.0);

    // an empty distance does not read the fuel that follows it
    putScratch("1\t\t31.5\t \t44");
    RecordFields empty = readRecordFields();
    EXPECT_EQ(empty.distance, 0.0);
    EXPECT_DOUBLE_EQ(empty.fuel, 31.5);
    EXPECT_EQ(empty.odometer, 0.0);
    EXPECT_EQ(empty.price, 44.0);

    putScratch("1\tabc\tx\t1e999\t12abc");
    RecordFields bad = readRecordFields();
    EXPECT_EQ(bad.distance, 0.0);
    EXPECT_EQ(bad.fuel, 0.0);
    EXPECT_EQ(bad.odometer, HUGE_VAL);
    EXPECT_EQ(bad.price, 12.0);
}

using ConsumptionLogTest = RootTest;

TEST_F(ConsumptionLogTest, FirstSaveWritesTheHeaderOnceThenRecordsFollow) {
    setProperty("P_DEFAULTVEHICLE", "1");
    enterRefill(412, 31.5, 44.07);
    appendConsumptionRecord();
    const std::string first = readFile(dataFile("consumption.txt"));
    ASSERT_EQ(first.compare(0, std::strlen(HEADER), HEADER), 0) << first;
    EXPECT_EQ(withoutTime(first.substr(std::strlen(HEADER))),
              "1\t412.00\t31.50\t0.0\t44.07\t7.65\t");

    enterRefill(100, 5.25, 8);
    appendConsumptionRecord();
    const std::string both = readFile(dataFile("consumption.txt"));
    ASSERT_EQ(both.compare(0, first.size(), first), 0);
    EXPECT_EQ(withoutTime(both.substr(first.size())), "1\t100.00\t5.25\t0.0\t8.00\t5.25\t");
}

TEST_F(ConsumptionLogTest, OdometerModeWritesTheReadingInTheFourthField) {
    selectVehicle(0);
    setOdometerMode(1);
    enterRefill(12345.6, 20, 30.5);
    appendConsumptionRecord();
    const std::string log = readFile(dataFile("consumption.txt"));
    EXPECT_EQ(withoutTime(log.substr(std::strlen(HEADER))),
              "0\t0.0\t20.00\t12345.60\t30.50\t0.00\t");
    EXPECT_STREQ(app.inputText, "ok");
}

TEST_F(ConsumptionLogTest, ZeroDivisorIsWrittenAsPrinted) {
    enterRefill(0, 20, 30);
    appendConsumptionRecord();
    enterRefill(0, 0, 0);
    appendConsumptionRecord();
    std::ifstream log(dataFile("consumption.txt"));
    ASSERT_GT(nextRecordLine(log, 1), 0);
    EXPECT_EQ(withoutTime(std::string(scratchText) + "\n"), "1\t0.00\t20.00\t0.0\t30.00\tinf\t");
    ASSERT_GT(nextRecordLine(log, 1), 0);
    const std::string nan = withoutTime(std::string(scratchText) + "\n");
    EXPECT_TRUE(nan == "1\t0.00\t0.00\t0.0\t0.00\tnan\t" ||
                nan == "1\t0.00\t0.00\t0.0\t0.00\t-nan\t")
        << nan;
}

TEST_F(ConsumptionLogTest, UnknownVehicleIsLoggedAndWrittenInTripForm) {
    setProperty("P_DEFAULTVEHICLE", "5");
    setOdometerMode(1);
    enterRefill(412, 31.5, 44.07);
    appendConsumptionRecord();
    const std::string log = readFile(dataFile("consumption.txt"));
    EXPECT_EQ(withoutTime(log.substr(std::strlen(HEADER))), "5\t412.00\t31.50\t0.0\t44.07\t7.65\t");
    const std::string get = "### get: Unknown OdometerMode-vehicle: 5\n";
    EXPECT_EQ(debugLogText(), "### set: Unknown OdometerMode-vehicle: 5\n" + get + get + get);
}

TEST_F(ConsumptionLogTest, SavedRecordsReadBackForTheirVehicle) {
    selectVehicle(2);
    enterRefill(99.99, 7.5, 12.25);
    appendConsumptionRecord();
    selectVehicle(1);
    enterRefill(300, 20, 30);
    appendConsumptionRecord();
    std::ifstream log(dataFile("consumption.txt"));
    ASSERT_GT(nextRecordLine(log, 2), 0);
    const RecordFields fields = readRecordFields();
    EXPECT_EQ(fields.distance, 99.0);
    EXPECT_EQ(fields.fuel, 7.5);
    EXPECT_EQ(fields.odometer, 0.0);
    EXPECT_EQ(fields.price, 12.25);
    EXPECT_EQ(nextRecordLine(log, 2), 0);
}

TEST_F(ConsumptionLogTest, RecordReachesTheCardThroughOneWrite) {
    const long before = writeCallCount();
    enterRefill(412, 31.5, 44.07);
    appendConsumptionRecord(); // creates the file: header and record together
    const long afterFirst = writeCallCount();
    enterRefill(100, 5, 8);
    appendConsumptionRecord();
    const long afterSecond = writeCallCount();
    EXPECT_EQ(afterFirst - before, 1);
    EXPECT_EQ(afterSecond - afterFirst, 1);
}

TEST_F(ConsumptionLogTest, RecordAfterALineCutShortStartsOnItsOwnLine) {
    // a power cut during an earlier append left half a record and no newline
    const std::string damaged = "1\t412.00\t31.5";
    writeFile(dataFile("consumption.txt"), HEADER + damaged);
    enterRefill(100, 5, 8);
    appendConsumptionRecord();
    const std::string log = readFile(dataFile("consumption.txt"));
    const std::string after = log.substr(std::strlen(HEADER));
    ASSERT_EQ(after.compare(0, damaged.size() + 1, damaged + "\n"), 0) << after;
    EXPECT_EQ(withoutTime(after.substr(damaged.size() + 1)), "1\t100.00\t5.00\t0.0\t8.00\t5.00\t");

    std::ifstream in(dataFile("consumption.txt"));
    ASSERT_GT(nextRecordLine(in, 1), 0);
    EXPECT_STREQ(scratchText, "1\t412.00\t31.5");
    ASSERT_GT(nextRecordLine(in, 1), 0);
    EXPECT_EQ(readRecordFields().distance, 100.0);
}

TEST_F(ConsumptionLogTest, AFullCardCutsOnlyItsOwnRecord) {
    setProperty("P_DEFAULTVEHICLE", "1");
    enterRefill(412, 31.5, 44.07);
    appendConsumptionRecord();
    const std::string first = readFile(dataFile("consumption.txt"));

    // the card takes eleven more bytes, then refuses
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit full = saved;
    full.rlim_cur = first.size() + 11;
    auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &full), 0);
    enterRefill(200, 10, 20);
    appendConsumptionRecord();
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, oldHandler);
    EXPECT_STREQ(app.inputText, NOT_SAVED_TEXT); // rather than the result
    const std::string cut = readFile(dataFile("consumption.txt"));
    ASSERT_EQ(cut.size(), first.size() + 11);

    enterRefill(300, 15, 30);
    appendConsumptionRecord();
    std::ifstream in(dataFile("consumption.txt"));
    ASSERT_GT(nextRecordLine(in, 1), 0);
    EXPECT_EQ(readRecordFields().distance, 412.0);
    ASSERT_GT(nextRecordLine(in, 1), 0);
    EXPECT_STREQ(scratchText, "1\t200.00\t10");
    ASSERT_GT(nextRecordLine(in, 1), 0);
    EXPECT_EQ(readRecordFields().distance, 300.0);
}

// The refill must still be entered after a SAVE the card refused.
void expectRefillKept() {
    EXPECT_STREQ(app.inputText, NOT_SAVED_TEXT);
    EXPECT_EQ(app.enteredDistance, 412.0);
    EXPECT_EQ(app.enteredFuel, 31.5);
    EXPECT_EQ(app.enteredPrice, 44.07);
}

TEST_F(ConsumptionLogTest, RefusedSaveKeepsTheRefillForAnotherTouch) {
    std::filesystem::remove_all(dataDir()); // no card
    enterRefill(412, 31.5, 44.07);
    appendConsumptionRecord();
    expectRefillKept();
    EXPECT_FALSE(std::filesystem::exists(dataDir()));

    // A full card, with Debug.log still writable: the log is the always-full device.
    makeDirs(dataDir());
    std::filesystem::create_symlink("/dev/full", dataFile("consumption.txt"));
    appendConsumptionRecord();
    expectRefillKept();
    EXPECT_NE(debugLogText().find("consumption.txt: No space left on device"), std::string::npos)
        << debugLogText();

    // the card made good: the same touch saves the same refill
    std::filesystem::remove(dataFile("consumption.txt"));
    appendConsumptionRecord();
    EXPECT_STREQ(app.inputText, "=> 7.65");
    EXPECT_EQ(app.enteredDistance, 0.0);
    const std::string record = "1\t412.00\t31.50\t0.0\t44.07\t7.65\t";
    EXPECT_EQ(
        readFile(dataFile("consumption.txt")).compare(std::strlen(HEADER), record.size(), record),
        0);
}

// Unmounts the file system under a folder when the test ends, however it ends.
struct Mounted {
    std::string folder;
    ~Mounted() { umount2(folder.c_str(), MNT_DETACH); }
};

TEST_F(ConsumptionLogTest, FullAndReadOnlyCardOfItsOwn) {
    enterRefill(412, 31.5, 44.07);
    if (mount("pw-card", dataDir(), "tmpfs", 0, "size=64k") != 0) {
        // Without root no card can be mounted, but a folder without write permission
        // stands in for a read-only one.
        if (geteuid() == 0)
            GTEST_SKIP() << "cannot mount a small card: " << std::strerror(errno);
        chmod(dataDir(), 0555);
        appendConsumptionRecord();
        chmod(dataDir(), 0755);
        expectRefillKept();
        EXPECT_FALSE(fileExists(dataFile("consumption.txt")));
        return;
    }
    const Mounted card{dataDir()};
    // fill the card up to its last byte
    {
        std::ofstream filler(dataFile("filler"), std::ios::binary);
        const std::string block(4096, 'x');
        for (int i = 0; i < 64 && filler.write(block.data(), block.size()); ++i)
            filler.flush();
    }
    appendConsumptionRecord();
    expectRefillKept();
    std::filesystem::remove(dataFile("filler"));
    appendConsumptionRecord();
    EXPECT_STREQ(app.inputText, "=> 7.65");

    ASSERT_EQ(mount(nullptr, dataDir(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
    const std::string before = readFile(dataFile("consumption.txt"));
    enterRefill(412, 31.5, 44.07);
    appendConsumptionRecord();
    expectRefillKept();
    EXPECT_EQ(readFile(dataFile("consumption.txt")), before);
}
