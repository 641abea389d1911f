#include "tools/log/logbook.h"

#include "records/consumption_log.h"
#include "records/refill.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>

using namespace pwlog;

namespace {

std::string sampleLog() {
    std::string text;
    FILE* in = popen("bash " PW_SOURCE_DIR "/scripts/sample-log.sh", "r");
    char buffer[4096];
    for (std::size_t n; in && (n = std::fread(buffer, 1, sizeof buffer, in)) > 0;)
        text.append(buffer, n);
    if (in)
        pclose(in);
    return text;
}

// Odometer series with a top-up, a reading typed too low, a bad line and a trip.
const char* const HAND_LOG = "# header\n"
                             "1\t0.0\t40.00\t10000.00\t70.00\t0.00\tMon Jan  6 08:00:00 2025\n"
                             "1\t0.0\t10.00\t0.0\t18.00\t0.00\tTue Jan 14 08:00:00 2025\n"
                             "1\t0.0\t30.00\t10600.00\t54.00\t0.00\tWed Jan 22 08:00:00 2025\n"
                             "2\t300.00\t20.00\t0.0\t30.00\t6.67\tWed Jan 22 09:00:00 2025\n"
                             "1\t0.0\t35.00\t11100.00\t63.00\t0.00\tMon Feb 10 08:00:00 2025\n"
                             "1\t0.0\t20.00\t11000.00\t36.00\t0.00\tTue Feb 11 08:00:00 2025\n"
                             "1\t0.0\t33.00\t11500.00\t59.40\t0.00\tMon Mar  3 08:00:00 2025\n"
                             "1\tnan\t12.00\t0.0\t20.00\t0.00\tTue Mar  4 08:00:00 2025\n"
                             "1\t0.0\tabc\t11900.00\t20.00\t0.00\tWed Mar  5 08:00:00 2025\n";

// Hand-edited oddities the device must read the same way: a second fill at the same
// reading, an interval without fuel, a top-up before any reading, a trip that ends a
// series, readings before and after it, inf and nan, a short line.
const char* const ODD_LOG = "1\t0.0\t10.00\t0.0\t15.00\t0.00\tMon Jan  6 08:00:00 2025\n"
                            "1\t0.0\t30.00\t5000.00\t50.00\t0.00\tMon Jan  6 09:00:00 2025\n"
                            "1\t0.0\t5.00\t5000.00\t8.00\t0.00\tMon Jan  6 09:05:00 2025\n"
                            "1\t0.0\t0.00\t5400.00\t0.00\t0.00\tMon Jan 13 08:00:00 2025\n"
                            "1\t0.0\t31.00\t5800.00\t50.00\t0.00\tMon Jan 20 08:00:00 2025\n"
                            "1\t0.0\t9.00\t0.0\t15.00\t0.00\tMon Jan 27 08:00:00 2025\n"
                            "1\t412.99\t31.50\t0.0\t44.07\t7.65\tMon Feb  3 08:00:00 2025\n"
                            "1\t0.0\t28.00\t6300.00\t44.00\t0.00\tMon Feb 10 08:00:00 2025\n"
                            "1\t0.0\tinf\t6700.00\t44.00\t0.00\tMon Feb 17 08:00:00 2025\n"
                            "1\t0.0\t29.00\t7100.00\t44.00\t0.00\tMon Feb 24 08:00:00 2025\n"
                            "1\t350\t26\n"
                            "\n"
                            "1\t500.00\t30.00\t0.0\t44.00\t6.00\tMon Mar  3 08:00:00 2025\n";

// The device's own reading of the same text: its record reader and its statistics input.
StatsInput deviceReading(const std::string& text, int vehicle, int mode) {
    std::istringstream count(text);
    int n = 0;
    while (nextRecordLine(count, vehicle) > 0)
        ++n;
    StatsInput input = makeStatsInput(n);
    std::istringstream again(text);
    while (nextRecordLine(again, vehicle) > 0)
        addStatsRecord(input, readRecordFields(), mode);
    return input;
}

TEST(LogbookTest, IntervalsAreTheDevicesForTheSampleAndHandMadeLogs) {
    // The hand log without its unreadable numbers, which the device reads as 0 where this
    // leaves the record out.
    std::istringstream lines(HAND_LOG);
    std::string hand;
    for (std::string line; std::getline(lines, line);)
        if (line.find("nan") == std::string::npos && line.find("abc") == std::string::npos)
            hand += line + "\n";
    int compared = 0;
    for (const std::string& text : {sampleLog(), hand, std::string(ODD_LOG)}) {
        const LogRecords records = splitLog(text);
        for (int vehicle = 0; vehicle < 3; ++vehicle)
            for (int mode = 0; mode < 2; ++mode) {
                const VehicleLog ours = readVehicle(records.records, vehicle);
                const StatsInput device = deviceReading(text, vehicle, mode);
                ASSERT_EQ(static_cast<int>(ours.refills.size()), device.count);
                for (int i = 0; i < device.count; ++i) {
                    const pwlog::Refill& r = ours.refills[i];
                    const double theirs = device.consumption[i];
                    SCOPED_TRACE("line " + std::to_string(r.record.line));
                    if (r.complete()) {
                        EXPECT_DOUBLE_EQ(refillConsumption(r.distance, r.fuel, mode), theirs);
                        ++compared;
                    } else {
                        EXPECT_TRUE(theirs == NO_VALUE || theirs == CARRIED_VALUE) << theirs;
                    }
                }
            }
    }
    EXPECT_GT(compared, 80);
}

// Odometer readings of car 1, 40 litres for 60 each.
std::string readingsLog(const std::vector<double>& odometers) {
    std::string text;
    char line[128];
    for (double o : odometers) {
        std::snprintf(line, sizeof line, "1\t0.0\t40.00\t%.2f\t60.00\t0.00\t%s\n", o,
                      "Mon Jan  6 08:00:00 2025");
        text += line;
    }
    return text;
}

TEST(LogbookTest, ALowReadingIsASlipOrTheStartOfANewOdometer) {
    using K = Kind;
    const struct {
        std::vector<double> odometers;
        std::vector<Kind> kinds;
        double distance;
        const char* warning; // of the second record
    } cases[] = {
        {{50000, 5000, 51000, 51500},
         {K::Start, K::Slip, K::Interval, K::Interval},
         1500,
         "odometer 5000 is below the last reading of its series (50000): taken as a slip"},
        {{50000, 100, 600, 1100},
         {K::Start, K::Start, K::Interval, K::Interval},
         1000,
         "odometer 100 is below the last reading of its series (50000) and so is the next one "
         "(600): a new odometer, a new series starts here"},
        {{50000, 5000, 4000, 51500},
         {K::Start, K::Slip, K::Slip, K::Interval},
         1500,
         "slip of the keypad, its fuel carried into the next interval"},
        {{50000, 5000, 100, 600},
         {K::Start, K::Slip, K::Start, K::Interval},
         500,
         "slip of the keypad before a new odometer, its fuel in no interval"},
        {{50000, 5000}, {K::Start, K::Slip}, 0, "no later reading of the series says why"},
    };
    for (const auto& c : cases) {
        const std::string text = readingsLog(c.odometers);
        SCOPED_TRACE(text);
        const VehicleLog log = readVehicle(splitLog(text).records, 1);
        ASSERT_EQ(log.refills.size(), c.kinds.size());
        for (std::size_t i = 0; i < c.kinds.size(); ++i)
            EXPECT_EQ(log.refills[i].kind, c.kinds[i]) << i;
        ASSERT_FALSE(log.warnings.empty());
        EXPECT_EQ(log.warnings[0].line, 2);
        EXPECT_NE(log.warnings[0].text.find(c.warning), std::string::npos) << log.warnings[0].text;

        // the same figures as the device's statistics, money carried with the fuel
        const Summary s = summarise(log, 1, 0, 0.0, {});
        const StatsInput device = deviceReading(text, 1, 0);
        EXPECT_EQ(s.totals.distance, c.distance);
        EXPECT_EQ(device.pairs[device.count].distance, c.distance);
        EXPECT_EQ(device.pairs[device.count].fuel, s.totals.intervalFuel);
        if (c.distance > 0.0) {
            EXPECT_DOUBLE_EQ(*s.average, 8.0);
            EXPECT_DOUBLE_EQ(*s.costPer100, 12.0);
        }
    }
}

TEST(LogbookTest, SummaryOfAHandComputedLog) {
    const LogRecords records = splitLog(HAND_LOG);
    const VehicleLog log = readVehicle(records.records, 1);
    const std::vector<TireChange> events =
        readEvents("# tires\n1\t tirechange \t 10800 \tSat Feb  1 12:00:00 2025\n"
                   "2\ttirechange\t1\tSun Feb  2 12:00:00 2025\n"
                   "1\ttirechange\t10100\tWed Jan 15 12:00:00 2025\n" // older, written later
                   "1\ttirechange\t5\n"                               // no time stamp
                   "1\toilchange\t11000\tSat Mar  1 12:00:00 2025\n"  // another event
                   "1\ttirechange\n");                                // no value
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[3].value, "5");
    EXPECT_FALSE(events[3].time);
    const Summary s = summarise(log, 1, 0, 54.0, events);

