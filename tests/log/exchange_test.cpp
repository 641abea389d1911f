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
        {header + good + "1/12/2025,1600,35\n", "row 3: only 3 of 8 columns"},
        {header + good + "1/12/2025,1600,nan,50,,True,False,\n", "row 3: unreadable fuel"},
        // less than nothing, if only just
        {header + good + "1/12/2025,-0.5,35,50,,True,False,\n", "row 3: "},
        {header + good + "1/12/2025,1600,0,50,,True,False,\n", "row 3: no fuel"},
        {header + good + "1/12/2025,1600,35,-0.5,,True,False,\n", "row 3: "},
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

TEST(ExchangeTest, ExportedColumnsAndFlagsAreTheAppsOwn) {
    Card card("P_DEFAULTODOMETERMODE.1: 1.0\nP_CAR1FUELFULL: 50.0\n");
    writeFileText(card.dir + "/consumption.txt",
                  std::string("0\t250.00\t12.50\t0.0\t20.00\t5.00\tMon Jan  6 08:10:00 2025\n"
                              "0\t200.00\t9.00\t0.0\t15.30\t4.50\tMon Jan 20 08:10:00 2025\n") +
                      ODOMETER_LOG);
    auto exported = [&](const std::string& arguments) {
        std::string out;
        EXPECT_EQ(run("export --card " + card.dir + " " + arguments, &out), 0) << out;
        return out;
    };
    auto line = [](const std::string& text, int n) {
        std::size_t at = 0;
        for (int i = 0; i < n; ++i)
            at = text.find('\n', at) + 1;
        return text.substr(at, text.find('\n', at) - at);
    };
    // LubeLogger: its own header; the top-up is not a fill to full
    const std::string lube = exported("--format lubelogger --vehicle 1");
    EXPECT_EQ(line(lube, 0),
              "Date,Odometer,FuelConsumed,Cost,FuelEconomy,IsFillToFull,MissedFuelUp,Notes\r");
    EXPECT_EQ(line(lube, 1), "1/6/2025,52000,41.20,70.04,0,True,False,\r");
    EXPECT_EQ(line(lube, 2), "1/14/2025,52000,12.00,20.40,0,False,False,\r");
    EXPECT_EQ(line(lube, 3), "1/22/2025,52610,30.55,51.94,6.98,True,False,\r"); // 42.55 l / 610 km

    // Fuelly, metric and imperial; trip distances get an odometer built from the start
    const std::string fuelly = exported("--format fuelly --start-odometer 1000");
    EXPECT_EQ(line(fuelly, 0), "car_name,model,l/100km,odometer,km,litres,price,city_percentage,"
                               "fuelup_date,date_added,tags,notes,missed_fuelup,partial_fuelup,"
                               "latitude,longitude,brand\r");
    EXPECT_EQ(
        line(fuelly, 1),
        "motorcycle,Pumpwright,5.00,1250,250.00,12.500,1.60000,,1/6/2025 8:10,1/6/2025,,,0,0,,,\r");
    EXPECT_EQ(line(fuelly, 2).rfind("motorcycle,Pumpwright,4.50,1450,200.00,", 0), 0u);
    EXPECT_NE(line(fuelly, 4).find(",0,1,,,"), std::string::npos); // car 1's top-up: partial
    EXPECT_NE(fuelly.find("motorcycle has trip distances: its odometer is built from 1000"),
              std::string::npos);
    const std::string uk = exported("--format fuelly --vehicle 0 --units uk");
    EXPECT_EQ(line(uk, 0).rfind("car_name,model,mpg,odometer,miles,gallons,price,", 0), 0u);
    // 12.5 imperial gallons are 15.012 US gallons; 250 miles on them 16.65 mpg
    EXPECT_EQ(line(uk, 1).rfind("motorcycle,Pumpwright,16.65,250,250.00,15.012,1.33", 0), 0u);

    // Fuelio: sections, every field quoted, the units in the headers
    const std::string fuelio = exported("--format fuelio --vehicle 1");
    EXPECT_EQ(line(fuelio, 0), "\"## Vehicle\"\r");
    EXPECT_EQ(line(fuelio, 2).rfind(
                  "\"car 1\",\"Pumpwright\",\"0\",\"0\",\"0\",\"yyyy-MM-dd HH:mm\",", 0),
              0u);
    EXPECT_NE(line(fuelio, 2).find("\"50.0\""), std::string::npos); // the tank
    EXPECT_EQ(line(fuelio, 4),
              "\"Data\",\"Odo (km)\",\"Fuel (litres)\",\"Full\",\"Price (optional)\","
              "\"l/100km (optional)\",\"latitude (optional)\",\"longitude (optional)\","
              "\"City (optional)\",\"Notes (optional)\",\"Missed\",\"TankNumber\",\"FuelType\","
              "\"VolumePrice\",\"StationID (optional)\",\"ExcludeDistance\",\"UniqueId\","
              "\"TankCalc\"\r");
    EXPECT_EQ(
        line(fuelio, 6).rfind("\"2025-01-14 17:45\",\"52000.0\",\"12.00\",\"0\",\"20.40\",", 0),
        0u);

    // our own: both vehicles, the units in the header
    const std::string csv = exported("--format csv --units us");
    EXPECT_EQ(line(csv, 0), "date,vehicle,distance (mi),odometer (mi),fuel (gal),price,"
                            "price per unit (per gal),consumption (gal/100mi),full\r");
    EXPECT_EQ(line(csv, 1), "2025-01-06T08:10:00,0,250.00,250.00,12.50,20.00,1.6000,5.00,1\r");
    EXPECT_EQ(line(csv, 4), "2025-01-14T17:45:00,1,0.00,52000.00,12.00,20.40,1.7000,,0\r");

    // the summary on the command line: units, figures, warnings with their lines
    writeFileText(card.dir + "/consumption.txt", card.log() + "1\t0.0\t-5\t53500\t9\n");
    std::string summary;
    ASSERT_EQ(run("summary --card " + card.dir + " --vehicle 1 --units uk", &summary), 0);
    EXPECT_NE(summary.find("  distance               1180 mi\n"), std::string::npos) << summary;
    EXPECT_NE(summary.find("  first / last           2025-01-06 / 2025-02-10\n"), std::string::npos)
        << summary;
    EXPECT_NE(summary.find("  average                6.83 gal/100mi (full to full)\n"),
              std::string::npos)
        << summary;
    EXPECT_NE(summary.find("  full tank range        732 mi (50.0 gal at the average)\n"),
              std::string::npos)
        << summary;
    EXPECT_NE(summary.find("/consumption.txt:7: unreadable fuel \"-5\": left out"),
              std::string::npos)
        << summary;
    // distance per fuel in imperial gallons: the unit says so
    writeFileText(card.dir + "/properties.txt", "P_DEFAULTODOMETERMODE.1: 1.0\n"
                                                "P_DEFAULTFUELDISTMODE: 1\n");
    ASSERT_EQ(run("summary --card " + card.dir + " --vehicle 1 --units uk", &summary), 0);
    EXPECT_NE(summary.find(" mpg (UK) (full to full)\n"), std::string::npos) << summary;
    EXPECT_EQ(summary.find("full tank range"), std::string::npos) << summary; // no tank now
}

