#include "app/app_state.h"
#include "app/entry.h"
#include "base/paths.h"
#include "props/properties.h"
#include "records/event_log.h"
#include "tests/test_root.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <regex>
#include <string>

namespace {

const char* const HEADER =
    "# This file contains the special events you triggered.\n"
    "#  At the moment, there is only \"tirechange\", so one can monitor wearout.\n"
    "#\n"
    "# Format is: (\"[]\" means \"optional\")\n"
    "#  vehicle \\t event \\t actually displayed value \\t [utc-time] \\n\n"
    "#\n"
    "#   \"vehicle\" ist the actually chosen vehicle, \"0\" is \"motorcycle\", \"1\" is "
    "\"car 1\" and \"2\" is \"car 2\"\n"
    "#\n";

const std::regex CTIME_LINE_END("[A-Z][a-z]{2} [A-Z][a-z]{2} [ 1-3][0-9] "
                                "[0-2][0-9]:[0-5][0-9]:[0-6][0-9] [0-9]{4}\n");

void press(const char* keys) {
    for (const char* key = keys; *key; ++key)
        digitAction(*key);
}

} // namespace

using EventLogTest = RootTest;

TEST_F(EventLogTest, NothingToRecordLeavesEverythingAlone) {
    appendTireChange(); // the clear entry "0"
    std::snprintf(app.inputText, INPUT_TEXT_SIZE, "ok");
    app.fullRedrawRequested = false;
    appendTireChange();
    EXPECT_STREQ(app.inputText, "ok");
    EXPECT_FALSE(app.fullRedrawRequested);
    EXPECT_FALSE(fileExists(dataFile("events.txt")));
}

TEST_F(EventLogTest, TireChangesFollowTheHeaderAsTyped) {
    setProperty("P_DEFAULTVEHICLE", "2");
    press("12345");
    appendTireChange();
    EXPECT_STREQ(app.inputText, "ok");
    EXPECT_EQ(app.inputLength, 0);
    EXPECT_TRUE(app.fullRedrawRequested);

    press(".5");
    appendTireChange();
    const std::string log = readFile(dataFile("events.txt"));
    ASSERT_EQ(log.compare(0, std::strlen(HEADER), HEADER), 0) << log;
    const std::string records = log.substr(std::strlen(HEADER));
    const std::regex expected("2\ttirechange\t12345\t" + std::string("[^\n]*\n") +
                              "2\ttirechange\t0\\.5\t[^\n]*\n");
    EXPECT_TRUE(std::regex_match(records, expected)) << records;
    const std::size_t secondLine = records.find('\n') + 1;
    EXPECT_TRUE(std::regex_search(records.substr(0, secondLine), CTIME_LINE_END));
    EXPECT_FALSE(app.decimalEntered);
}

TEST_F(EventLogTest, OneWriteAndALineOfItsOwnAfterACutShortLine) {
    writeFile(dataFile("events.txt"), std::string(HEADER) + "1\ttirech");
    press("777");
    const long before = writeCallCount();
    appendTireChange();
    const long after = writeCallCount();
    EXPECT_EQ(after - before, 1);
    const std::string log = readFile(dataFile("events.txt"));
    EXPECT_EQ(log.compare(std::strlen(HEADER), 26, "1\ttirech\n1\ttirechange\t777\t"), 0) << log;
}

TEST_F(EventLogTest, RefusedTireChangeIsKeptForAnotherTouch) {
    // a full card (the log is the always-full device), then no card at all
    std::filesystem::create_symlink("/dev/full", dataFile("events.txt"));
    press("5");
    appendTireChange();
    EXPECT_STREQ(app.inputText, NOT_SAVED_TEXT);
    EXPECT_NE(debugLogText().find("events.txt: No space left on device"), std::string::npos);
    std::filesystem::remove(dataFile("events.txt"));
    std::filesystem::rename(dataDir(), root + "/elsewhere");
    appendTireChange();
    EXPECT_STREQ(app.inputText, NOT_SAVED_TEXT);

    // back in place: the same touch writes the number typed before
    std::filesystem::rename(root + "/elsewhere", dataDir());
    appendTireChange();
    EXPECT_STREQ(app.inputText, "ok");
    EXPECT_EQ(
        readFile(dataFile("events.txt")).compare(std::strlen(HEADER), 15, "1\ttirechange\t5\t"), 0);
    appendTireChange(); // "ok" is nothing to record
    const std::string log = readFile(dataFile("events.txt"));
    EXPECT_EQ(log.size(), std::strlen(HEADER) + 15 + 25) << log;
}

// The refusal of another button is not the tire change's: touching TIRES then writes
// nothing, even once the card takes writing again.
TEST_F(EventLogTest, RefusedTireChangeIsNotWrittenAfterAnotherRefusal) {
    std::filesystem::create_symlink("/dev/full", dataFile("events.txt"));
    std::filesystem::create_symlink("/dev/full", dataFile("consumption.txt"));
    press("5");
    appendTireChange();
    ASSERT_STREQ(app.inputText, NOT_SAVED_TEXT);
    app.enteredDistance = 400;
    app.enteredFuel = 30;
    appendConsumptionRecord();
    ASSERT_STREQ(app.inputText, NOT_SAVED_TEXT);
    std::filesystem::remove(dataFile("events.txt"));
    std::filesystem::remove(dataFile("consumption.txt"));
    appendTireChange();
    EXPECT_FALSE(fileExists(dataFile("events.txt")));
    EXPECT_STREQ(app.inputText, NOT_SAVED_TEXT);
}