    EXPECT_EQ(s.totals.refills, 6);
    EXPECT_DOUBLE_EQ(s.totals.distance, 1500.0); // 600 + 500 + 400 over the slip
    EXPECT_DOUBLE_EQ(s.totals.fuel, 168.0);
    EXPECT_NEAR(s.totals.money, 300.40, 1e-9);
    ASSERT_TRUE(s.average);
    EXPECT_DOUBLE_EQ(*s.average, 128.0 / 1500.0 * 100.0); // full to full: 8.53
    EXPECT_NEAR(*s.costPer100, 230.40 / 15.0, 1e-9);
    EXPECT_DOUBLE_EQ(*s.fullTankRange, 633.0);
    ASSERT_TRUE(s.best && s.worst);
    EXPECT_EQ(s.best->record.line, 4);     // 40 l over 600 km
    EXPECT_EQ(s.worst->record.line, 8);    // 20 + 33 l over 400 km
    EXPECT_EQ(s.tireChangeValue, "10800"); // the newest change, wherever the file has it
    EXPECT_EQ(summarise(log, 1, 0, 54.0, {events[2], events[0]}).tireChangeValue, "10800");
    EXPECT_DOUBLE_EQ(*s.sinceTireChange, 900.0);
    // one without a stamp cannot say which refills came after it: it counts for nothing
    EXPECT_EQ(summarise(log, 1, 0, 54.0, {events[3]}).tireChangeValue, "");
    EXPECT_EQ(date::format("%F %T", *s.first), "2025-01-06 08:00:00");
    EXPECT_EQ(date::format("%F %T", *s.last), "2025-03-03 08:00:00");