TEST(ExchangeTest, ImportKeepsTheCardsWayOfLogging) {
    // trip distances on the card: distances by odometer difference, partial fills added to
    // the next full one, missed fill-ups left out unless kept
    Card card("P_DEFAULTODOMETERMODE.1: 0.0\nP_DEFAULTFUELDISTMODE: 1\n");
    const std::string old = "1\t300.00\t20.00\t0.0\t30.00\t15.00\tSun Jan  5 08:00:00 2025";
    writeFileText(card.dir + "/consumption.txt", old); // the last line was cut short
    writeFileText(card.dir + "/lube.csv",
                  "Date,Odometer,FuelConsumed,Cost,IsFillToFull,MissedFuelUp\n"
                  "2025-02-01,20000,40,60,True,False\n"
                  "2025-02-20,20300,10,15,False,False\n"
                  "2025-02-10,20100,5,7.5,False,False\n"
                  "2025-03-01,20600,30,45,True,False\n"
                  "2025-03-15,21200,35,52.5,True,True\n"
                  "2025-01-05,19700,20,30,True,False\n");
    std::string out;
    ASSERT_EQ(run("import --card " + card.dir + " --format lubelogger --vehicle 1 " + card.dir +
                      "/lube.csv",
                  &out),
              0);
    const std::string first = old +
                              "\n1\t300.00\t40.00\t0.0\t60.00\t7.50\tSat Feb  1 00:00:00 2025\n"
                              "1\t600.00\t45.00\t0.0\t67.50\t13.33\tSat Mar  1 00:00:00 2025\n";
    EXPECT_EQ(card.log(), first) << out;
    EXPECT_NE(out.find("row 7: already in the log"), std::string::npos) << out;
    EXPECT_NE(out.find("row 4: partial fill: added to the next full fill"), std::string::npos);
    EXPECT_NE(out.find("row 6: follows a missed fill-up"), std::string::npos);
    EXPECT_EQ(readFileText(card.dir + "/consumption.txt.bak"), old);

    // kept when asked for; the fills already imported, the partial ones in theirs, are
    // found again; the backup still holds the log from before the first import
    ASSERT_EQ(run("import --card " + card.dir + " --format lubelogger --vehicle 1 --keep-missed " +
                      card.dir + "/lube.csv",
                  &out),
              0);
    EXPECT_EQ(card.log(), first + "1\t600.00\t35.00\t0.0\t52.50\t17.14\tSat Mar 15 00:00:00 2025\n")
        << out;
    EXPECT_NE(out.find("older than the newest record"), std::string::npos) << out;
    EXPECT_EQ(readFileText(card.dir + "/consumption.txt.bak"), old);

    // another vehicle's fill on the same day with the same fuel is no duplicate
    Card shared("P_DEFAULTODOMETERMODE.1: 1.0\nP_DEFAULTODOMETERMODE.2: 1.0\n");
    writeFileText(shared.dir + "/consumption.txt",
                  "1\t0.0\t40.00\t20000.00\t60.00\t0.00\tSat Feb  1 08:00:00 2025\n");
    writeFileText(shared.dir + "/lube.csv",
                  "Date,Odometer,FuelConsumed,Cost\n2025-02-01 17:30,9000,40,60\n");
    ASSERT_EQ(run("import --card " + shared.dir + " --format lubelogger --vehicle 2 --dry-run " +
                      shared.dir + "/lube.csv",
                  &out),
              0);
    EXPECT_EQ(out.rfind("2\t0.0\t40.00\t9000.00\t60.00\t0.00\tSat Feb  1 17:30:00 2025\n--\n", 0),
              0u)
        << out;
    // nor is a second fill of the same vehicle that day with other fuel; only the fill
    // before the card's newest record is said to be older
    writeFileText(shared.dir + "/lube.csv", "Date,Odometer,FuelConsumed,Cost\n"
                                            "2025-01-20,19500,30,45\n"
                                            "2025-02-01 18:00,20100,40.3,60.45\n"
                                            "2025-02-10,20500,35,52.5\n");
    ASSERT_EQ(run("import --card " + shared.dir + " --format lubelogger --vehicle 1 --dry-run " +
                      shared.dir + "/lube.csv",
                  &out),
              0);
    EXPECT_EQ(out.rfind("1\t0.0\t30.00\t19500.00\t45.00\t0.00\tMon Jan 20 00:00:00 2025\n"
                        "1\t0.0\t40.30\t20100.00\t60.45\t0.00\tSat Feb  1 18:00:00 2025\n"
                        "1\t0.0\t35.00\t20500.00\t52.50\t0.00\tMon Feb 10 00:00:00 2025\n--\n",
                        0),
              0u)
        << out;
    EXPECT_NE(out.find("row 2: older than the newest"), std::string::npos) << out;
    EXPECT_EQ(out.find("older"), out.rfind("older")) << out;

    // the first reading of a file gives no trip distance unless the start is given
    writeFileText(card.dir + "/april.csv", "Date,Odometer,FuelConsumed,Cost\n"
                                           "2025-04-01,30000,40,60\n \n2025-04-12,30500,38,57\n");
    ASSERT_EQ(run("import --card " + card.dir + " --format lubelogger --vehicle 1 --dry-run " +
                      card.dir + "/april.csv",
                  &out),
              0);
    EXPECT_EQ(out.rfind("1\t500.00\t38.00\t0.0\t57.00\t13.16\tSat Apr 12 00:00:00 2025\n--\n", 0),
              0u)
        << out;
    EXPECT_NE(out.find("row 2: no distance: its odometer starts the count"), std::string::npos);
    ASSERT_EQ(run("import --card " + card.dir +
                      " --format lubelogger --vehicle 1 --dry-run "
                      "--start-odometer 29600 " +
                      card.dir + "/april.csv",
                  &out),
              0);
    EXPECT_EQ(out.rfind("1\t400.00\t40.00\t0.0\t60.00\t10.00\tTue Apr  1 00:00:00 2025\n", 0), 0u)
        << out;

    // a reading of 0 is none: the next distance runs from the reading before it
    writeFileText(card.dir + "/zero.csv", "Date,Odometer,FuelConsumed,Cost\n"
                                          "2025-05-01,40000,40,60\n2025-05-05,0,12,18\n"
                                          "2025-05-12,40500,35,52.5\n");
    ASSERT_EQ(run("import --card " + card.dir +
                      " --format lubelogger --vehicle 1 --dry-run --start-odometer 39600 " +
                      card.dir + "/zero.csv",
                  &out),
              0);
    EXPECT_EQ(out.rfind("1\t400.00\t40.00\t0.0\t60.00\t10.00\tThu May  1 00:00:00 2025\n"
                        "1\t500.00\t35.00\t0.0\t52.50\t14.29\tMon May 12 00:00:00 2025\n--\n",
                        0),
              0u)
        << out;

    // trip distances onto a card of readings: each reading builds on the one before
    Card readings("P_DEFAULTODOMETERMODE.1: 1.0\n");
    writeFileText(readings.dir + "/trips.csv", "date,vehicle,distance,odometer,fuel,price,full\n"
                                               "2025-04-01T08:00:00,1,400,,40,60,1\n"
                                               "2025-04-12T08:00:00,1,500,,38,57,1\n");
    ASSERT_EQ(run("import --card " + readings.dir +
                      " --format csv --vehicle 1 --dry-run --start-odometer 30000 " + readings.dir +
                      "/trips.csv",
                  &out),
              0);
    EXPECT_EQ(out.rfind("1\t0.0\t40.00\t30400.00\t60.00\t0.00\tTue Apr  1 08:00:00 2025\n"
                        "1\t0.0\t38.00\t30900.00\t57.00\t0.00\tSat Apr 12 08:00:00 2025\n--\n",
                        0),
              0u)
        << out;

    // numbers and dates as people write them
    EXPECT_EQ(parseAmount("1.234,56"), 1234.56);
    EXPECT_EQ(parseAmount("1,234.56"), 1234.56);
    EXPECT_EQ(parseAmount(" 46,301 "), 46.301);
    EXPECT_FALSE(parseAmount("1e400"));
    EXPECT_FALSE(parseAmount("0x1p3"));
    EXPECT_FALSE(parseAmount("12 l"));
    EXPECT_EQ(formatCtime(*parseDate("3/7/2025 6:30 PM")), "Fri Mar  7 18:30:00 2025");
    EXPECT_EQ(formatCtime(*parseDate("07.03.2025 06:30")), "Fri Mar  7 06:30:00 2025");
    EXPECT_EQ(formatCtime(*parseDate("2025-03-07T06:30:15")), "Fri Mar  7 06:30:15 2025");
    // a day first where there are points, as Europe writes it, with or without a time
    const auto dateText = [](const char* text) {
        const std::optional<LocalTime> time = parseDate(text);
        return time ? formatCtime(*time) : std::string("none");
    };
    EXPECT_EQ(dateText("13.03.2025"), "Thu Mar 13 00:00:00 2025");
    EXPECT_EQ(dateText("05.03.2025"), "Wed Mar  5 00:00:00 2025");
    EXPECT_FALSE(parseDate("2/30/2025"));
    EXPECT_EQ(dateText("12/31/2099 11:59 PM"), "Thu Dec 31 23:59:00 2099");
    EXPECT_FALSE(parseDate("1/1/2100"));
    EXPECT_EQ(dateText("3/7/2025 12:30 AM"), "Fri Mar  7 00:30:00 2025");
    EXPECT_FALSE(parseDate("3/7/2025 13:00 PM"));
    EXPECT_FALSE(parseDate("12/31/1969"));
    EXPECT_FALSE(parseDate("2025-03-07 noon"));
}

} // namespace
