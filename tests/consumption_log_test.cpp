#include "app/app_state.h"
#include "app/entry.h"
#include "base/debug_log.h"
#include "base/paths.h"
#include "props/properties.h"
#include "records/consumption_log.h"
#include "records/event_log.h"
#include "records/vehicles.h"
#include "tests/test_root.h"

#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
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

TEST(RecordReading, FieldsStayInsideAnUnterminatedBuffer) {
    std::memset(scratchText, '5', SCRATCH_SIZE);
    scratchText[1] = '\t';
    scratchText[SCRATCH_SIZE - 1] = '\t'; // beyond the 255 characters a line holds
    const RecordFields fields = readRecordFields();
    EXPECT_EQ(fields.distance, static_cast<double>(LLONG_MAX)); // 253 fives, saturated
    EXPECT_EQ(fields.fuel, 0.0);
}

namespace {

// The reading as it was first written, one character and one field move at a time with
// the library's conversions: the quick reading must return the same lines and numbers.
int referenceNextLine(std::istream& in, int vehicle) {
    for (;;) {
        std::size_t kept = 0;
        bool empty = true;
        int c;
        while ((c = in.rdbuf()->sbumpc()) != EOF && c != '\n') {
            empty = false;
            if (kept < 255)
                scratchText[kept++] = static_cast<char>(c);
        }
        scratchText[kept] = '\0';
        if (empty)
            return 0;
        if (scratchText[0] < '0' || scratchText[0] > '9' ||
            std::strtol(scratchText, nullptr, 10) != vehicle)
            continue;
        return static_cast<int>(std::strlen(scratchText));
    }
}

bool referenceDropField() {
    const std::size_t length = strnlen(scratchText, 255);
    const void* found = std::memchr(scratchText, '\t', length);
    if (!found)
        return false;
    const std::size_t next = static_cast<const char*>(found) - scratchText + 1;
    std::memmove(scratchText, scratchText + next, length - next);
    scratchText[length - next] = '\0';
    return true;
}

RecordFields referenceFields() {
    RecordFields fields{0.0, 0.0, 0.0, 0.0};
    double* const order[] = {&fields.distance, &fields.fuel, &fields.odometer, &fields.price};
    for (double* field : order) {
        if (!referenceDropField())
            break;
        const char* text = scratchText;
        while (*text != '\0' && *text != '\t' && std::isspace(static_cast<unsigned char>(*text)))
            ++text;
        if (*text != '\t')
            *field = field == &fields.distance
                         ? static_cast<double>(std::strtoll(text, nullptr, 10))
                         : std::strtod(text, nullptr);
    }
    return fields;
}

// A log as a card may hold it: records of several vehicles, comments, hand edits, rare
// empty lines, overlong lines, NUL bytes, carriage returns, the last newline missing.
std::string randomLog(std::mt19937& random) {
    const char* const vehicles[] = {"0", "1", "2", "12", "01", "99999999999999999999", "x1"};
    const char* const fields[] = {"412.00",
                                  "0.0",
                                  "31.50",
                                  "",
                                  " 7",
                                  "1e3",
                                  "abc",
                                  "-2.5",
                                  "12345.678",
                                  "0x1A",
                                  "inf",
                                  "99.99",
                                  "\r",
                                  "5\0"
                                  "3"};
    std::string log;
    for (int n = random() % 60; n > 0; --n) {
        const unsigned kind = random() % 50;
        if (kind == 0) {
            log += "\n"; // hides what follows
            continue;
        }
        if (kind < 4) {
            log += "# a comment\t1\t2\n";
            continue;
        }
        std::string line = vehicles[random() % 7];
        for (int f = random() % 8; f > 0; --f) {
            line += '\t';
            const char* field = fields[random() % 14];
            line.append(field, std::strlen(field) + (field[0] == '5' ? 2 : 0));
        }
        // the part cut off an overlong line would be a record of its own if read
        for (int cut = kind < 8 ? 60 + random() % 120 : 0; cut > 0; --cut)
            line += kind % 2 ? "1\t" : "0\t";
        log += line + "\n";
    }
    if (!log.empty() && random() % 2)
        log.pop_back();
    return log;
}

} // namespace