    ASSERT_EQ(s.months.size(), 3u);
    EXPECT_EQ(s.months[0].totals.refills, 3); // the top-up's fuel is in January's interval
    EXPECT_DOUBLE_EQ(s.months[0].totals.distance, 600.0);
    EXPECT_DOUBLE_EQ(s.months[0].totals.intervalFuel, 40.0);
    EXPECT_DOUBLE_EQ(s.months[0].totals.fuel, 80.0);
    EXPECT_EQ(s.months[1].totals.refills, 2); // the slip's fuel is in March's interval
    EXPECT_DOUBLE_EQ(s.months[2].totals.intervalFuel, 53.0);
    ASSERT_EQ(s.years.size(), 1u);
    EXPECT_DOUBLE_EQ(s.years[0].totals.money, s.totals.money);

    // Equal intervals: the first of them is the best or the worst, in either mode.
    const LogRecords ties = splitLog("1\t0.0\t40\t10000\t60\t0\tMon Jan  6 08:00:00 2025\n"
                                     "1\t0.0\t30\t10500\t45\t0\tMon Jan 13 08:00:00 2025\n"
                                     "1\t0.0\t36\t11000\t54\t0\tMon Jan 20 08:00:00 2025\n"
                                     "1\t0.0\t30\t11500\t45\t0\tMon Jan 27 08:00:00 2025\n"
                                     "1\t0.0\t36\t12000\t54\t0\tMon Feb  3 08:00:00 2025\n");
    const VehicleLog tied = readVehicle(ties.records, 1);
    for (int mode : {0, 1}) {
        const Summary t = summarise(tied, 1, mode, 0.0, {});
        ASSERT_TRUE(t.best && t.worst);
        EXPECT_EQ(t.best->record.line, 2) << mode;
        EXPECT_EQ(t.worst->record.line, 3) << mode;
    }

    // Mode 1: distance per fuel unit, best is the highest.
    const Summary perFuel = summarise(log, 1, 1, 54.0, {});
    EXPECT_DOUBLE_EQ(*perFuel.average, 1500.0 / 128.0);
    EXPECT_EQ(perFuel.best->record.line, 4);
    EXPECT_DOUBLE_EQ(*perFuel.fullTankRange, 633.0);
}

