// pumpwright-log run as a program: export and import between cards and other apps' files.
#include "tools/log/importer.h"
#include "tools/log/logbook.h"

#include "tests/file_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <regex>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <tuple>
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

// Runs the program, after the command given in front (a change of user); out gets what it
// printed, stdout first, then "--" and stderr.
int run(const std::string& arguments, std::string* out = nullptr, const std::string& front = "") {
    const std::string path = "/tmp/pwlog-out-" + std::to_string(getpid());
    const int status = std::system(
        (front + PW_LOG_TOOL + " " + arguments + " >" + path + " 2>" + path + ".err").c_str());
    if (out)
        *out = readFileText(path) + "--\n" + readFileText(path + ".err");
    std::remove(path.c_str());
    std::remove((path + ".err").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The summary of a vehicle on a card, without the log lines it names.
std::string summaryOf(const std::string& dir, int vehicle) {
    std::string out;
    run("summary --card " + dir + " --vehicle " + std::to_string(vehicle), &out);
    return std::regex_replace(out.substr(0, out.find("--\n")), std::regex(", line [0-9]+"), "");
}

const char* const ODOMETER_LOG = "1\t0.0\t41.20\t52000.00\t70.04\t0.00\tMon Jan  6 08:10:00 2025\n"
                                 "1\t0.0\t12.00\t0.00\t20.40\t0.00\tTue Jan 14 17:45:00 2025\n"
                                 "1\t0.0\t30.55\t52610.00\t51.94\t0.00\tWed Jan 22 12:00:00 2025\n"
                                 "1\t0.0\t38.10\t53180.00\t66.30\t0.00\tMon Feb 10 08:00:00 2025\n";

TEST(ExchangeTest, TheDemoCardGoesOutAndBackInEachFormatWithItsSummaryUnchanged) {
    // the demo's card: the sample log, every vehicle in its default mode (trip distances)
    Card source("");
    run("--version"); // the program starts at all
    ASSERT_EQ(std::system(("bash " PW_SOURCE_DIR "/scripts/sample-log.sh > " + source.dir +
                           "/consumption.txt")
                              .c_str()),
              0);
    for (const char* format : {"csv", "lubelogger", "fuelly", "fuelio"})
        for (int vehicle : {0, 1}) {
            SCOPED_TRACE(std::string(format) + " vehicle " + std::to_string(vehicle));
            Card target("");
            const std::string file = target.dir + "/export." + format;
            std::string said;
            // run without standard input (as cron may), the first file written is descriptor 0
            ASSERT_EQ(run("export --card " + source.dir + " --format " + format + " --vehicle " +
                              std::to_string(vehicle) + " -o " + file + " <&-",
                          &said),
                      0)
                << said;
            // the first trip distance needs the reading before it in LubeLogger and Fuelio
            std::smatch found;
            ASSERT_TRUE(std::regex_search(said, found, std::regex("--start-odometer [0-9.]+")));
            const std::string start = found.str();
            ASSERT_EQ(run("import --card " + target.dir + " --format " + format + " --vehicle " +
                              std::to_string(vehicle) + " " + start + " " + file + " <&-",
                          &said),
                      0)
                << said;
            EXPECT_EQ(summaryOf(target.dir, vehicle), summaryOf(source.dir, vehicle)) << said;
            EXPECT_EQ(target.log().rfind("# This file contains the consumption-values", 0), 0u);
            // a second import finds every record already there and appends nothing
            const std::string before = target.log();
            ASSERT_EQ(run("import --card " + target.dir + " --format " + format + " --vehicle " +
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
    // European file with comma decimals, a partial fill and a missed one; a row left
    // with one quoted blank (a spreadsheet's emptied cell) is no fill-up.
    writeFileText(card.dir + "/lube.csv",
                  "date,odometer,Liters,Total Cost,filled up,MissedFuelUp,Notes\n"
                  "3/7/2025,\"52000,5\",\"41,20\",\"70,04\",True,False,\"full, at home\"\n"
                  "2025-03-15,52300,12.00,20.40,False,False,\"top-up\nin cash\"\n"
                  "22.03.2025 12:00,52610,30.55,51.94,True,False,\n"
                  "04/02/2025 6:30 PM,53180,38.1,66.3,True,True,\n"
                  "\" \"\n");
    std::string out;
    ASSERT_EQ(run("import --card " + card.dir +
                      " --format lubelogger --vehicle 2 --date-order mdy --dry-run " + card.dir +
                      "/lube.csv",
                  &out),
              0)
        << out;
    EXPECT_EQ(out.substr(0, out.find("--\n")),
              "2\t0.0\t41.20\t52000.50\t70.04\t0.00\tFri Mar  7 00:00:00 2025\n"
              "2\t0.0\t12.00\t0.00\t20.40\t0.00\tSat Mar 15 00:00:00 2025\n"
              "2\t0.0\t30.55\t52610.00\t51.94\t0.00\tSat Mar 22 12:00:00 2025\n"
              "2\t0.0\t38.10\t0.00\t66.30\t0.00\tWed Apr  2 18:30:00 2025\n");
    // the missed one closes no interval: its fuel waits, as a top-up's, for a trip record
    EXPECT_NE(out.find("lube.csv: row 5: follows a missed fill-up: no interval ends here"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("row 5: the device measures its next reading from 52610"), std::string::npos)
        << out;
    EXPECT_EQ(card.log(), "# kept\n"); // a dry run changes nothing
    EXPECT_NE(out.find("would append 4 records of car 2 ("), std::string::npos) << out;
    std::string said;
    ASSERT_EQ(run("import --card " + card.dir +
                      " --format lubelogger --vehicle 2 --date-order mdy " + card.dir + "/lube.csv",
                  &said, "umask 022; "),
              0);
    EXPECT_EQ(card.log(), "# kept\n" + out.substr(0, out.find("--\n")));
    EXPECT_NE(said.find("appended 4 records of car 2 ("), std::string::npos) << said;
    EXPECT_NE(said.find(") to " + card.dir + "/consumption.txt\n"), std::string::npos) << said;
    EXPECT_EQ(readFileText(card.dir + "/consumption.txt.bak"), "# kept\n");
    // readable by everyone, as the umask allows: the log and its backup are new files
    for (const char* name : {"/consumption.txt", "/consumption.txt.bak"}) {
        struct stat made {};
        ASSERT_EQ(stat((card.dir + name).c_str(), &made), 0);
        EXPECT_EQ(made.st_mode & 07777, 0644u) << name;
    }

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
    EXPECT_NE(out.find("fuelly.csv: converted miles to km (x 1.609344), US gallons to l (x "
                       "3.785411784)"),
              std::string::npos)
        << out;
    // A Fuelly file beside the card, imported without writing: out says what would be
    // appended to vehicle 1.
    const auto fuellyDryRun = [&out](const Card& to, const std::string& columns,
                                     const std::string& rows, const std::string& options) {
        writeFileText(to.dir + "/fuelly-rows.csv", "car_name,odometer," + columns +
                                                       ",price,fuelup_date,missed_fuelup,"
                                                       "partial_fuelup\n" +
                                                       rows);
        ASSERT_EQ(run("import --card " + to.dir + " --format fuelly --vehicle 1 --dry-run " +
                          options + to.dir + "/fuelly-rows.csv",
                      &out),
                  0)
            << out;
    };
    // Fuelly writes its month first, unless the command line says otherwise
    fuellyDryRun(trip, "miles,gallons", "Jeep,1000,250,10,3.50,05/03/2021 0:00,0,0\n",
                 "--date-order dmy ");
    EXPECT_NE(out.find("Fri Mar  5 00:00:00 2021"), std::string::npos) << out;
    // a distance of 0 says nothing: the interval is the odometers' difference (and a car
    // may be named "## ...": only Fuelio's backup has sections)
    fuellyDryRun(trip, "miles,gallons",
                 "## Jeep,1000,0,10,3.50,05/03/2021 0:00,0,0\n"
                 "## Jeep,1300,0,12,3.60,05/20/2021 0:00,0,0\n",
                 "");
    EXPECT_NE(out.find("1\t482.81\t45.42\t0.0\t43.20\t9.41\tThu May 20 00:00:00 2021"),
              std::string::npos)
        << out;
    // distances that miss part of the odometer (a row missing) around a top-up, on a card
    // of readings: the reading after the top-up gives the app's interval, 100 + 300 km
    Card readings("P_DEFAULTODOMETERMODE.1: 1.0\n");
    writeFileText(readings.dir + "/consumption.txt",
                  "1\t0.0\t40.00\t900.00\t60.00\t0.00\tMon Jan  6 08:00:00 2025\n");
    fuellyDryRun(
        readings, "km,litres",
        "Jeep,1000,100,30,45,01/10/2025 0:00,0,0\nJeep,1100,100,10,15,01/15/2025 0:00,0,1\n"
        "Jeep,1500,300,25,37.5,01/20/2025 0:00,0,0\n",
        "");
    EXPECT_NE(out.find("1\t0.0\t10.00\t0.00\t150.00\t0.00\tWed Jan 15 00:00:00 2025\n"
                       "1\t0.0\t25.00\t1400.00\t937.50\t0.00\tMon Jan 20 00:00:00 2025"),
              std::string::npos)
        << out;
    EXPECT_EQ(out.find("the device measures its next reading"), std::string::npos) << out;
    // without readings, from the one given: a top-up's distance counts in the readings
    // made up after it
    fuellyDryRun(readings, "km,litres",
                 "Jeep,,100,30,45,01/10/2025 0:00,0,0\nJeep,,100,10,15,01/15/2025 0:00,0,1\n"
                 "Jeep,,300,25,37.5,01/20/2025 0:00,0,0\nJeep,,200,20,30,01/25/2025 0:00,0,0\n",
                 "--start-odometer 1000 ");
    EXPECT_NE(out.find("1\t0.0\t25.00\t1500.00\t937.50\t0.00\tMon Jan 20 00:00:00 2025\n"
                       "1\t0.0\t20.00\t1700.00\t"),
              std::string::npos)
        << out;

    // Fuelio's sectioned backup: only the Log section is read, every field quoted.
    writeFileText(card.dir + "/fuelio.csv",
                  "\"## Vehicle\"\n\"Name\",\"DistUnit\"\n\"BMW Z3\",\"0\"\n\"## Log\"\n"
                  "\"Data\",\"Odo (km)\",\"Fuel (litres)\",\"Full\",\"Price (optional)\","
                  "\"l/100km (optional)\",\"Missed\",\"VolumePrice\"\n"
                  "\"2024-03-10 16:01\",\"212477.0\",\"46.301\",\"1\",\"67.09\",\"21.8\",\"0\","
                  "\"1.449\"\n\"## Costs\"\n\"Title\",\"Date\"\n\"oil\",\"2024-03-11\"\n");
    ASSERT_EQ(run("import --card " + card.dir + " --format fuelio --vehicle 0 --dry-run " +
                      card.dir + "/fuelio.csv",
                  &out),
              0)
        << out;
    EXPECT_EQ(out.substr(0, out.find("--\n")),
              "0\t0.0\t46.30\t212477.00\t67.09\t0.00\tSun Mar 10 16:01:00 2024\n");
    // in miles and gallons: converted to the card's units, said so, and the economy the
    // file shows (300 miles on 10 gallons) still its interval's
    const struct {
        const char* fuelUnit;
        const char* cardUnits;
        const char* record; // the second, a trip record on this card
        const char* note;
    } units[] = {
        {"gal (UK)", "metric", "0\t482.81\t45.46\t0.0\t15.00\t9.42",
         "converted miles to km (x 1.609344), imperial gallons to l (x 4.54609)"},
        {"gal (US)", "metric", "0\t482.81\t37.85\t0.0\t15.00\t7.84",
         "converted miles to km (x 1.609344), US gallons to l (x 3.785411784)"},
        {"gal (UK)", "uk", "0\t300.00\t10.00\t0.0\t15.00\t3.33", ""},
        {"gal (UK)", "us", "0\t300.00\t12.01\t0.0\t15.00\t4.00",
         "converted imperial gallons to gal (x 1.200949926)"},
    };
    for (const auto& u : units) {
        writeFileText(card.dir + "/miles.csv",
                      std::string("\"## Log\"\n\"Data\",\"Odo (mi)\",\"Fuel (") + u.fuelUnit +
                          ")\",\"Full\",\"Price (optional)\",\"mpg (optional)\",\"Missed\"\n"
                          "\"2024-03-17 16:01\",\"1300.0\",\"10.0\",\"1\",\"15\",\"30.0\",\"0\"\n"
                          "\"2024-03-10 16:01\",\"1000.0\",\"10.0\",\"1\",\"15\",\"0.0\",\"0\"\n");
        ASSERT_EQ(run("import --card " + card.dir +
                          " --format fuelio --vehicle 0 --dry-run --units " + u.cardUnits + " " +
                          card.dir + "/miles.csv",
                      &out),
                  0)
            << out;
        EXPECT_NE(out.find(std::string("\n") + u.record + "\tSun Mar 17 16:01:00 2024\n"),
                  std::string::npos)
            << out;
        EXPECT_EQ(out.find("converted"), *u.note ? out.find(u.note) : std::string::npos) << out;
        EXPECT_EQ(out.find("economy"), std::string::npos) << out;
    }
    // a file without car names is all one car, whatever --car names
    std::string named;
    ASSERT_EQ(run("import --card " + card.dir + " --format fuelio --vehicle 0 --dry-run --units " +
                      std::string(std::end(units)[-1].cardUnits) + " --car Polo " + card.dir +
                      "/miles.csv",
                  &named),
              0);
    EXPECT_EQ(named, out);
    // and the other way: km and litres onto a card of miles and US gallons
    writeFileText(card.dir + "/km.csv",
                  "\"## Log\"\n\"Data\",\"Odo (km)\",\"Fuel (litres)\",\"Full\",\"Price "
                  "(optional)\",\"Missed\"\n"
                  "\"2024-03-10 16:01\",\"1000.0\",\"10.0\",\"1\",\"15\",\"0\"\n");
    ASSERT_EQ(run("import --card " + card.dir +
                      " --format fuelio --vehicle 0 --dry-run --units us " + card.dir + "/km.csv",
                  &out),
              0)
        << out;
    EXPECT_NE(out.find("converted km to mi (x 0.6213711922), litres to gal (x 0.2641720524)"),
              std::string::npos)
        << out;
}

// The consumption of each interval the card reads from record lines, as the app shows it.
std::string figuresOf(const std::string& lines, int vehicle, int fuelDistanceMode) {
    std::string out;
    for (const pwlog::Refill& r : readVehicle(splitLog(lines).records, vehicle).refills)
        if (r.complete()) {
            char text[32];
            std::snprintf(text, sizeof text, "%.2f ",
                          refillConsumption(r.distance, r.fuel, fuelDistanceMode));
            out += text;
        }
    return out;
}

TEST(ExchangeTest, RealFilesImportToTheAppsOwnFigures) {
    // tests/log/files: a Fuelly export of two cars, newest first, a partial fill, a row
    // missing (the odometer jumps, the km column does not) and a missed fill-up: the app
    // shows 16, 15.71, 16 and 16 km/l for the Polo, 25 and 25 for the motorcycle. A
    // Fuelio backup whose older last row is missed: the app shows 6.77 l/100km (the
    // partial fill's fuel in it) and 6.87 for the newest (41.20 l over 600 km).
    const std::string real = PW_SOURCE_DIR "/tests/log/files/";
    // (a mode past int's range is read as the device reads it, held at the greatest int:
    // readings, not the 0 it would wrap round to)
    for (const char* odometerMode : {"0.0", "4294967296"}) {
        const std::string mode = *odometerMode == '0' ? "trip distances" : "odometer readings";
        SCOPED_TRACE(mode);
        Card card("P_DEFAULTODOMETERMODE.1: " + std::string(odometerMode) +
                  "\nP_DEFAULTFUELDISTMODE: 1\n");
        std::string out;
        const std::string import = "import --card " + card.dir + " --vehicle 1 --dry-run ";
        EXPECT_EQ(run(import + "--format fuelly " + real + "fuelly-two-cars.csv", &out), 1);
        EXPECT_NE(out.find("the file holds several cars (\"Polo 2012\", \"CB500\"): choose one "
                           "with --car NAME"),
                  std::string::npos)
            << out;
        // a car the file does not hold (a typing slip) is named with those it holds
        EXPECT_EQ(run(import + "--format fuelly --car Polo " + real + "fuelly-two-cars.csv", &out),
                  1);
        EXPECT_NE(out.find("no car \"Polo\" in the file; it holds \"Polo 2012\", \"CB500\""),
                  std::string::npos)
            << out;
        ASSERT_EQ(
            run(import + "--format fuelly --car 'Polo 2012' " + real + "fuelly-two-cars.csv", &out),
            0)
            << out;
        EXPECT_EQ(figuresOf(out.substr(0, out.find("--\n")), 1, 1), "16.00 15.71 16.00 16.00 ")
            << out;
        EXPECT_NE(out.find("Mon Apr 25 17:02:41 2022"), std::string::npos) << out;
        EXPECT_EQ(out.find("economy"), std::string::npos) << out;
        EXPECT_NE(out.find("records of car 1 (" + mode + ")"), std::string::npos) << out;
        // the motorcycle's second figure in the file is not its interval's: said, not used
        ASSERT_EQ(run(import + "--format fuelly --car CB500 " + real + "fuelly-two-cars.csv", &out),
                  0);
        EXPECT_EQ(figuresOf(out.substr(0, out.find("--\n")), 1, 1), "25.00 25.00 ") << out;
        EXPECT_NE(out.find("row 5: the file's economy 24 km/l differs from its interval's 25.00 "
                           "(12.00 over 300.00): imported as the interval"),
                  std::string::npos)
            << out;

        Card golf("P_DEFAULTODOMETERMODE.1: " + std::string(odometerMode) + "\n");
        ASSERT_EQ(run("import --card " + golf.dir + " --vehicle 1 --dry-run --format fuelio " +
                          real + "fuelio-golf.csv",
                      &out),
                  0)
            << out;
        EXPECT_EQ(figuresOf(out.substr(0, out.find("--\n")), 1, 0), "6.77 6.87 ") << out;
    }
    // made by hand: the economy the first column and padded, the car's name padded too
    Card van("P_DEFAULTODOMETERMODE.1: 1.0\n");
    writeFileText(van.dir + "/van.csv", "l/100km,car_name,odometer,km,litres,price,fuelup_date\n"
                                        "\" 8.0 \",\"Van \",2000,500,40.2,1.5,2024-01-29\n"
                                        "\" 8.04\",\"Van \",1500,500,40,1.5,2024-01-15\n"
                                        "0,\"Van \",1000,0,40,1.5,2024-01-01\n");
    std::string said;
    ASSERT_EQ(run("import --card " + van.dir + " --vehicle 1 --dry-run --format fuelly --car Van " +
                      van.dir + "/van.csv",
                  &said),
              0)
        << said;
    EXPECT_EQ(figuresOf(said.substr(0, said.find("--\n")), 1, 0), "8.00 8.04 ") << said;
    // 8.04 is no rounding of 8, and 8.0 one of 8.04
    const std::size_t economy = said.find("row 3: the file's economy 8.04 l/100km differs from "
                                          "its interval's 8.00");
    EXPECT_NE(economy, std::string::npos) << said;
    EXPECT_EQ(said.find("economy"), said.rfind("economy")) << said;

    // LubeLogger from servers of three cultures: dates in their short style, the order
    // settled by a day above 12, or given; de-DE with semicolons and comma decimals
    Card card("P_DEFAULTODOMETERMODE.2: 1.0\n");
    const std::string header = "Date,Odometer,FuelConsumed,Cost,FuelEconomy,IsFillToFull,"
                               "MissedFuelUp,Notes,Tags\r\n";
    const struct {
        std::string text;
        std::string options;
        std::string says; // the first date read, or why the file is refused
    } files[] = {
        {header + "1/5/2024,52000,41.2,70.04,0,True,False,,\r\n"
                  "1/19/2024,52600,39.9,67.83,6.65,True,False,,\r\n",
         "", "Fri Jan  5 00:00:00 2024"},
        {header + "05/01/2024,52000,41.2,70.04,0,True,False,,\r\n"
                  "19/01/2024,52600,39.9,67.83,6.65,True,False,,\r\n",
         "", "Fri Jan  5 00:00:00 2024"},
        {header + "05/01/2024,52000,41.2,70.04,0,True,False,,\r\n"
                  "06/02/2024,52600,39.9,67.83,6.65,True,False,,\r\n",
         "", "row 2: the date \"05/01/2024\" could have its day or its month first"},
        {header + "05/01/2024,52000,41.2,70.04,0,True,False,,\r\n"
                  "06/02/2024,52600,39.9,67.83,6.65,True,False,,\r\n",
         "--date-order dmy", "Tue Feb  6 00:00:00 2024"},
        // 13 first or second is a day
        {header + "01/13/2024,52000,41.2,70.04,0,True,False,,\r\n"
                  "02/01/2024,52600,39.9,67.83,6.65,True,False,,\r\n",
         "", "Sat Jan 13 00:00:00 2024"},
        {header + "13/01/2024,52000,41.2,70.04,0,True,False,,\r\n"
                  "02/01/2024,52600,39.9,67.83,6.65,True,False,,\r\n",
         "", "Sat Jan 13 00:00:00 2024"},
        // 12 is still a month; a day equal to its month reads the same either way
        {header + "01/19/2024,52000,41.2,70.04,0,True,False,,\r\n"
                  "12/05/2024,52600,39.9,67.83,6.65,True,False,,\r\n",
         "", "Thu Dec  5 00:00:00 2024"},
        {header + "03/03/2024,52000,41.2,70.04,0,True,False,,\r\n"
                  "04/04/2024,52600,39.9,67.83,6.65,True,False,,\r\n",
         "", "Thu Apr  4 00:00:00 2024"},
        // 31 is still a day, and a 12 second says nothing
        {header + "31/01/2024,52000,41.2,70.04,0,True,False,,\r\n"
                  "05/12/2024,52600,39.9,67.83,6.65,True,False,,\r\n",
         "", "Thu Dec  5 00:00:00 2024"},
        {header + "19/01/2024,52000,41.2,70.04,0,True,False,,\r\n"
                  "01/20/2024,52600,39.9,67.83,6.65,True,False,,\r\n",
         "", "row 2 has its day first, row 3 its month first: dates in two orders"},
        // a partial fill after a missed one is no top-up: the apps measure from its reading
        {header + "2024-01-01,52000,41.2,70.04,0,True,False,,\r\n"
                  "2024-01-10,52600,20,34,0,False,True,,\r\n"
                  "2024-01-20,53000,30,51,7.5,True,False,,\r\n",
         "", "2\t400.00\t30.00\t53000.00\t51.00\t7.50\tSat Jan 20 00:00:00 2024"},
        {"Date;Odometer;FuelConsumed;Cost;FuelEconomy;IsFillToFull;MissedFuelUp;Notes;Tags\r\n"
         "05.01.2024;52000;41,2;70,04;0;True;False;;\r\n"
         "19.01.2024;52600;39,9;67,83;6,65;True;False;;\r\n",
         "", "2\t0.0\t39.90\t52600.00\t67.83\t0.00\tFri Jan 19 00:00:00 2024"},
    };
    for (const auto& f : files) {
        writeFileText(card.dir + "/lube.csv", f.text);
        std::string out;
        run("import --card " + card.dir + " --vehicle 2 --dry-run --format lubelogger " +
                f.options + " " + card.dir + "/lube.csv",
            &out);
        EXPECT_NE(out.find(f.says), std::string::npos) << f.text << out;
    }
}

// The file with its columns turned round, the column at first now the first (a comma in
// a quoted field is taken for a separator: the files turned hold none).
std::string turned(const std::string& text, std::size_t first) {
    std::istringstream lines(text);
    std::string out;
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields(1);
        for (char c : line)
            c == ',' ? static_cast<void>(fields.emplace_back()) : fields.back().push_back(c);
        std::rotate(fields.begin(), fields.begin() + first % fields.size(), fields.end());
        for (std::size_t i = 0; i < fields.size(); ++i)
            out += (i ? "," : "") + fields[i];
        out += "\n";
    }
    return out;
}

TEST(ExchangeTest, EveryColumnIsReadWhereverItIs) {
    // each file with each of its columns first imports alike: its fill-ups, partial,
    // missed, of the chosen vehicle or car, in its units, with its notes
    const std::string real = PW_SOURCE_DIR "/tests/log/files/";
    const struct {
        const char* options;
        std::string text;
    } files[] = {
        {"--format fuelly --car 'Polo 2012'", readFileText(real + "fuelly-two-cars.csv")},
        {"--format fuelio", readFileText(real + "fuelio-golf.csv")},
        {"--format fuelly --car Van",
         "car_name,mpg,odometer,miles,gallons,price,fuelup_date,date_added,missed_fuelup,"
         "partial_fuelup\n"
         "Van,24,1900,300,12.5,3.5,2024-02-20,2024-02-20 17:05:00,0,0\n"
         "Van,0,1600,200,5,3.6,2024-02-10,2024-02-10 08:00:00,0,1\n"
         "Bike,60,500,120,2,3.4,2024-02-05,2024-02-05 09:00:00,0,0\n"
         "Van,0,1400,100,10,3.5,2024-02-01,2024-02-01 12:00:00,1,0\n"
         "Van,25,1000,250,10,3.5,2024-01-15,2024-01-15 10:00:00,0,0\n"
         "Van,0,750,0,10,3.5,2024-01-01,2024-01-01 10:00:00,0,0\n"},
        {"--format fuelio",
         "\"## Log\"\n\"Data\",\"Odo (mi)\",\"Fuel (gal (UK))\",\"Full\",\"Price (optional)\","
         "\"mpg (optional)\",\"Missed\",\"VolumePrice\"\n"
         "\"2024-03-24 16:01\",\"1600.0\",\"10.0\",\"1\",\"\",\"28.0\",\"0\",\"1.6\"\n"
         "\"2024-03-17 16:01\",\"1300.0\",\"10.0\",\"1\",\"15\",\"30.0\",\"0\",\"1.5\"\n"
         "\"2024-03-10 16:01\",\"1000.0\",\"10.0\",\"1\",\"15\",\"0.0\",\"0\",\"1.5\"\n"},
        {"--format csv", "date,vehicle,distance,odometer,fuel,price,full,missed\n"
                         "2025-01-10T08:00:00,1,0,1000,35,50,1,0\n"
                         "2025-01-15T08:00:00,2,0,9000,20,30,1,0\n"
                         "2025-01-20T08:00:00,1,400,1400,30,45,0,0\n"
                         "2025-01-30T08:00:00,1,300,1700,30,45,1,0\n"
                         "2025-02-10T08:00:00,1,0,2500,30,45,1,1\n"},
        {"--format lubelogger",
         "Date,Odometer,FuelConsumed,Cost,Price,IsFillToFull,PartialFuelUp,MissedFuelUp\n"
         "2025-01-10,1000,35,,1.5,True,False,False\n"
         "2025-01-20,1400,30,45,,True,True,False\n"
         "2025-01-30,1700,30,45,,False,False,False\n"
         "2025-02-10,2500,30,45,,True,False,True\n"
         "2025-02-20,2900,30,45,,True,False,False\n"},
        // trip distances with no odometer column
        {"--format csv", "date,vehicle,distance,fuel,price,full,missed\n"
                         "2025-01-10T08:00:00,1,0,35,50,1,0\n"
                         "2025-01-20T08:00:00,1,400,30,45,0,0\n"
                         "2025-01-30T08:00:00,1,300,30,45,1,0\n"},
    };
    Card card("P_DEFAULTODOMETERMODE.1: 1.0\n");
    for (const auto& f : files) {
        const std::string import = "import --card " + card.dir + " --vehicle 1 --dry-run " +
                                   f.options + " " + card.dir + "/any.csv";
        writeFileText(card.dir + "/any.csv", f.text);
        std::string first;
        ASSERT_EQ(run(import, &first), 0) << first;
        std::size_t width = 0; // of the widest row
        std::istringstream lines(f.text);
        for (std::string line; std::getline(lines, line);)
            width = std::max<std::size_t>(width, std::count(line.begin(), line.end(), ',') + 1);
        for (std::size_t column = 1; column < width; ++column) {
            writeFileText(card.dir + "/any.csv", turned(f.text, column));
            std::string out;
            EXPECT_EQ(run(import, &out), 0);
            EXPECT_EQ(out, first) << "column " << column << " first\n" << turned(f.text, column);
        }
    }
    // the flags of our own file, as people spell them
    const std::string csv = "import --card " + card.dir + " --vehicle 1 --dry-run --format csv " +
                            card.dir + "/any.csv";
    std::string digits, words;
    writeFileText(card.dir + "/any.csv", files[4].text);
    ASSERT_EQ(run(csv, &digits), 0) << digits;
    std::string spelt = std::regex_replace(files[4].text, std::regex(",1,0\n"), ",yes,no\n",
                                           std::regex_constants::format_first_only);
    spelt = std::regex_replace(spelt, std::regex(",1,0\n"), ",Y,N\n");
    spelt = std::regex_replace(spelt, std::regex(",0,0\n"), ",false,n\n");
    spelt = std::regex_replace(spelt, std::regex(",1,1\n"), ",TRUE,true\n");
    writeFileText(card.dir + "/any.csv", spelt);
    ASSERT_EQ(run(csv, &words), 0) << words;
    EXPECT_EQ(words, digits) << spelt;
    // rows that stop before their last, empty columns, as spreadsheets save them, read as
    // the rows with those columns written out
    const std::string lube = "import --card " + card.dir +
                             " --vehicle 1 --dry-run --format lubelogger " + card.dir + "/any.csv";
    const std::string head = "Date,Odometer,FuelConsumed,Cost,IsFillToFull,MissedFuelUp,Notes\n";
    std::string whole, cut;
    writeFileText(card.dir + "/any.csv", head + "2025-01-10,1000,35,50,True,False,\n"
                                                "2025-01-20,1400,30,45,True,False,\n");
    ASSERT_EQ(run(lube, &whole), 0) << whole;
    writeFileText(card.dir + "/any.csv",
                  head + "2025-01-10,1000,35,50,True\n2025-01-20,1400,30,45,True,False\n");
    EXPECT_EQ(run(lube, &cut), 0);
    EXPECT_EQ(cut, whole);
}

TEST(ExchangeTest, HostileFilesAreRefusedWholeAndNothingIsWritten) {
    Card card("P_DEFAULTODOMETERMODE.1: 1.0\n");
    const std::string log = "1\t0.0\t40.00\t1000.00\t60.00\t0.00\tMon Jan  6 08:10:00 2025\n";
    writeFileText(card.dir + "/consumption.txt", log);
    const std::string header = "Date,Odometer,FuelConsumed,Cost,FuelEconomy,IsFillToFull,"
                               "MissedFuelUp,Notes\n";
    const std::string good = "1/20/2025,1500,35,50,7,True,False,\n";
    const struct {
        std::string text;
        std::string says;
    } cases[] = {
        {std::string("\x7f"
                     "ELF\x02\x01\x01\0\0\0",
                     10) +
             good,
         "NUL bytes"},
        {header + good + "1/22/2025,1600," + std::string(2000000, '9') + ",50,,True,False,\n",
         "row 3: unreadable fuel"},
        {"Date,Odometer,Cost\n" + good, "row 1: no fuel column: is this a lubelogger file?"},
        {"", "the file is empty"},
        // the first bad row is the one named
        {header + good + "1/22/2025,1600,-35,50,,True,False,\n1/23/2025,1700,0,50,,True,False,\n",
         "row 3: negative fuel"},
        {header + good + "1/22/1812,1600,35,50,,True,False,\n", "row 3: unreadable date"},
        {header + good + "2/45/2025,1600,35,50,,True,False,\n", "row 3: unreadable date"},
        {header + good + "1/22/2025,1600,35,\"50\n", "row 3:"},
        {header + "1/22/2025,1600\n", "row 2: only 2 of 8 columns"},
        {header + good + "1/22/2025,1600,nan,50,,True,False,\n", "row 3: unreadable fuel"},
        {header + good + "1/22/2025,1600,35\n", "row 3: only 3 of 8 columns"},
        // less than nothing, if only just
        {header + good + "1/22/2025,-0.5,35,50,,True,False,\n", "row 3: "},
        {header + good + "1/22/2025,1600,0,50,,True,False,\n", "row 3: no fuel"},
        {header + good + "1/22/2025,1600,0.004,50,,True,False,\n", "row 3: no fuel"}, // 0.00
        {header + good + "1/22/2025,1600,35,-0.5,,True,False,\n", "row 3: "},
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
    // a Fuelio backup without its log
    writeFileText(card.dir + "/bad.csv", "\"## Vehicle\"\n\"Name\"\n\"Car\"\n");
    std::string said;
    EXPECT_EQ(
        run("import --card " + card.dir + " --format fuelio --vehicle 1 " + card.dir + "/bad.csv",
            &said),
        1);
    EXPECT_NE(said.find("no \"## Log\" section"), std::string::npos) << said;
    // a file of another format, which names no column this one looks for
    for (const std::string format : {"csv", "lubelogger", "fuelly", "fuelio"}) {
        writeFileText(card.dir + "/bad.csv", "\"## Log\"\nDate,Odometer\n");
        std::string out;
        EXPECT_EQ(run("import --card " + card.dir + " --format " + format + " --vehicle 1 " +
                          card.dir + "/bad.csv",
                      &out),
                  1);
        EXPECT_NE(out.find("no date column: is this a " + format + " file?"), std::string::npos)
            << out;
    }
    // bad command lines: status 2, and help and version are no failures
    EXPECT_EQ(run("import --card " + card.dir + " --format excel --vehicle 1 x.csv"), 2);
    EXPECT_EQ(run("import --card " + card.dir + " --format csv x.csv"), 2); // no vehicle
    EXPECT_EQ(run("export --card " + card.dir + " --format csv --vehicle 3"), 2);
    EXPECT_EQ(run("frobnicate"), 2);
    std::string bare; // alone, it says what is missing rather than nothing
    EXPECT_EQ(run("", &bare), 2);
    EXPECT_NE(bare.find("A subcommand is required\nRun with --help"), std::string::npos) << bare;
    EXPECT_EQ(run("import --help"), 0);
    EXPECT_EQ(run("--version"), 0);
    // a failed export leaves no file behind, and says why with what can be done about it
    EXPECT_EQ(run("export --card " + card.dir + "/missing --format csv -o " + card.dir + "/x.csv"),
              1);
    EXPECT_EQ(access((card.dir + "/x.csv").c_str(), F_OK), -1);
    ASSERT_EQ(symlink("/dev/full", (card.dir + "/x.csv.tmp").c_str()), 0);
    ASSERT_EQ(mkdir((card.dir + "/folder").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((card.dir + "/locked").c_str(), 0555), 0);
    ASSERT_EQ(chmod(card.dir.c_str(), 0755), 0); // for a user who may not write there
    const std::string nobody = geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 "
                                                "--clear-groups "
                                              : "";
    const struct {
        const char* output;
        const char* says;
        std::string front;
    } failures[] = {
        {"x.csv", "x.csv: No space left on device (make room on it)\n", ""},
        {"folder", "folder: Is a directory\n", ""},
        {"locked/x.csv", "locked/x.csv: Permission denied (you may not write there)\n", nobody},
    };
    for (const auto& f : failures) {
        std::string out;
        EXPECT_EQ(run("export --card " + card.dir + " --format csv -o " + card.dir + "/" + f.output,
                      &out, f.front),
                  1);
        EXPECT_NE(out.find("cannot write " + card.dir + "/" + f.says), std::string::npos) << out;
    }
    // nor its temporary file, whether the writing or the renaming failed
    for (const char* temp : {"/x.csv.tmp", "/folder.tmp"})
        EXPECT_NE(access((card.dir + temp).c_str(), F_OK), 0) << temp;
    std::string out;
    EXPECT_EQ(run("export --card " + card.dir + " --format csv -o " + card.dir + "/no/x.csv", &out),
              1);
    EXPECT_NE(out.find("no folder " + card.dir + "/no/ to write " + card.dir + "/no/x.csv in\n"),
              std::string::npos)
        << out;
    EXPECT_EQ(access((card.dir + "/x.csv").c_str(), F_OK), -1);
    EXPECT_EQ(card.log(), log);
}

TEST(ExchangeTest, ExportedColumnsAndFlagsAreTheAppsOwn) {
    Card card("P_DEFAULTODOMETERMODE.1: 1.0\nP_CAR1FUELFULL: 50.0\n");
    writeFileText(card.dir + "/consumption.txt",
                  std::string("0\t250.00\t12.50\t0.0\t20.00\t5.00\tMon Jan  6 08:10:00 2025\n"
                              "0\t200.00\t9.00\t0.0\t15.30\t4.50\tMon Jan 20 08:10:00 2025\n") +
                      ODOMETER_LOG +
                      "1\t400.00\t30.00\t0.0\t51.00\t7.50\tThu Feb 20 08:00:00 2025\n"
                      "1\t0.0\t35.00\t60000.00\t59.50\t0.00\tSat Mar  1 09:00:00 2025\n"
                      "1\t0.0\t33.00\t60500.004\t56.10\t0.00\tMon Mar 10 09:00:00 2025\n");
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
    // LubeLogger: its own header, ISO dates; the top-up is not a fill to full; after a
    // trip record the card starts a new series, which the apps see as a missed fill-up
    const std::string lube = exported("--format lubelogger --vehicle 1");
    EXPECT_EQ(line(lube, 0),
              "Date,Odometer,FuelConsumed,Cost,FuelEconomy,IsFillToFull,MissedFuelUp,Notes,Tags\r");
    EXPECT_EQ(line(lube, 1), "2025-01-06,52000,41.2,70.04,0,True,True,,\r");
    EXPECT_EQ(line(lube, 3), "2025-01-22,52610,30.55,51.94,6.97541,True,False,,\r"); // 42.55/610
    EXPECT_EQ(line(lube, 5), "2025-02-20,53580,30,51,7.5,True,False,,\r"); // made up: +400
    EXPECT_EQ(line(lube, 6), "2025-03-01,60000,35,59.5,0,True,True,,\r");

    // Fuelly: its header with the blanks, text quoted, newest first per car; the
    // motorcycle's trip distances get an odometer made up from the start
    const std::string fuelly = exported("--format fuelly --start-odometer 1000");
    EXPECT_EQ(line(fuelly, 0), "car_name, model, l/100km,  odometer, km, litres, price, "
                               "city_percentage, fuelup_date, date_added, tags, notes, "
                               "missed_fuelup, partial_fuelup, latitude, longitude, brand\r");
    EXPECT_EQ(line(fuelly, 1), "\"motorcycle\",\"Pumpwright\",4.50,1450.0,200.0,9.0,1.700,,"
                               "2025-01-20,2025-01-20 08:10:00,\"\",\"\",0,0,,,\"\"\r");
    EXPECT_EQ(line(fuelly, 4).rfind("\"car 1\",\"Pumpwright\",0,60000.0,0.0,35.0,", 0), 0u);
    EXPECT_NE(line(fuelly, 4).find(",1,0,,,"), std::string::npos); // missed
    EXPECT_NE(line(fuelly, 9).find(",1,0,,,"), std::string::npos); // the first reading too
    EXPECT_NE(
        fuelly.find("motorcycle starts with trip distances: its odometer is made up from 1000 on"),
        std::string::npos);
    const std::string uk = exported("--format fuelly --vehicle 0 --units uk");
    EXPECT_EQ(line(uk, 0).rfind("car_name, model, mpg,  odometer, miles, gallons, price, ", 0), 0u);
    // 9 imperial gallons are 10.809 US gallons; 200 miles on them 18.50 mpg
    EXPECT_EQ(line(uk, 1).rfind("\"motorcycle\",\"Pumpwright\",18.50,450.0,200.0,10.809,", 0), 0u);

    // Fuelio: sections, the app's unit and fuel codes, the newest row first; a reading
    // edited into the log with a third decimal goes out to the hundredth the device keeps
    const std::string fuelio = exported("--format fuelio --vehicle 1");
    EXPECT_EQ(
        line(fuelio, 2).rfind("\"car 1\",\"Pumpwright\",\"0\",\"0\",\"0\",\"yyyy-MM-dd\",", 0), 0u);
    EXPECT_NE(line(fuelio, 2).find("\"1\",\"100\",\"0\",\"1\",\"50.0\""), std::string::npos);
    EXPECT_EQ(line(fuelio, 4),
              "\"Data\",\"Odo (km)\",\"Fuel (litres)\",\"Full\",\"Price (optional)\","
              "\"l/100km (optional)\",\"latitude (optional)\",\"longitude (optional)\","
              "\"City (optional)\",\"Notes (optional)\",\"Missed\",\"TankNumber\",\"FuelType\","
              "\"VolumePrice\",\"StationID (optional)\",\"ExcludeDistance\",\"UniqueId\","
              "\"TankCalc\",\"Weather\",\"guid\",\"lastupdated\"\r");
    EXPECT_EQ(line(fuelio, 5).rfind("\"2025-03-10 09:00\",\"60500.0\",\"33.00\",\"1\",\"56.10\","
                                    "\"6.60\",\"0.0\",\"0.0\",,\"\",\"0\",\"1\",\"100\",",
                                    0),
              0u);
    // the vehicle's guid; each row's UniqueId and guid count the rows oldest first, and
    // lastupdated is its time in milliseconds
    EXPECT_NE(line(fuelio, 2).find(",\"pumpwright-1\","), std::string::npos) << line(fuelio, 2);
    EXPECT_NE(line(fuelio, 5).find(",\"7\",\"0.0\",,\"pw1-7\",\"1741597200000\"\r"),
              std::string::npos);
    EXPECT_NE(line(fuelio, 6).find(",\"6\",\"0.0\",,\"pw1-6\",\"1740819600000\"\r"),
              std::string::npos);
    EXPECT_EQ(line(fuelio, 6).rfind("\"2025-03-01 09:00\",\"60000.0\",\"35.00\",\"1\",\"59.50\","
                                    "\"0.0\",\"0.0\",\"0.0\",,\"\",\"1\",",
                                    0),
              0u);
    // in miles and US gallons the economy column holds miles per gallon: 570 / 38.10
    const std::string us = exported("--format fuelio --vehicle 1 --units us");
    EXPECT_EQ(line(us, 2).rfind("\"car 1\",\"Pumpwright\",\"1\",\"1\",\"1\",", 0), 0u);
    EXPECT_NE(line(us, 4).find("\"mpg (optional)\""), std::string::npos);
    EXPECT_EQ(line(us, 8).rfind("\"2025-02-10 08:00\",\"53180.0\",\"38.10\",\"1\",\"66.30\","
                                "\"14.96\",",
                                0),
              0u);

    // our own: both vehicles, the units in the header, the missed fill-up marked
    const std::string csv = exported("--format csv --units us");
    EXPECT_EQ(line(csv, 0), "date,vehicle,distance (mi),odometer (mi),fuel (gal),price,"
                            "price per unit (per gal),consumption (gal/100mi),full,missed\r");
    EXPECT_EQ(line(csv, 4), "2025-01-14T17:45:00,1,0.00,52000.00,12.00,20.40,1.7000,,0,0\r");
    EXPECT_EQ(line(csv, 8), "2025-03-01T09:00:00,1,0.00,60000.00,35.00,59.50,1.7000,,1,1\r");

    // a car that starts with trip distances: the readings made up for them end at its first
    // reading, so that the odometer never jumps back at the switch
    Card trips("P_DEFAULTODOMETERMODE.1: 1.0\n");
    writeFileText(trips.dir + "/consumption.txt",
                  "1\t300.00\t20.00\t0.0\t30.00\t6.67\tMon Mar  2 10:12:44 2026\n"
                  "1\t400.00\t25.00\t0.0\t30.00\t6.25\tMon Mar  9 10:12:44 2026\n"
                  "1\t0.0\t30.00\t11200.00\t30.00\t6.00\tMon Mar 16 10:12:44 2026\n");
    std::string fromTrips;
    ASSERT_EQ(run("export --format csv --card " + trips.dir, &fromTrips), 0) << fromTrips;
    EXPECT_NE(fromTrips.find("2026-03-02T10:12:44,1,300.00,10800.00,"), std::string::npos)
        << fromTrips;
    EXPECT_NE(fromTrips.find("2026-03-09T10:12:44,1,400.00,11200.00,"), std::string::npos);
    EXPECT_NE(fromTrips.find("--start-odometer 10500"), std::string::npos);
    // one that goes on from a reading with trip distances makes nothing up
    writeFileText(trips.dir + "/consumption.txt",
                  "1\t0.0\t30.00\t11200.00\t30.00\t0.00\tMon Mar  2 10:12:44 2026\n"
                  "1\t300.00\t20.00\t0.0\t30.00\t6.67\tMon Mar  9 10:12:44 2026\n");
    ASSERT_EQ(run("export --format csv --card " + trips.dir, &fromTrips), 0) << fromTrips;
    EXPECT_NE(fromTrips.find("2026-03-09T10:12:44,1,300.00,11500.00,"), std::string::npos)
        << fromTrips;
    EXPECT_EQ(fromTrips.find("made up"), std::string::npos) << fromTrips;
    // a top-up that ends the log waits for the interval that will hold its fuel: it goes
    // out as a partial fill, neither full nor after a missed one
    writeFileText(trips.dir + "/consumption.txt",
                  "1\t0.0\t30.00\t11200.00\t30.00\t0.00\tMon Mar  2 10:12:44 2026\n"
                  "1\t0.0\t20.00\t11500.00\t30.00\t0.00\tMon Mar  9 10:12:44 2026\n"
                  "1\t0.0\t10.00\t0.00\t15.00\t0.00\tMon Mar 16 10:12:44 2026\n");
    ASSERT_EQ(run("export --format csv --card " + trips.dir, &fromTrips), 0) << fromTrips;
    EXPECT_NE(fromTrips.find("\n2026-03-16T10:12:44,1,0.00,11500.00,10.00,15.00,1.5000,,0,0\r\n"),
              std::string::npos)
        << fromTrips;

    // the summary on the command line: units, figures, warnings with their lines
    writeFileText(card.dir + "/consumption.txt", card.log() + "1\t0.0\t-5\t53500\t9\n");
    std::string summary;
    ASSERT_EQ(run("summary --card " + card.dir + " --vehicle 1 --units uk", &summary), 0);
    EXPECT_NE(summary.find("  distance               2080 mi\n"), std::string::npos) << summary;
    EXPECT_NE(summary.find("  first / last           2025-01-06 / 2025-03-10\n"), std::string::npos)
        << summary;
    EXPECT_NE(summary.find("  average                6.91 gal/100mi (full to full)\n"),
              std::string::npos)
        << summary;
    EXPECT_NE(summary.find("  full tank range        724 mi (50.0 gal at the average)\n"),
              std::string::npos)
        << summary;
    EXPECT_NE(summary.find("/consumption.txt:10: unreadable fuel \"-5\": left out"),
              std::string::npos)
        << summary;
    // distance per fuel in imperial gallons: the unit says so
    writeFileText(card.dir + "/properties.txt", "P_DEFAULTODOMETERMODE.1: 1.0\n"
                                                "P_DEFAULTFUELDISTMODE: 1\n");
    ASSERT_EQ(run("summary --card " + card.dir + " --vehicle 1 --units uk", &summary), 0);
    EXPECT_NE(summary.find(" mpg (UK) (full to full)\n"), std::string::npos) << summary;
    EXPECT_EQ(summary.find("full tank range"), std::string::npos) << summary; // no tank now
    // Fuelio's codes of distance per fuel: consumption unit 3 for km/l, 2 for imperial mpg
    for (const auto& [units, codes, economy] :
         {std::tuple{"metric", "\"0\",\"0\",\"3\"", "\"km/l (optional)\""},
          std::tuple{"uk", "\"1\",\"2\",\"2\"", "\"mpg (optional)\""}}) {
        const std::string text =
            exported(std::string("--format fuelio --vehicle 1 --units ") + units);
        EXPECT_EQ(line(text, 2).rfind(std::string("\"car 1\",\"Pumpwright\",") + codes, 0), 0u)
            << text;
        EXPECT_NE(line(text, 4).find(economy), std::string::npos) << text;
    }
}

TEST(ExchangeTest, SummaryTakesALowReadingAsASlipOrANewOdometer) {
    // 5000 typed for 50000, 40 l at every reading: 1000 km / 80 l and 500 km / 40 l
    Card card("P_DEFAULTODOMETERMODE.1: 1.0\nP_CAR1FUELFULL: 48.0\n");
    const char* const time = "\t0.00\tMon Jan  6 08:00:00 2025\n";
    auto log = [&](std::initializer_list<const char*> readings) {
        std::string text;
        for (const char* reading : readings)
            text += std::string("1\t0.0\t40.00\t") + reading + "\t60.00" + time;
        writeFileText(card.dir + "/consumption.txt", text);
    };
    log({"50000.00", "5000.00", "51000.00", "51500.00"});
    std::string summary;
    ASSERT_EQ(run("summary --card " + card.dir + " --vehicle 1", &summary), 0);
    for (const char* row : {"  distance               1500 km\n",
                            "  money                  240.00\n", "  cost per 100 km        12.00\n",
                            "  average                8.00 l/100km (full to full)\n",
                            "  worst interval         8.00 l/100km (2025-01-06, line 3)\n",
                            "  full tank range        600 km (48.0 l at the average)\n",
                            "\n  2025           4       1500     160.00     240.00      8.00\n",
                            "/consumption.txt:2: odometer 5000 is below the last reading of its "
                            "series (50000): taken as a slip of the keypad"})
        EXPECT_NE(summary.find(row), std::string::npos) << row << summary;
    // run without standard input (as cron may), the first file opened is descriptor 0
    std::string closed;
    ASSERT_EQ(run("summary --card " + card.dir + " --vehicle 1 <&-", &closed), 0) << closed;
    EXPECT_EQ(closed, summary);
    // a card with no log yet is summed up as empty, and the missing log is named
    Card fresh("");
    std::string none;
    EXPECT_EQ(run("summary --card " + fresh.dir + " --vehicle 1", &none), 0);
    EXPECT_NE(none.find("  refills                0\n"), std::string::npos) << none;
    EXPECT_NE(none.find(fresh.dir + "/consumption.txt: no such file"), std::string::npos) << none;
    // and exported as car 1's file, its columns alone
    ASSERT_EQ(run("export --card " + fresh.dir + " --format fuelio", &none), 0) << none;
    EXPECT_NE(none.find("\n\"car 1\",\"Pumpwright\","), std::string::npos) << none;
    const std::size_t rows = none.find("\"## Log\"");
    ASSERT_LT(rows, none.find("\"## Costs\"")) << none;
    EXPECT_EQ(std::count(none.begin() + rows, none.begin() + none.find("\"## Costs\""), '\n'), 3)
        << none; // the log's heading and columns, and the cost categories' heading

    // still below 50000 at the next reading: a new odometer from 100
    log({"50000.00", "100.00", "600.00", "1100.00"});
    ASSERT_EQ(run("summary --card " + card.dir + " --vehicle 1", &summary), 0);
    for (const char* row : {"  distance               1000 km\n",
                            "  average                8.00 l/100km (full to full)\n",
                            "/consumption.txt:2: odometer 100 is below the last reading of its "
                            "series (50000) and so is the next one (600): a new odometer"})
        EXPECT_NE(summary.find(row), std::string::npos) << row << summary;
    // the export and the report say it too
    for (const std::string& command :
         {std::string("export --format csv"), "report -o " + card.dir + "/r.html"}) {
        ASSERT_EQ(run(command + " --card " + card.dir, &summary), 0) << summary;
        EXPECT_NE(summary.find("/consumption.txt:2: odometer 100 is below"), std::string::npos)
            << summary;
    }

    // The report lists the warnings in line order, and a line's own in the order they
    // arise: the date it could not read before the fuel its vehicle leaves out. Twenty
    // such lines, more than a sort keeps in order by chance.
    std::string lines;
    for (int i = 0; i < 20; ++i)
        lines += "1\t100.00\t0.00\t0.00\t0.00\t0.00\tsomeday\n";
    writeFileText(card.dir + "/consumption.txt", lines);
    ASSERT_EQ(run("report --card " + card.dir + " -o " + card.dir + "/r.html"), 0);
    const std::string report = readFileText(card.dir + "/r.html");
    std::size_t at = 0;
    for (int line = 1; line <= 20; ++line)
        for (const char* what : {": unreadable date", ": no fuel"}) {
            const std::size_t next = report.find("line " + std::to_string(line) + what);
            ASSERT_NE(next, std::string::npos) << line << what << report;
            EXPECT_GT(next, at) << line << what << report;
            at = next;
        }
}

TEST(ExchangeTest, ImportKeepsTheAppsIntervalsOnTheCard) {
    // trip distances on the card: the app's intervals become trip records, partial fills
    // top-ups carried from a reading into the next interval, a missed fill-up fuel of no
    // interval
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
    const std::string first =
        old + "\n1\t300.00\t40.00\t20000.00\t60.00\t7.50\tSat Feb  1 00:00:00 2025\n"
              "1\t0.0\t5.00\t0.00\t7.50\t0.00\tMon Feb 10 00:00:00 2025\n"
              "1\t0.0\t10.00\t0.00\t15.00\t0.00\tThu Feb 20 00:00:00 2025\n"
              "1\t0.0\t30.00\t20600.00\t45.00\t0.00\tSat Mar  1 00:00:00 2025\n"
              "1\t0.0\t35.00\t0.00\t52.50\t0.00\tSat Mar 15 00:00:00 2025\n";
    EXPECT_EQ(card.log(), first) << out;
    const VehicleLog log = readVehicle(splitLog(first).records, 1);
    std::string intervals;
    for (const pwlog::Refill& r : log.refills)
        intervals +=
            r.complete() ? std::to_string(r.distance) + "/" + std::to_string(r.fuel) + " " : "";
    EXPECT_EQ(intervals, "300.000000/20.000000 300.000000/40.000000 600.000000/45.000000 ");
    EXPECT_NE(out.find("row 7: already in the log (2025-01-05, 20.00): left out"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("row 6: follows a missed fill-up"), std::string::npos);
    EXPECT_EQ(readFileText(card.dir + "/consumption.txt.bak"), old);
    // the second time every fill-up is found, the partial ones and the missed one too
    ASSERT_EQ(run("import --card " + card.dir + " --format lubelogger --vehicle 1 " + card.dir +
                      "/lube.csv",
                  &out),
              0);
    EXPECT_EQ(card.log(), first) << out;

    // another vehicle's fill on the same day with the same fuel is no duplicate; a record
    // edited in without its time stamp is neither a duplicate nor the newest
    Card shared("P_DEFAULTODOMETERMODE.1: 1.0\nP_DEFAULTODOMETERMODE.2: 1.0\n");
    writeFileText(shared.dir + "/consumption.txt",
                  "1\t0.0\t30.00\t19000.00\t45.00\t0.00\tWed Jan 15 08:00:00 2025\n"
                  "1\t0.0\t35.00\t19500.00\t52.50\t0.00\n"
                  "1\t0.0\t40.00\t20000.00\t60.00\t0.00\tSat Feb  1 08:00:00 2025\n");
    // a dry run of a LubeLogger file of these rows for the vehicle: what it prints
    const auto dryRun = [&](int vehicle, const std::string& rows) {
        writeFileText(shared.dir + "/lube.csv", "Date,Odometer,FuelConsumed,Cost\n" + rows);
        std::string printed;
        EXPECT_EQ(run("import --card " + shared.dir + " --format lubelogger --dry-run --vehicle " +
                          std::to_string(vehicle) + " " + shared.dir + "/lube.csv",
                      &printed),
                  0);
        return printed;
    };
    // (and, earlier than that fill, is not older than the newest record of its own vehicle)
    out = dryRun(2, "2025-02-01 07:30,9000,40,60\n");
    EXPECT_EQ(out.rfind("2\t0.0\t40.00\t9000.00\t60.00\t0.00\tSat Feb  1 07:30:00 2025\n--\n", 0),
              0u)
        << out;
    EXPECT_EQ(out.find("older"), std::string::npos) << out;
    // nor is a second fill of the same vehicle that day with a cent more fuel; only the fill
    // before the card's newest record is said to be older
    out = dryRun(1, "2025-01-20,19500,30,45\n2025-02-01 18:00,20100,40.01,60.45\n"
                    "2025-02-10,20500,35,52.5\n");
    EXPECT_EQ(out.rfind("1\t0.0\t30.00\t0.00\t45.00\t0.00\tMon Jan 20 00:00:00 2025\n"
                        "1\t600.00\t40.01\t20100.00\t60.45\t6.67\tSat Feb  1 18:00:00 2025\n"
                        "1\t0.0\t35.00\t20500.00\t52.50\t0.00\tMon Feb 10 00:00:00 2025\n--\n",
                        0),
              0u)
        << out;
    EXPECT_NE(out.find("row 2: older than the newest"), std::string::npos) << out;
    EXPECT_EQ(out.find("older"), out.rfind("older")) << out;
    // nor is one at the very time of the newest record
    out = dryRun(1, "2025-02-01 08:00,20100,40.01,60.45\n");
    EXPECT_NE(out.find("Sat Feb  1 08:00:00 2025"), std::string::npos) << out;
    EXPECT_EQ(out.find("older"), std::string::npos) << out;
    // nor does a record whose fuel is a slip of many digits: its 109,951,162,782,600
    // hundredths end in the same 41 bits as 50.00
    writeFileText(shared.dir + "/consumption.txt",
                  readFileText(shared.dir + "/consumption.txt") +
                      "2\t0.0\t1099511627826.00\t9000.00\t60.00\t0.00\tSat Mar  1 08:00:00 2025\n");
    out = dryRun(2, "2025-03-01 09:00,9500,50,75\n");
    EXPECT_EQ(out.rfind("2\t0.0\t50.00\t0.00\t75.00\t0.00\tSat Mar  1 09:00:00 2025\n--\n", 0), 0u)
        << out;

    // the first reading of a file gives no trip distance unless the start is given
    writeFileText(card.dir + "/april.csv", "Date,Odometer,FuelConsumed,Cost\n"
                                           "2025-04-01,30000,40,60\n \n2025-04-12,30500,38,57\n");
    ASSERT_EQ(run("import --card " + card.dir + " --format lubelogger --vehicle 1 --dry-run " +
                      card.dir + "/april.csv",
                  &out),
              0);
    EXPECT_EQ(out.rfind("1\t0.0\t40.00\t0.00\t60.00\t0.00\tTue Apr  1 00:00:00 2025\n"
                        "1\t500.00\t38.00\t0.0\t57.00\t13.16\tSat Apr 12 00:00:00 2025\n--\n",
                        0),
              0u)
        << out;
    EXPECT_NE(out.find("row 2: the first fill-up of the file closes no interval"),
              std::string::npos)
        << out;
    ASSERT_EQ(run("import --card " + card.dir +
                      " --format lubelogger --vehicle 1 --dry-run "
                      "--start-odometer 29600 " +
                      card.dir + "/april.csv",
                  &out),
              0);
    EXPECT_EQ(out.rfind("1\t400.00\t40.00\t0.0\t60.00\t10.00\tTue Apr  1 00:00:00 2025\n", 0), 0u)
        << out;

    // a reading of 0 is none: never an interval from or to 0
    writeFileText(card.dir + "/zero.csv", "Date,Odometer,FuelConsumed,Cost\n"
                                          "2025-05-01,40000,40,60\n2025-05-05,0,12,18\n"
                                          "2025-05-12,40500,35,52.5\n");
    ASSERT_EQ(run("import --card " + card.dir +
                      " --format lubelogger --vehicle 1 --dry-run --start-odometer 39600 " +
                      card.dir + "/zero.csv",
                  &out),
              0);
    EXPECT_EQ(out.rfind("1\t400.00\t40.00\t0.0\t60.00\t10.00\tThu May  1 00:00:00 2025\n"
                        "1\t0.0\t35.00\t40500.00\t52.50\t0.00\tMon May 12 00:00:00 2025\n--\n",
                        0),
              0u)
        << out;

    // trip distances onto a card of readings: the first interval has no reading before it
    // on the card, so it is a trip record that leaves its reading for the next
    Card readings("P_DEFAULTODOMETERMODE.1: 1.0\n");
    // (a dry run of rows of our own file onto it)
    const auto readingsDryRun = [&](const std::string& rows, const std::string& options) {
        writeFileText(readings.dir + "/rows.csv",
                      "date,vehicle,distance,odometer,fuel,price,full\n" + rows);
        return run("import --card " + readings.dir + " --format csv --vehicle 1 --dry-run " +
                       options + readings.dir + "/rows.csv",
                   &out);
    };
    ASSERT_EQ(
        readingsDryRun("2025-04-01T08:00:00,1,400,,40,60,1\n2025-04-12T08:00:00,1,500,,38,57,1\n",
                       "--start-odometer 30000 "),
        0);
    EXPECT_EQ(out.rfind("1\t400.00\t40.00\t30400.00\t60.00\t10.00\tTue Apr  1 08:00:00 2025\n"
                        "1\t0.0\t38.00\t30900.00\t57.00\t0.00\tSat Apr 12 08:00:00 2025\n--\n",
                        0),
              0u)
        << out;

    // without a start, with a partial fill after it: readings made up from 0 on
    ASSERT_EQ(
        readingsDryRun("2025-04-01T08:00:00,1,400,,40,60,1\n2025-04-05T08:00:00,1,0,,10,15,0\n"
                       "2025-04-12T08:00:00,1,500,,38,57,1\n",
                       ""),
        0);
    EXPECT_EQ(out.rfind("1\t400.00\t40.00\t400.00\t60.00\t10.00\tTue Apr  1 08:00:00 2025\n"
                        "1\t0.0\t10.00\t0.00\t15.00\t0.00\tSat Apr  5 08:00:00 2025\n"
                        "1\t0.0\t38.00\t900.00\t57.00\t0.00\tSat Apr 12 08:00:00 2025\n--\n",
                        0),
              0u)
        << out;

    // readings onto a card whose last record is a trip record: the card has no series
    // after it, so the first reading starts one and no interval is made up across the trip
    writeFileText(readings.dir + "/consumption.txt",
                  "1\t0.0\t40.00\t1000.00\t60.00\t0.00\tMon Jan  6 08:10:00 2025\n"
                  "1\t300.00\t20.00\t0.0\t30.00\t6.67\tMon Jan 13 10:12:44 2025\n");
    writeFileText(readings.dir + "/after.csv", "Date,Odometer,FuelConsumed,Cost\n"
                                               "2025-02-01,2000,35,50\n2025-02-08,2500,30,45\n");
    ASSERT_EQ(run("import --card " + readings.dir + " --format lubelogger --vehicle 1 --dry-run " +
                      readings.dir + "/after.csv",
                  &out),
              0);
    EXPECT_NE(out.find("1\t0.0\t35.00\t2000.00\t50.00\t0.00\tSat Feb  1 00:00:00 2025\n"
                       "1\t0.0\t30.00\t2500.00\t45.00\t0.00\tSat Feb  8 00:00:00 2025\n"),
              std::string::npos)
        << out;

    // A missed fill-up at the card's last reading is no new odometer: its fuel goes into no
    // interval, nor does the partial fill after it. One below the card's last reading, with
    // the file's last fill-up below it too, is the first reading of a new one; with the last
    // back at the card's reading exactly, the card takes it for a slip, so the interval goes
    // in as a trip record. Partial fills
    // before a missed fill-up count once, in the totals only; one before the first interval
    // from a given start once, in that interval.
    const struct {
        const char* log;
        const char* rows;
        const char* lines;
        const char* options = "";
    } missed[] = {
        {"1\t0.0\t40.00\t2500.00\t60.00\t0.00\tMon Feb 24 08:10:00 2025\n",
         "2025-03-01,2500,20,30,True,True\n2025-03-05,2600,10,15,False,False\n"
         "2025-03-10,3000,30,45,True,False\n",
         "1\t0.0\t20.00\t0.00\t30.00\t0.00\tSat Mar  1 00:00:00 2025\n"
         "1\t500.00\t40.00\t3000.00\t60.00\t8.00\tMon Mar 10 00:00:00 2025\n"},
        {"1\t0.0\t40.00\t50000.00\t60.00\t0.00\tMon Feb 24 08:10:00 2025\n",
         "2025-03-01,100,20,30,True,True\n2025-03-10,600,30,45,True,False\n",
         "1\t0.0\t20.00\t100.00\t30.00\t0.00\tSat Mar  1 00:00:00 2025\n"
         "1\t0.0\t30.00\t600.00\t45.00\t0.00\tMon Mar 10 00:00:00 2025\n"},
        {"1\t0.0\t40.00\t50000.00\t60.00\t0.00\tMon Feb 24 08:10:00 2025\n",
         "2025-03-01,49500,20,30,True,True\n2025-03-10,50000,30,45,True,False\n",
         "1\t0.0\t20.00\t0.00\t30.00\t0.00\tSat Mar  1 00:00:00 2025\n"
         "1\t500.00\t30.00\t50000.00\t45.00\t6.00\tMon Mar 10 00:00:00 2025\n"},
        {"",
         "2025-02-25,1000,10,15,False,False\n2025-03-01,1100,20,30,True,True\n"
         "2025-03-10,1500,30,45,True,False\n",
         "1\t0.0\t10.00\t1100.00\t15.00\t0.00\tTue Feb 25 00:00:00 2025\n"
         "1\t0.0\t20.00\t0.00\t30.00\t0.00\tSat Mar  1 00:00:00 2025\n"
         "1\t400.00\t30.00\t1500.00\t45.00\t7.50\tMon Mar 10 00:00:00 2025\n"},
        {"",
         "2025-02-25,1000,10,15,False,False\n2025-03-01,1100,20,30,True,False\n"
         "2025-03-10,1500,30,45,True,False\n",
         "1\t200.00\t30.00\t1100.00\t45.00\t15.00\tSat Mar  1 00:00:00 2025\n"
         "1\t0.0\t30.00\t1500.00\t45.00\t0.00\tMon Mar 10 00:00:00 2025\n",
         "--start-odometer 900 "},
    };
    for (const auto& m : missed) {
        writeFileText(readings.dir + "/consumption.txt", m.log);
        writeFileText(readings.dir + "/missed.csv",
                      std::string("Date,Odometer,FuelConsumed,Cost,IsFillToFull,MissedFuelUp\n") +
                          m.rows);
        ASSERT_EQ(run("import --card " + readings.dir +
                          " --format lubelogger --vehicle 1 --dry-run " + m.options + readings.dir +
                          "/missed.csv",
                      &out),
                  0);
        EXPECT_EQ(out.rfind(m.lines + std::string("--\n"), 0), 0u) << out;
        EXPECT_EQ(out.find("left out"), std::string::npos) << out;
    }

    // Fill-ups with no reading to start a series from, and the partial fills around them,
    // are each left out with the reason.
    writeFileText(readings.dir + "/consumption.txt", "");
    ASSERT_EQ(readingsDryRun("2025-01-05T08:00:00,1,,,10,15,0\n2025-01-10T08:00:00,1,,,35,50,1\n"
                             "2025-01-25T08:00:00,1,,,30,45,0\n",
                             ""),
              0);
    for (const char* note :
         {"row 2: a partial fill before a fill-up that is left out: left out\n",
          "row 3: no odometer reading to start a series from: left out\n",
          "row 4: partial fill with no full fill after it and no reading to carry it from: left "
          "out\n"})
        EXPECT_NE(out.find("rows.csv: " + std::string(note)), std::string::npos) << out;
    EXPECT_NE(out.find("would append 0 records"), std::string::npos) << out;

    // a distance half a unit off its readings' difference: the trip and the real reading
    // are written, so the readings after it do not drift from the file's
    Card drift("P_DEFAULTODOMETERMODE.1: 1.0\n");
    writeFileText(drift.dir + "/drift.csv", "date,vehicle,distance,odometer,fuel,price,full\n"
                                            "2025-01-10T08:00:00,1,0,1000,35,50,1\n"
                                            "2025-01-20T08:00:00,1,399.5,1400,30,45,1\n"
                                            "2025-01-30T08:00:00,1,300,1700,30,45,1\n"
                                            "2025-01-31T08:00:00,2,0,9000,20,30,1\n");
    ASSERT_EQ(run("import --card " + drift.dir + " --format csv --vehicle 1 --dry-run " +
                      drift.dir + "/drift.csv",
                  &out),
              0);
    EXPECT_NE(out.find("1\t399.50\t30.00\t1400.00\t45.00\t7.51\tMon Jan 20 08:00:00 2025\n"
                       "1\t0.0\t30.00\t1700.00\t45.00\t0.00\tThu Jan 30 08:00:00 2025\n--\n"),
              std::string::npos)
        << out;
    for (const char* note : {"row 3: the device reads the trip distance 399.50 as a whole number",
                             "row 5: vehicle 2: passed over (import it with --vehicle 2)"})
        EXPECT_NE(out.find(note), std::string::npos) << out;

    // numbers and dates as people write them
    EXPECT_EQ(parseAmount("1.234,56"), 1234.56);
    EXPECT_EQ(parseAmount("1,234.56"), 1234.56);
    EXPECT_EQ(parseAmount(" 46,301 "), 46.301);
    EXPECT_FALSE(parseAmount("1e400"));
    EXPECT_FALSE(parseAmount("0x1p3"));
    EXPECT_FALSE(parseAmount("12 l"));
    // up to 40 characters, leading zeros and all
    EXPECT_EQ(parseAmount(std::string(38, '0') + "12"), 12.0);
    EXPECT_FALSE(parseAmount(std::string(39, '0') + "12"));
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
    EXPECT_EQ(dateText("3/7/2025 12:30 PM"), "Fri Mar  7 12:30:00 2025");
    EXPECT_EQ(dateText("3/7/2025 1:00 PM"), "Fri Mar  7 13:00:00 2025");
    EXPECT_FALSE(parseDate("3/7/2025 13:00 PM"));
    EXPECT_FALSE(parseDate("12/31/1969"));
    EXPECT_FALSE(parseDate("2025-03-07 noon"));
    EXPECT_FALSE(parseDate("2025-03-07T06:30:\xd6"));
    EXPECT_FALSE(parseDate("2025-03-07 06:30:"));
    EXPECT_FALSE(parseDate("2025-03-07 06:30:.5")); // seconds start with a digit
}

} // namespace

namespace {

TEST(ExchangeTest, ImportAppendsWhereTheDeviceReadsOrNothing) {
    Card card("P_DEFAULTODOMETERMODE.1: 1.0\n");
    const std::string old = "1\t0.0\t40.00\t1000.00\t60.00\t0.00\tMon Jan  6 08:10:00 2025\n";
    writeFileText(card.dir + "/lube.csv", "Date,Odometer,FuelConsumed,Cost\n"
                                          "2025-02-01,1500,35,50\n2025-02-01,1500,35,50\n");
    const std::string import =
        "import --card " + card.dir + " --format lubelogger --vehicle 1 " + card.dir + "/lube.csv";
    // an empty line at the end: the new record goes before it, where the device reads it
    writeFileText(card.dir + "/consumption.txt", old + "\n\n");
    std::string out;
    ASSERT_EQ(run(import, &out), 0) << out;
    EXPECT_EQ(card.log(), old + "1\t0.0\t35.00\t0.00\t50.00\t0.00\tSat Feb  1 00:00:00 2025\n");
    // the file's own second row is named and left out, the first kept
    EXPECT_NE(out.find("lube.csv: row 3: the same day and fuel as row 2: left out"),
              std::string::npos)
        << out;
    EXPECT_EQ(readFileText(card.dir + "/consumption.txt.bak"), old + "\n\n");
    {
        // three days' fill-ups, each repeated twenty times across the file: every repeat
        // names the first row of its day, and that row is kept
        Card fresh("P_DEFAULTODOMETERMODE.1: 1.0\n");
        std::string rows = "Date,Odometer,FuelConsumed,Cost\n";
        for (int i = 0; i < 60; ++i)
            rows += "2025-02-0" + std::to_string(1 + i % 3) + "," + std::to_string(1000 + 10 * i) +
                    ",35,50\n";
        writeFileText(fresh.dir + "/repeats.csv", rows);
        const std::string dryRun = "import --card " + fresh.dir +
                                   " --format lubelogger --vehicle 1 --dry-run " + fresh.dir +
                                   "/repeats.csv";
        ASSERT_EQ(run(dryRun, &out), 0) << out;
        EXPECT_EQ(out.substr(0, out.find("--\n")),
                  "1\t0.0\t35.00\t1000.00\t50.00\t0.00\tSat Feb  1 00:00:00 2025\n"
                  "1\t0.0\t35.00\t1010.00\t50.00\t0.00\tSun Feb  2 00:00:00 2025\n"
                  "1\t0.0\t35.00\t1020.00\t50.00\t0.00\tMon Feb  3 00:00:00 2025\n");
        for (int row = 5; row <= 61; ++row)
            EXPECT_NE(out.find("repeats.csv: row " + std::to_string(row) +
                               ": the same day and fuel as row " +
                               std::to_string(2 + (row - 2) % 3) + ": left out\n"),
                      std::string::npos)
                << row << "\n"
                << out;
        // the lines go out as they are made: an output that takes none fails the dry run
        EXPECT_EQ(
            std::system((PW_LOG_TOOL " " + dryRun + " >/dev/full 2>" + fresh.dir + "/err").c_str()),
            1 << 8);
        EXPECT_NE(readFileText(fresh.dir + "/err").find("stdout: write error"), std::string::npos);
    }
    // a second import finds the record and appends nothing
    ASSERT_EQ(run(import, &out), 0) << out;
    EXPECT_EQ(splitLog(card.log()).records.size(), 2u);

    // records after an empty line, the first line too: the log is refused with the line and
    // what to do
    for (const std::string& hidden :
         {old + "\n1\t0.0\t30.00\t1400.00\t45.00\t0.00\tMon Jan 20 08:10:00 2025\n", "\n" + old}) {
        writeFileText(card.dir + "/consumption.txt", hidden);
        EXPECT_EQ(run(import, &out), 1);
        EXPECT_NE(out.find(hidden[0] == '\n' ? "consumption.txt:1: empty line"
                                             : "consumption.txt:2: empty line"),
                  std::string::npos)
            << out;
        EXPECT_NE(out.find("delete the empty line"), std::string::npos) << out;
        EXPECT_EQ(card.log(), hidden);
    }

    // the backup is the log before the latest import that changed it
    writeFileText(card.dir + "/consumption.txt", old);
    writeFileText(card.dir + "/march.csv",
                  "Date,Odometer,FuelConsumed,Cost\n2025-03-01,2000,30,45\n");
    ASSERT_EQ(run(import, &out), 0) << out;
    const std::string afterFirst = card.log();
    ASSERT_EQ(run("import --card " + card.dir + " --format lubelogger --vehicle 1 " + card.dir +
                      "/march.csv",
                  &out),
              0)
        << out;
    EXPECT_EQ(readFileText(card.dir + "/consumption.txt.bak"), afterFirst);
    EXPECT_EQ(access((card.dir + "/consumption.txt.tmp").c_str(), F_OK), -1);

    // outputs never replace the card's own files
    writeFileText(card.dir + "/environment.txt", "E_SCREEN.0.BG.name: look.bin\n");
    const std::string log = card.log();
    for (const char* output :
         {"consumption.txt", "properties.txt", "events.txt", "a.raw", "look.bin", "Diduz.ovo"}) {
        const std::string path = card.dir + "/" + output;
        EXPECT_EQ(run("export --card " + card.dir + " --format csv -o " + path, &out), 1) << output;
        EXPECT_NE(out.find("is one of the card's own files"), std::string::npos) << out;
        EXPECT_EQ(run("report --card " + card.dir + " -o " + card.dir + "/../" +
                      card.dir.substr(card.dir.rfind('/') + 1) + "/" + output),
                  1)
            << output;
    }
    EXPECT_EQ(card.log(), log);
    EXPECT_EQ(access((card.dir + "/a.raw").c_str(), F_OK), -1);
    // a name that only ends as a picture's does is none
    EXPECT_EQ(run("export --card " + card.dir + " --format csv -o " + card.dir + "/.raw"), 0);
    ASSERT_EQ(symlink((card.dir + "/consumption.txt").c_str(), (card.dir + ".link").c_str()), 0);
    EXPECT_EQ(run("export --card " + card.dir + " --format csv -o " + card.dir + ".link", &out), 1);
    EXPECT_NE(out.find("is the card's consumption.txt"), std::string::npos) << out;
    std::remove((card.dir + ".link").c_str());
    // a file of its own elsewhere is replaced, as a second export replaces the first
    writeFileText(card.dir + ".csv", "an older export\n");
    EXPECT_EQ(run("export --card " + card.dir + " --format csv -o " + card.dir + ".csv", &out), 0);
    EXPECT_NE(readFileText(card.dir + ".csv"), "an older export\n");
    std::remove((card.dir + ".csv").c_str());
    EXPECT_EQ(card.log(), log);
}

TEST(ExchangeTest, NumbersAndVehiclesNoRefillHasAreRefused) {
    Card card("P_DEFAULTODOMETERMODE.1: 1.0\n");
    const std::string log = "1\t0.0\t40.00\t1000.00\t60.00\t0.00\tMon Jan  6 08:10:00 2025\n";
    writeFileText(card.dir + "/consumption.txt", log);
    const std::string perUnit = "Date,Odometer,FuelConsumed,Price\n2025-01-10,1500,35,1.5\n";
    const std::string ours = "date,vehicle,distance,odometer,fuel,price,full\n"
                             "2025-01-10T08:00:00,1,0,1500,35,50,1\n";
    const struct {
        const char* format;
        std::string text;
        std::string says;
    } cases[] = {
        {"lubelogger", perUnit + "2025-01-12,1600,35,1e308\n", "row 3: price inf is more than"},
        {"lubelogger", perUnit + "2025-01-12,1600,35,1e300\n", "row 3: price 3.5e+301 is more"},
        {"lubelogger", perUnit + "2025-01-12,99000000,35,1.5\n", "row 3: odometer 9.9e+07"},
        {"lubelogger", perUnit + "2025-01-12,1600,20000,1.5\n", "row 3: fuel 20000 is more"},
        {"csv", ours + "2025-01-12T08:00:00,1.9,0,1600,35,50,1\n",
         "row 3: unreadable vehicle \"1.9\" (0, 1 or 2 are vehicles)"},
        {"csv", ours + "2025-01-12T08:00:00,-0.5,0,1600,35,50,1\n", "row 3: unreadable vehicle"},
        {"csv", ours + "2025-01-12T08:00:00,1e300,0,1600,35,50,1\n", "row 3: unreadable vehicle"},
        // a field quoted in a message is escaped and cut
        {"lubelogger", perUnit + "2025-01-12,1600,\x1b[31m" + std::string(100000, '7') + ",1\n",
         "row 3: unreadable fuel \"\\x1b[31m777"},
    };
    for (const auto& c : cases) {
        writeFileText(card.dir + "/bad.csv", c.text);
        std::string out;
        EXPECT_EQ(run("import --card " + card.dir + " --format " + c.format + " --vehicle 1 " +
                          card.dir + "/bad.csv",
                      &out),
                  1);
        EXPECT_NE(out.find(c.says), std::string::npos) << out.substr(0, 300);
        EXPECT_NE(out.find("nothing imported"), std::string::npos) << out.substr(0, 300);
        EXPECT_LT(out.size(), 400u);
        EXPECT_EQ(card.log(), log);
    }
    // the bounds themselves are figures of a refill; a figure just past one, or NaN, is not
    FillUp atBounds;
    atBounds.fuel = MAX_FUEL;
    atBounds.odometer = MAX_ODOMETER;
    atBounds.distance = MAX_DISTANCE;
    atBounds.price = MAX_PRICE;
    EXPECT_EQ(outOfBounds(atBounds), "");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (int field = 0; field < 4; ++field) {
        for (double past : {0.5, nan}) {
            FillUp f = atBounds;
            double& v = field == 0   ? f.fuel
                        : field == 1 ? *f.odometer
                        : field == 2 ? *f.distance
                                     : f.price;
            v = std::isnan(past) ? nan : v + past;
            EXPECT_NE(outOfBounds(f), "") << field << " " << v;
        }
    }
    EXPECT_EQ(vehicleNumber(" 2 "), 2);
    EXPECT_EQ(vehicleNumber("3"), std::nullopt);

    // options: a reading from 0 to the most an odometer reads, said in a short line
    for (const char* reading : {"nan", "inf", "-5", "1e310", "2e7"}) {
        std::string out;
        EXPECT_EQ(run("import --card " + card.dir + " --format lubelogger --vehicle 1 --dry-run " +
                          "--start-odometer=" + reading + " " + card.dir + "/bad.csv",
                      &out),
                  2)
            << reading;
        EXPECT_NE(out.find("is no odometer reading: give the reading in the card's distance "
                           "unit, from 0 to 10000000"),
                  std::string::npos)
            << out;
        EXPECT_LT(out.size(), 300u) << out;
        EXPECT_EQ(run(std::string("export --card ") + card.dir +
                      " --format csv --start-odometer=" + reading),
                  2);
    }
    // a spreadsheet's byte-order mark before the header, whose columns come in any order
    writeFileText(card.dir + "/bom.csv",
                  "\xef\xbb\xbf"
                  "FuelConsumed,Date,Odometer,Price\n35,2025-01-10,1500,1.5\n");
    std::string out;
    for (const char* reading : {"0", "10000000"}) // the bounds are readings
        EXPECT_EQ(run("import --card " + card.dir + " --format lubelogger --vehicle 1 --dry-run " +
                          "--start-odometer=" + reading + " " + card.dir + "/bom.csv",
                      &out),
                  0)
            << reading << out;
    ASSERT_EQ(run("import --card " + card.dir + " --format lubelogger --vehicle 1 --dry-run " +
                      card.dir + "/bom.csv",
                  &out),
              0)
        << out;
    EXPECT_EQ(out.rfind("1\t0.0\t35.00\t0.00\t52.50\t0.00\tFri Jan 10 00:00:00 2025\n", 0), 0u)
        << out;
}

TEST(ExchangeTest, TheCardIsFoundAndItsSettingsReadOrNothingIsDone) {
    // the root the card maker and the simulator take, and a mount point
    Card root("");
    ASSERT_EQ(std::system(("mkdir -p " + root.dir + "/mnt/sdcard/Pumpwright " + root.dir +
                           "/media/Pumpwright")
                              .c_str()),
              0);
    const std::string log = "1\t300.00\t20.00\t0.0\t30.00\t6.67\tMon Mar  2 10:12:44 2026\n";
    writeFileText(root.dir + "/mnt/sdcard/Pumpwright/consumption.txt", log);
    writeFileText(root.dir + "/media/Pumpwright/consumption.txt", log);
    std::remove((root.dir + "/properties.txt").c_str());
    for (const std::string& given : {root.dir, root.dir + "/media"}) {
        std::string out;
        ASSERT_EQ(run("summary --card " + given, &out), 0) << out;
        EXPECT_NE(out.find("  refills                1\n"), std::string::npos) << out;
    }
    // a folder with no card in it or under it
    std::string out;
    EXPECT_EQ(run("summary --card " + root.dir + "/mnt", &out), 1);
    EXPECT_NE(out.find("no card here"), std::string::npos) << out;
    EXPECT_EQ(out.find("no refills on the card"), std::string::npos) << out;
    EXPECT_EQ(run("export --card " + root.dir + "/mnt --format csv"), 1);
    // the card's log given for the card
    EXPECT_EQ(run("summary --card " + root.dir + "/media/Pumpwright/consumption.txt", &out), 1);
    EXPECT_NE(out.find("consumption.txt: not a folder (give the card's Pumpwright folder)"),
              std::string::npos)
        << out;

    // settings that cannot be read: refused with the reason, the log untouched
    Card card("");
    writeFileText(card.dir + "/consumption.txt", log);
    std::remove((card.dir + "/properties.txt").c_str());
    ASSERT_EQ(mkdir((card.dir + "/properties.txt").c_str(), 0755), 0);
    writeFileText(card.dir + "/lube.csv",
                  "Date,Odometer,FuelConsumed,Cost\n2026-04-01,1500,35,50\n");
    EXPECT_EQ(run("import --card " + card.dir + " --format lubelogger --vehicle 1 " + card.dir +
                      "/lube.csv",
                  &out),
              1);
    EXPECT_NE(out.find("properties.txt cannot be read (Is a directory)"), std::string::npos) << out;
    EXPECT_EQ(card.log(), log);
    EXPECT_EQ(run("summary --card " + card.dir), 1);

    // control characters of the events, unreadable years and a figure of 301 digits in the
    // summary and the export
    Card odd("");
    writeFileText(odd.dir + "/events.txt",
                  "1\ttirechange\t\x1b]0;owned\x07\tMon Mar  2 10:12:44 2026\n");
    writeFileText(odd.dir + "/consumption.txt",
                  log + "1\t300.00\t20.00\t0.0\t30.00\t6.67\tMon Mar  2 10:12:44 40000\n" +
                      "1\t300.00\t20.00\t0.0\t30.00\t6.67\tMon Mar  2 10:12:44 -31073\n" +
                      "1\t300.00\t1e300\t0.0\t30.00\t0.00\tMon Mar  9 10:12:44 2026\n");
    char huge[400];
    std::snprintf(huge, sizeof huge, "%.2f", 1e300);
    ASSERT_EQ(run("summary --card " + odd.dir, &out), 0) << out;
    EXPECT_EQ(out.find('\x1b'), std::string::npos) << out;
    EXPECT_NE(out.find("at \\x1b]0;owned\\x07)"), std::string::npos) << out;
    EXPECT_NE(out.find("consumption.txt:2: unreadable date \"Mon Mar  2 10:12:44 40000\""),
              std::string::npos)
        << out;
    EXPECT_EQ(out.find("\n  -"), std::string::npos) << out; // no year or month row of them
    for (const std::string& row :
         {"  fuel                   " + std::string(huge) + " l\n",
          "\n  2026           2        600 " + std::string(huge) + "      60.00 "})
        EXPECT_NE(out.find(row), std::string::npos) << out;
    ASSERT_EQ(run("export --card " + odd.dir + " --format csv", &out), 0) << out;
    EXPECT_EQ(out.substr(0, out.find("--\n")).find("\n-"), std::string::npos) << out;
    EXPECT_NE(out.find(std::string(",") + huge + ",30.00,"), std::string::npos) << out;

    // A card with no refills yet says so; a log, a file to import or an output that is a
    // folder, or is not there, is named with the reason; output that is lost is no success.
    Card empty("");
    writeFileText(empty.dir + "/consumption.txt", "");
    ASSERT_EQ(run("summary --card " + empty.dir, &out), 0) << out;
    EXPECT_EQ(out, "no refills on the card\n--\n");
    const std::string lost =
        PW_LOG_TOOL " summary --card " + empty.dir + " >/dev/full 2>" + empty.dir + "/err";
    EXPECT_EQ(WEXITSTATUS(std::system(lost.c_str())), 1);
    EXPECT_EQ(readFileText(empty.dir + "/err"), "pumpwright-log: stdout: write error\n");
    for (const char* name : {"consumption.txt", "events.txt"}) {
        Card folders("");
        ASSERT_EQ(mkdir((folders.dir + "/" + name).c_str(), 0755), 0);
        EXPECT_EQ(run("summary --card " + folders.dir, &out), 1);
        EXPECT_NE(out.find(folders.dir + "/" + name + " cannot be read: Is a directory"),
                  std::string::npos)
            << out;
    }
    const std::string import = "import --card " + empty.dir + " --format lubelogger --vehicle 1 ";
    EXPECT_EQ(run(import + empty.dir, &out), 1);
    EXPECT_NE(out.find(empty.dir + " cannot be read: Is a directory"), std::string::npos) << out;
    EXPECT_EQ(run(import + empty.dir + "/none.csv", &out), 1);
    EXPECT_NE(out.find(empty.dir + "/none.csv: No such file or directory"), std::string::npos)
        << out;
    EXPECT_EQ(run("report --card " + empty.dir + "/none --output " + empty.dir + "/r.html", &out),
              1);
    EXPECT_EQ(run("report --card " + odd.dir + " --output " + empty.dir + "/none/r.html", &out), 1);
    EXPECT_NE(out.find("no folder " + empty.dir + "/none/ to write"), std::string::npos) << out;
    EXPECT_FALSE(std::filesystem::exists(empty.dir + "/r.html"));
}

} // namespace