TEST(RecordReading, RandomLogsReadAsTheFirstReadingDid) {
    std::mt19937 random(25);
    for (int round = 0; round < 3000; ++round) {
        const std::string log = randomLog(random);
        const int vehicle = static_cast<int>(random() % 3);
        std::istringstream quick(log);
        std::istringstream reference(log);
        for (int line = 0;; ++line) {
            const int expected = referenceNextLine(reference, vehicle);
            const std::string expectedText(scratchText, SCRATCH_SIZE);
            const RecordFields expectedFields = referenceFields();
            const int length = nextRecordLine(quick, vehicle);
            ASSERT_EQ(length, expected) << "round " << round << " line " << line;
            // an empty line ends a reading; a caller reading on gets the lines after it
            if (length == 0 && reference.rdbuf()->sgetc() == EOF)
                break;
            ASSERT_EQ(std::memcmp(scratchText, expectedText.data(), expected + 1), 0)
                << "round " << round << " line " << line;
            const RecordFields fields = readRecordFields();
            ASSERT_EQ(std::memcmp(&fields, &expectedFields, sizeof fields), 0)
                << "round " << round << " line " << line;
        }
        ASSERT_EQ(nextRecordLine(quick, vehicle), 0);
    }
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
    const mode_t mask = umask(022);
    appendConsumptionRecord();
    umask(mask);
    struct stat made {};
    ASSERT_EQ(stat(dataFile("consumption.txt").c_str(), &made), 0);
    EXPECT_EQ(made.st_mode & 07777, 0644u); // readable by everyone, as the umask allows
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
    // asked three times, logged once: repeats are only counted
    EXPECT_EQ(debugLogText(), "### set: Unknown OdometerMode-vehicle: 5\n"
                              "### get: Unknown OdometerMode-vehicle: 5\n");
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

// A card with room for only part of a record (here eleven bytes: "1\t200.00\t10") keeps
// none of it; the refusal goes back to SAVE, and the tire log behaves the same.
TEST_F(ConsumptionLogTest, AFullCardKeepsNoPartOfARecord) {
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
    EXPECT_FALSE(writeConsumptionRecord({200, 10, 20, 5.0}));
    EXPECT_FALSE(writeTireChange("123")); // a new events.txt: not even its header stays
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(readFile(dataFile("consumption.txt")), first);
    EXPECT_FALSE(fileExists(dataFile("events.txt")));
    // nor does one that takes no byte and says no error
    takeNoBytes(true);
    EXPECT_FALSE(writeConsumptionRecord({200, 10, 20, 5.0}));
    takeNoBytes(false);
    EXPECT_EQ(readFile(dataFile("consumption.txt")), first);
    // nor one that takes the record and then cannot put it on the medium
    failSyncs(EIO);
    EXPECT_FALSE(writeConsumptionRecord({200, 10, 20, 5.0}));
    EXPECT_FALSE(writeTireChange("123"));
    failSyncs(0);
    EXPECT_EQ(readFile(dataFile("consumption.txt")), first);
    EXPECT_FALSE(fileExists(dataFile("events.txt")));

    enterRefill(300, 15, 30);
    appendConsumptionRecord();
    std::ifstream in(dataFile("consumption.txt"));
    ASSERT_GT(nextRecordLine(in, 1), 0);
    EXPECT_EQ(readRecordFields().distance, 412.0);
    ASSERT_GT(nextRecordLine(in, 1), 0);
    EXPECT_EQ(readRecordFields().distance, 300.0);
    EXPECT_EQ(nextRecordLine(in, 1), 0);
}

// Started without standard input (a start script may leave it closed), each log gets
// descriptor 0 when it is opened: the refill and the tire change are saved all the same,
// and a log whose last line was cut short still gets its record on a line of its own.
TEST_F(ConsumptionLogTest, LogsAreWrittenWithTheStandardInputClosed) {
    setProperty("P_DEFAULTVEHICLE", "1");
    writeFile(dataFile("consumption.txt"), "# cut sho");
    const int input = dup(0);
    ASSERT_NE(input, -1);
    close(0);
    const bool refillSaved = writeConsumptionRecord({200, 10, 20, 5.0});
    const bool tiresSaved = writeTireChange("123");
    dup2(input, 0);
    close(input);
    EXPECT_TRUE(refillSaved);
    EXPECT_TRUE(tiresSaved);
    const std::string log = readFile(dataFile("consumption.txt"));
    EXPECT_EQ(log.substr(0, 18), "# cut sho\n1\t200.00") << log; // and no second header
    EXPECT_NE(readFile(dataFile("events.txt")).find("\n1\ttirechange\t123\t"), std::string::npos);
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
    const auto fillCard = [this] {
        std::ofstream filler(dataFile("filler"), std::ios::binary);
        const std::string block(4096, 'x');
        for (int i = 0; i < 64 && filler.write(block.data(), block.size()); ++i)
            filler.flush();
    };
    fillCard();
    appendConsumptionRecord();
    expectRefillKept();
    std::filesystem::remove(dataFile("filler"));
    appendConsumptionRecord();
    EXPECT_STREQ(app.inputText, "=> 7.65");
    // full again, with a log whose last page has room for 20 bytes: the part of the next
    // record that arrived is cut off, and the cut synced to the card
    std::string saved = readFile(dataFile("consumption.txt"));
    saved += "#" + std::string(4096 - 20 - saved.size() - 2, ' ') + "\n";
    writeFile(dataFile("consumption.txt"), saved);
    fillCard();
    enterRefill(412, 31.5, 44.07);
    takeSyncSteps();
    appendConsumptionRecord();
    expectRefillKept();
    EXPECT_EQ(readFile(dataFile("consumption.txt")), saved);
    EXPECT_EQ(takeSyncSteps(), "fsync file\n");
    std::filesystem::remove(dataFile("filler"));

    ASSERT_EQ(mount(nullptr, dataDir(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
    const std::string before = readFile(dataFile("consumption.txt"));
    enterRefill(412, 31.5, 44.07);
    appendConsumptionRecord();
    expectRefillKept();
    EXPECT_EQ(readFile(dataFile("consumption.txt")), before);
}
