#include "app/debug_log.h"
#include "records/consumption_log.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>

namespace {

void putScratch(const char* text) {
    std::snprintf(scratchText, SCRATCH_SIZE, "%s", text);
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