TEST(LogbookTest, RecordsTheDeviceSkipsAreWarnedWithTheirLines) {
    const LogRecords records = splitLog(
        std::string(HAND_LOG) + "1\t0.0\t0.00\t12000.00\t0.00\t0.00\tThu Mar  6 08:00:00 2025\n"
                                "\n1\t100\t5\t0\t5\n");
    std::vector<Warning> all = records.warnings;
    const VehicleLog log = readVehicle(records.records, 1);
    all.insert(all.end(), log.warnings.begin(), log.warnings.end());
    std::string text;
    for (const Warning& w : all)
        text += std::to_string(w.line) + ": " + w.text + "\n";
    EXPECT_NE(text.find("9: unreadable distance \"nan\""), std::string::npos) << text;
    EXPECT_NE(text.find("10: unreadable fuel \"abc\""), std::string::npos) << text;
    EXPECT_NE(text.find("11: no fuel: left out"), std::string::npos) << text;
    EXPECT_NE(text.find("12: empty line"), std::string::npos) << text;
    EXPECT_NE(text.find("7: odometer 11000 is below the last reading of its series (11100): "
                        "taken as a slip of the keypad"),
              std::string::npos)
        << text;
    EXPECT_EQ(all.size(), 5u) << text;
    for (const pwlog::Refill& r : log.refills)
        EXPECT_EQ(r.kind == Kind::LeftOut, r.record.line >= 9) << r.record.line;

    // ctime texts both ways, the blank-padded day included
    const auto t = parseCtime("Sun Dec  6 22:41:59 2026");
    ASSERT_TRUE(t);
    EXPECT_EQ(formatCtime(*t), "Sun Dec  6 22:41:59 2026");
    EXPECT_FALSE(parseCtime("yesterday"));
    EXPECT_EQ(formatCtime(*parseCtime("Fri Dec 31 23:59:59 9999")), "Fri Dec 31 23:59:59 9999");
    EXPECT_FALSE(parseCtime("Mon Mar  2 10:12:44 40000")); // would wrap to a negative year
    EXPECT_FALSE(parseCtime("Mon Mar  2 10:12:44 -31073"));
    EXPECT_FALSE(parseCtime("Sat Jan  1 10:12:44 0"));
    EXPECT_EQ(formatCtime(*parseCtime("Mon Jan  1 10:12:44 1")), "Mon Jan  1 10:12:44 1");
    EXPECT_FALSE(parseCtime("Sun Feb 30 08:00:00 2025"));
    EXPECT_FALSE(parseCtime("Sun Xyz  6 08:00:00 2025")); // no month of that name
    // every field within its clock's range (a leap second's :60 included), no further
    EXPECT_TRUE(parseCtime("Wed Dec 31 23:59:60 2025"));
    for (const char* stamp :
         {"Wed Jan 257 08:00:00 2025", "Mon Jan  6 -1:00:00 2025", "Mon Jan  6 08:60:00 2025",
          "Mon Jan  6 08:-1:00 2025", "Mon Jan  6 08:00:61 2025", "Mon Jan  6 08:00:-1 2025"})
        EXPECT_FALSE(parseCtime(stamp)) << stamp;
    // the clock runs to 23:59:59: a record stamped 24:00:00 has no date
    const LogRecords midnight =
        splitLog("1\t0.0\t5.00\t100.00\t9.00\t0.00\tMon Jan  6 24:00:00 2025\n");
    ASSERT_EQ(midnight.records.size(), 1u);
    EXPECT_FALSE(midnight.records[0].time);
    EXPECT_EQ(midnight.warnings.size(), 1u);
    // a line of six fields is a record without a date
    const LogRecords undated = splitLog("1\t0.0\t5.00\t100.00\t9.00\t0.00\n");
    ASSERT_EQ(undated.records.size(), 1u);
    EXPECT_FALSE(undated.records[0].time);
    ASSERT_EQ(undated.warnings.size(), 1u);
    EXPECT_EQ(undated.warnings[0].text, "no date: left out of the periods");
    // every line that starts with a digit is a record, whatever vehicle it names; other
    // lines are the device's comments
    const LogRecords vehicles = splitLog("0\t0.0\t5.00\t0.00\t9.00\t0.00\tx\n/ comment\n"
                                         "9\t0.0\t5.00\t0.00\t9.00\t0.00\tx\n:\n"
                                         "4294967297\t0.0\t5.00\t0.00\t9.00\t0.00\tx\n");
    ASSERT_EQ(vehicles.records.size(), 3u);
    EXPECT_EQ(vehicles.records[0].vehicle, 0);
    EXPECT_EQ(vehicles.records[1].vehicle, 9);
    EXPECT_NE(vehicles.records[2].vehicle, 1); // no car 1 by wrapping round
}

TEST(LogbookTest, NewRecordsGoWhereTheDeviceReads) {
    const struct {
        const char* log;
        std::size_t keep;
        bool newline;
        int emptyLine;
    } cases[] = {
        {"", 0, false, 0},
        {"1\t1\n", 4, false, 0},
        {"1\t1", 3, true, 0},        // cut short by a power cut
        {"1\t1\n\n\n", 4, false, 2}, // empty lines at the end are dropped
        {"\n", 0, false, 1},
        {"1\t1\n\n1\t2\n", std::string::npos, false, 2}, // a record nothing reads
        {"\n\n# note\n", std::string::npos, false, 1},
    };
    for (const auto& c : cases) {
        const AppendPoint at = appendPoint(c.log);
        EXPECT_EQ(at.keep, c.keep) << c.log;
        EXPECT_EQ(at.newline, c.newline) << c.log;
        EXPECT_EQ(at.emptyLine, c.emptyLine) << c.log;
    }
    // what a message quotes of a field: control characters shown, long ones cut
    EXPECT_EQ(printable("a\x1b[2Jb\x7f\t"), "a\\x1b[2Jb\\x7f\\x09");
    EXPECT_EQ(printable(std::string(100, 'x'), 5), "xxxxx... (100 bytes)");
}

} // namespace
