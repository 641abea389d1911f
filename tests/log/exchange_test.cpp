// pumpwright-log run as a program: export and import between cards and other apps' files.
#include "tools/log/importer.h"
#include "tools/log/logbook.h"

#include "tests/file_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

using namespace pwlog;

namespace {

struct Card {
    std::string dir;
    explicit Card(const std::string& properties) {
        char name[] = "/tmp/pwlog-XXXXXX";
        dir = mkdtemp(name);
        writeFileText(dir + "/properties.txt", properties);
    }
    ~Card() { std::system(("rm -rf " + dir).c_str()); }
    std::string log() const { return readFileText(dir + "/consumption.txt"); }
};

// Runs the program; out gets what it printed, stdout first, then "--" and stderr.
int run(const std::string& arguments, std::string* out = nullptr) {
    const std::string path = "/tmp/pwlog-out-" + std::to_string(getpid());
    const int status = std::system(
        (std::string(PW_LOG_TOOL) + " " + arguments + " >" + path + " 2>" + path + ".err").c_str());
    if (out)
        *out = readFileText(path) + "--\n" + readFileText(path + ".err");
    std::remove(path.c_str());
    std::remove((path + ".err").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The records of a vehicle as the device reads them, dates cut to what a format keeps.
std::string recordsOf(const std::string& log, int vehicle, const char* dateFormat) {
    std::string out;
    for (const Record& r : splitLog(log).records)
        if (r.vehicle == vehicle)
            out += std::to_string(r.distance) + " " + std::to_string(r.fuel) + " " +
                   std::to_string(r.odometer) + " " + std::to_string(r.price) + " " +
                   date::format(dateFormat, *r.time) + "\n";
    return out;
}

const char* const ODOMETER_LOG = "1\t0.0\t41.20\t52000.00\t70.04\t0.00\tMon Jan  6 08:10:00 2025\n"
                                 "1\t0.0\t12.00\t0.00\t20.40\t0.00\tTue Jan 14 17:45:00 2025\n"
                                 "1\t0.0\t30.55\t52610.00\t51.94\t0.00\tWed Jan 22 12:00:00 2025\n"
                                 "1\t0.0\t38.10\t53180.00\t66.30\t0.00\tMon Feb 10 08:00:00 2025\n";

TEST(ExchangeTest, ExportThenImportIntoAnEmptyCardGivesTheSameRecords) {
    // The motorcycle of the sample log with trip distances; car 1 with readings and a top-up.
    Card source("P_DEFAULTODOMETERMODE.0: 0.0\nP_DEFAULTODOMETERMODE.1: 1.0\n");
    std::string sample;
    run("--version"); // the program starts at all
    ASSERT_EQ(std::system(("bash " PW_SOURCE_DIR "/scripts/sample-log.sh | grep -v '^1' > " +
                           source.dir + "/consumption.txt")
                              .c_str()),
              0);
    writeFileText(source.dir + "/consumption.txt", source.log() + ODOMETER_LOG);
    const struct {
        const char* format;
        const char* dates; // what the format keeps of the time
    } formats[] = {
        {"csv", "%F %T"}, {"lubelogger", "%F"}, {"fuelly", "%F %R"}, {"fuelio", "%F %R"}};
    for (const auto& f : formats)
        for (int vehicle : {0, 1}) {
            SCOPED_TRACE(std::string(f.format) + " vehicle " + std::to_string(vehicle));
            Card target("P_DEFAULTODOMETERMODE.0: 0.0\nP_DEFAULTODOMETERMODE.1: 1.0\n");
            const std::string file = target.dir + "/export." + f.format;
            std::string said;
            ASSERT_EQ(run("export --card " + source.dir + " --format " + f.format + " --vehicle " +
                              std::to_string(vehicle) + " -o " + file,
                          &said),
                      0)
                << said;
            EXPECT_EQ(said.find("--start-odometer") != std::string::npos, vehicle == 0) << said;
            ASSERT_EQ(run("import --card " + target.dir + " --format " + f.format + " --vehicle " +
                              std::to_string(vehicle) + " --start-odometer 0 " + file,
                          &said),
                      0)
                << said;
            EXPECT_EQ(recordsOf(target.log(), vehicle, f.dates),
                      recordsOf(source.log(), vehicle, f.dates));
            EXPECT_EQ(target.log().rfind("# This file contains the consumption-values", 0), 0u);
            // a second import finds every record already there and appends nothing
            const std::string before = target.log();
            ASSERT_EQ(run("import --card " + target.dir + " --format " + f.format + " --vehicle " +
                              std::to_string(vehicle) + " " + file,
                          &said),
                      0);
            EXPECT_NE(said.find("already in the log"), std::string::npos) << said;
            EXPECT_EQ(target.log(), before);
        }
}

TEST(ExchangeTest, FilesOfTheAppsAsTheyDocumentThem) {
    Card card("P_DEFAULTODOMETERMODE.2: 1.0\n");
    writeFileText(card.dir + "/consumption.txt", "# kept\n");
    // LubeLogger: other names it accepts, quoted notes with commas and a line break, a
    // European file with comma decimals, a partial fill and a missed one.
    writeFileText(card.dir + "/lube.csv",
                  "date,odometer,Liters,Total Cost,filled up,MissedFuelUp,Notes\n"
                  "3/7/2025,\"52000,5\",\"41,20\",\"70,04\",True,False,\"full, at home\"\n"
                  "2025-03-15,52300,12.00,20.40,False,False,\"top-up\nin cash\"\n"
                  "22.03.2025 12:00,52610,30.55,51.94,True,False,\n"
                  "04/02/2025 6:30 PM,53180,38.1,66.3,True,True,\n");
    std::string out;
    ASSERT_EQ(run("import --card " + card.dir + " --format lubelogger --vehicle 2 --dry-run " +
                      card.dir + "/lube.csv",
                  &out),
              0)
        << out;
    EXPECT_EQ(out.substr(0, out.find("--\n")),
              "2\t0.0\t41.20\t52000.50\t70.04\t0.00\tFri Mar  7 00:00:00 2025\n"
              "2\t0.0\t12.00\t0.00\t20.40\t0.00\tSat Mar 15 00:00:00 2025\n"
              "2\t0.0\t30.55\t52610.00\t51.94\t0.00\tSat Mar 22 12:00:00 2025\n");
    EXPECT_NE(out.find("lube.csv: row 5: follows a missed fill-up"), std::string::npos) << out;
    EXPECT_EQ(card.log(), "# kept\n"); // a dry run changes nothing
    ASSERT_EQ(run("import --card " + card.dir + " --format lubelogger --vehicle 2 " + card.dir +
                  "/lube.csv"),
              0);
    EXPECT_EQ(card.log(), "# kept\n" + out.substr(0, out.find("--\n")));
    EXPECT_EQ(readFileText(card.dir + "/consumption.txt.bak"), "# kept\n");

    // Fuelly in US units onto a metric card with trip distances: miles, gallons and a
    // price per gallon become km, litres and the amount paid.
    Card trip("P_DEFAULTODOMETERMODE.1: 0.0\n");
    writeFileText(
        trip.dir + "/fuelly.csv",
        "car_name,model,mpg,odometer,miles,gallons,price,city_percentage,fuelup_date,"
        "date_added,tags,notes,missed_fuelup,partial_fuelup,latitude,longitude,brand\n"
        "\"Jeep, red\",Renegade,25,1000,250,10,3.50,50,06/06/2021 0:00,06/06/2021,,,0,0,,,\n"
        "\"Jeep, red\",Renegade,25,1300,300,12,3.60,50,06/20/2021 17:05,06/20/2021,,,0,0,,,\n");
    ASSERT_EQ(run("import --card " + trip.dir + " --format fuelly --vehicle 1 " + trip.dir +
                      "/fuelly.csv",
                  &out),
              0)
        << out;
    EXPECT_NE(trip.log().find("1\t402.34\t37.85\t0.0\t35.00\t9.41\tSun Jun  6 00:00:00 2021\n"
                              "1\t482.80\t45.42\t0.0\t43.20\t9.41\tSun Jun 20 17:05:00 2021\n"),
              std::string::npos)
        << trip.log();

    // Fuelio's sectioned backup: only the Log section is read, every field quoted.
    writeFileText(card.dir + "/fuelio.csv",
                  "\"## Vehicle\"\n\"Name\",\"DistUnit\"\n\"BMW Z3\",\"0\"\n\"## Log\"\n"
                  "\"Data\",\"Odo (km)\",\"Fuel (litres)\",\"Full\",\"Price (optional)\","
                  "\"l/100km (optional)\",\"Missed\",\"VolumePrice\"\n"
                  "\"2024-03-10 16:01\",\"212477.0\",\"46.301\",\"1\",\"67.09\",\"21.8\",\"0\","
                  "\"1.449\"\n\"## Costs\"\n\"Title\",\"Date\"\n\"oil\",\"2024-03-11\"\n");
    ASSERT_EQ(run("import --card " + card.dir + " --format fuelio --vehicle 2 --dry-run " +
                      card.dir + "/fuelio.csv",
                  &out),
              0)
        << out;
    EXPECT_EQ(out.substr(0, out.find("--\n")),
              "2\t0.0\t46.30\t212477.00\t67.09\t0.00\tSun Mar 10 16:01:00 2024\n");
}

TEST(ExchangeTest, HostileFilesAreRefusedWholeAndNothingIsWritten) {
    Card card("P_DEFAULTODOMETERMODE.1: 1.0\n");
    const std::string log = "1\t0.0\t40.00\t1000.00\t60.00\t0.00\tMon Jan  6 08:10:00 2025\n";
    writeFileText(card.dir + "/consumption.txt", log);
    const std::string header = "Date,Odometer,FuelConsumed,Cost,FuelEconomy,IsFillToFull,"
                               "MissedFuelUp,Notes\n";
    const std::string good = "1/10/2025,1500,35,50,7,True,False,\n";
    const struct {
        std::string text;
        std::string says;
    } cases[] = {
        {std::string("\x7f"
                     "ELF\x02\x01\x01\0\0\0",
                     10) +
             good,
         "NUL bytes"},
        {header + good + "1/12/2025,1600," + std::string(2000000, '9') + ",50,,True,False,\n",
         "row 3: unreadable fuel"},
        {"Date,Odometer,Cost\n" + good, "no fuel column"},
        {header + good + "1/12/2025,1600,-35,50,,True,False,\n", "row 3: negative fuel"},
        {header + good + "1/12/1812,1600,35,50,,True,False,\n", "row 3: unreadable date"},
        {header + good + "13/45/2025,1600,35,50,,True,False,\n", "row 3: unreadable date"},
        {header + good + "1/12/2025,1600,35,\"50\n", "row 3:"},
        {header + "1/12/2025,1600\n", "row 2: only 2 of 8 columns"},
        {header + good + "1/12/2025,1600,nan,50,,True,False,\n", "row 3: unreadable fuel"},
    };
    for (const auto& c : cases) {
        writeFileText(card.dir + "/bad.csv", c.text);
        std::string out;
        EXPECT_EQ(run("import --card " + card.dir + " --format lubelogger --vehicle 1 " + card.dir +
                          "/bad.csv",
                      &out),
                  1);
        EXPECT_NE(out.find(c.says), std::string::npos) << out;
        EXPECT_NE(out.find("nothing imported"), std::string::npos) << out;
        EXPECT_EQ(card.log(), log);
        EXPECT_EQ(access((card.dir + "/consumption.txt.bak").c_str(), F_OK), -1);
    }
    // bad command lines: status 2, and help and version are no failures
    EXPECT_EQ(run("import --card " + card.dir + " --format excel --vehicle 1 x.csv"), 2);
    EXPECT_EQ(run("import --card " + card.dir + " --format csv x.csv"), 2); // no vehicle
    EXPECT_EQ(run("export --card " + card.dir + " --format csv --vehicle 3"), 2);
    EXPECT_EQ(run("frobnicate"), 2);
    EXPECT_EQ(run("import --help"), 0);
    EXPECT_EQ(run("--version"), 0);
    // a failed export leaves no file behind
    EXPECT_EQ(run("export --card " + card.dir + "/missing --format csv -o " + card.dir + "/x.csv"),
              1);
    EXPECT_EQ(access((card.dir + "/x.csv").c_str(), F_OK), -1);
    EXPECT_EQ(card.log(), log);
}

} // namespace
