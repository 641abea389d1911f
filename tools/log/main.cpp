// pumpwright-log: the card's logbook on a desktop. Reads the data folder of a card and
// prints a summary, exports the refills to other logbook apps, imports their history
// and writes an HTML report.
#include "tools/log/card.h"
#include "tools/log/formats.h"
#include "tools/log/importer.h"
#include "tools/log/logbook.h"
#include "tools/log/report.h"
#include "tools/log/summary_text.h"
#include "tools/log/units.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <unistd.h>
#include <utility>

using namespace pwlog;

namespace {

// Exit statuses: the work failed, or the command line was wrong.
constexpr int FAILED = 1;
constexpr int BAD_COMMAND_LINE = 2;

struct Options {
    std::string card;
    int vehicle = -1; // -1: every vehicle with records
    std::string unitsText = "metric";
    Units units = Units::Metric;
};

void addCardOptions(CLI::App& command, Options& options, bool vehicleRequired) {
    command
        .add_option("--card", options.card,
                    "the card: its data folder, or the root or mount point above it")
        ->required();
    CLI::Option* vehicle =
        command.add_option("--vehicle", options.vehicle, "0 motorcycle, 1 car 1, 2 car 2")
            ->check(CLI::Range(0, VEHICLE_COUNT - 1));
    if (vehicleRequired)
        vehicle->required();
    command
        .add_option("--units", options.unitsText,
                    "what the card's numbers are: metric (km, litres; the default), us (miles, "
                    "US gallons), uk (miles, imperial gallons)")
        ->check(CLI::IsMember(namesOf(UNITS_NAMES)));
    command.callback([&options] { options.units = *valueNamed(UNITS_NAMES, options.unitsText); });
}

void addFormatOption(CLI::App& command, std::string& format) {
    command.add_option("--format", format, "the other app's file, or csv: the companion's own")
        ->required()
        ->check(CLI::IsMember(namesOf(FORMAT_NAMES)));
}

void printWarnings(const std::vector<Warning>& warnings, const std::string& file) {
    for (const Warning& w : warnings)
        std::fprintf(stderr, "%s:%d: %s\n", file.c_str(), w.line, w.text.c_str());
}

// Notes on the rows of an imported CSV file, whose rows may span lines.
void printRowNotes(const std::vector<Warning>& notes, const std::string& file) {
    for (const Warning& w : notes)
        std::fprintf(stderr, "%s: row %d: %s\n", file.c_str(), w.line, w.text.c_str());
}

std::vector<int> vehiclesOf(const Options& options, const LogRecords& log) {
    if (options.vehicle >= 0)
        return {options.vehicle};
    std::vector<int> out;
    for (int v = 0; v < VEHICLE_COUNT; ++v)
        for (const Record& r : log.records)
            if (r.vehicle == v) {
                out.push_back(v);
                break;
            }
    return out;
}

// An odometer reading given on the command line: a number from 0 to the most an
// odometer reads. CLI11's range check would print its bound with 309 digits.
const CLI::Validator ODOMETER_READING(
    [](std::string& text) -> std::string {
        char* end = nullptr;
        const double v = std::strtod(text.c_str(), &end);
        if (end == text.c_str() || *end != '\0' || !(v >= 0.0 && v <= MAX_ODOMETER))
            return "\"" + printable(text, 20) + "\" is no odometer reading: give the reading in " +
                   "the card's distance unit, from 0 to " + std::to_string(long(MAX_ODOMETER));
        return {};
    },
    "READING");

int failure(const std::string& message) {
    std::fprintf(stderr, "pumpwright-log: %s\n", message.c_str());
    return FAILED;
}

// Reads the card and its log, warning about the lines no figure is taken from.
// A log that is not there yet is only news to a reader: import starts one.
bool openCard(const Options& options, Card& card, LogRecords& log, bool reading = true) {
    std::string error;
    if (!loadCard(options.card, card, error)) {
        failure(error);
        return false;
    }
    if (reading && access((card.dir + "consumption.txt").c_str(), F_OK) != 0)
        std::fprintf(stderr,
                     "pumpwright-log: %sconsumption.txt: no such file (a card's data folder is "
                     "<mount>/Pumpwright)\n",
                     card.dir.c_str());
    log = splitLog(card.consumption);
    printWarnings(log.warnings, card.dir + "consumption.txt");
    return true;
}

int runSummary(const Options& options) {
    Card card;
    LogRecords log;
    if (!openCard(options, card, log))
        return FAILED;
    const std::string file = card.dir + "consumption.txt";
    const std::vector<TireChange> events = readEvents(card.events);
    std::string out;
    for (int v : vehiclesOf(options, log)) {
        const VehicleLog vehicle = readVehicle(log.records, v);
        printWarnings(vehicle.warnings, file);
        const Summary s = summarise(vehicle, v, card.fuelDistanceMode, card.tankSize[v], events);
        out +=
            (out.empty() ? "" : "\n") + summaryText(s, card.odometerMode[v], card.fuelDistanceMode,
                                                    card.tankSize[v], options.units);
    }
    if (out.empty())
        out = "no refills on the card\n";
    std::string error;
    if (!writeWhole("-", out, error))
        return failure(error);
    return 0;
}

struct ExportCommand {
    Options options;
    std::string format;
    std::string output = "-";
    std::optional<double> startOdometer;
};

int runExport(const ExportCommand& command) {
    Card card;
    LogRecords log;
    if (!openCard(command.options, card, log))
        return FAILED;
    const Format format = *valueNamed(FORMAT_NAMES, command.format);
    std::vector<int> vehicles = vehiclesOf(command.options, log);
    if (!holdsVehicles(format) && vehicles.size() > 1) {
        std::fprintf(stderr,
                     "pumpwright-log: a %s file holds one vehicle and the card has several: "
                     "choose one with --vehicle\n",
                     command.format.c_str());
        return BAD_COMMAND_LINE;
    }
    // A card with no records yet (and no --vehicle) gives car 1's file: the columns alone.
    if (vehicles.empty())
        vehicles.push_back(1);
    std::vector<VehicleLog> logs;
    for (int v : vehicles) {
        logs.push_back(readVehicle(log.records, v));
        printWarnings(logs.back().warnings, card.dir + "consumption.txt");
    }
    std::vector<VehicleExport> exports;
    for (std::size_t i = 0; i < vehicles.size(); ++i)
        exports.push_back({vehicles[i], &logs[i], card.tankSize[vehicles[i]]});
    ExportOptions options;
    options.units = command.options.units;
    options.fuelDistanceMode = card.fuelDistanceMode;
    options.startOdometer = command.startOdometer;
    std::string error;
    if (!outputAllowed(card, command.output, error))
        return failure(error);
    const ExportResult result = exportRefills(exports, format, options);
    for (const auto& [v, start] : result.builtOdometer)
        std::fprintf(stderr,
                     "pumpwright-log: %s starts with trip distances: its odometer is made up "
                     "from %g on (import the file with --start-odometer %g to keep the first "
                     "distance)\n",
                     vehicleName(v), start, start);
    if (!writeWhole(command.output, result.text, error))
        return failure(error);
    return 0;
}

struct ImportCommand {
    Options options;
    std::string format;
    std::string file;
    bool dryRun = false;
    std::optional<double> startOdometer;
    std::string car;
    std::string dateOrder;
};

// What the file's reading says beyond its rows: units converted, the app's own figures
// that do not match its intervals.
void printFileNotes(const ForeignFile& foreign, const std::string& file) {
    if (!foreign.conversion.empty())
        std::fprintf(stderr, "%s: %s\n", file.c_str(), foreign.conversion.c_str());
    printRowNotes(economyMismatches(foreign), file);
}

int runImport(const ImportCommand& command) {
    Card card;
    LogRecords log;
    if (!openCard(command.options, card, log, false))
        return FAILED;
    std::string text, error;
    if (!readFile(command.file, text, error))
        return failure(error);
    ForeignFile foreign;
    const int vehicle = command.options.vehicle;
    ForeignOptions reading;
    reading.vehicle = vehicle;
    reading.cardUnits = command.options.units;
    reading.car = command.car;
    if (!command.dateOrder.empty())
        reading.dateOrder = *valueNamed(DATE_ORDER_NAMES, command.dateOrder);
    if (!readForeign(text, *valueNamed(FORMAT_NAMES, command.format), reading, foreign, error))
        return failure(command.file + ": " + error + "; nothing imported");
    std::string().swap(text); // a big file's fill-ups and lines need the room
    printRowNotes(foreign.notes, command.file);
    printFileNotes(foreign, command.file);
    ImportOptions options;
    options.vehicle = vehicle;
    options.odometerMode = card.odometerMode[vehicle];
    options.fuelDistanceMode = card.fuelDistanceMode;
    options.startOdometer = command.startOdometer;
    const char* mode = card.odometerMode[vehicle] == 0 ? "trip distances" : "odometer readings";
    if (command.dryRun) {
        // each line goes out as it is made: a big file's lines are never held together
        bool written = true;
        const ImportPlan plan =
            planImport(foreign, log.records, options, [&](const std::string& line) {
                written =
                    written && std::fwrite(line.data(), 1, line.size(), stdout) == line.size();
            });
        printRowNotes(plan.notes, command.file);
        std::fprintf(stderr,
                     "pumpwright-log: would append %d records of %s (%s); nothing written\n",
                     plan.records, vehicleName(vehicle), mode);
        return written && std::fflush(stdout) == 0 ? 0 : failure("stdout: write error");
    }
    std::string lines;
    const ImportPlan plan =
        planImport(foreign, log.records, options, [&](const std::string& line) { lines += line; });
    printRowNotes(plan.notes, command.file);
    if (plan.records > 0 && !appendToLog(card, lines, error))
        return failure(error + "; nothing imported");
    std::fprintf(stderr, "pumpwright-log: appended %d records of %s (%s) to %sconsumption.txt\n",
                 plan.records, vehicleName(vehicle), mode, card.dir.c_str());
    return 0;
}

struct ReportCommand {
    Options options;
    std::string output;
};

int runReport(const ReportCommand& command) {
    Card card;
    LogRecords log;
    if (!openCard(command.options, card, log))
        return FAILED;
    std::string error;
    if (!outputAllowed(card, command.output, error))
        return failure(error);
    const std::vector<TireChange> events = readEvents(card.events);
    const std::vector<int> vehicles = vehiclesOf(command.options, log);
    std::vector<VehicleLog> logs;
    std::vector<Summary> summaries;
    std::vector<Warning> warnings = log.warnings;
    for (int v : vehicles) {
        logs.push_back(readVehicle(log.records, v));
        printWarnings(logs.back().warnings, card.dir + "consumption.txt");
        warnings.insert(warnings.end(), logs.back().warnings.begin(), logs.back().warnings.end());
        summaries.push_back(
            summarise(logs.back(), v, card.fuelDistanceMode, card.tankSize[v], events));
    }
    // the reports point into both vectors: taken once neither grows any more
    std::vector<VehicleReport> reports;
    for (std::size_t i = 0; i < vehicles.size(); ++i)
        reports.push_back({vehicles[i], &logs[i], &summaries[i], card.odometerMode[vehicles[i]],
                           card.tankSize[vehicles[i]]});
    // in line order; a line's own warnings keep theirs: what could not be read comes
    // before what that means for its vehicle's series
    std::stable_sort(warnings.begin(), warnings.end(),
                     [](const Warning& a, const Warning& b) { return a.line < b.line; });
    ReportOptions options;
    options.title = "Pumpwright logbook";
    options.fuelDistanceMode = card.fuelDistanceMode;
    options.units = command.options.units;
    const std::string html = reportHtml(reports, warnings, options);
    releaseChartFonts();
    if (!writeWhole(command.output, html, error))
        return failure(error);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"pumpwright-log: the card's logbook on a desktop"};
    app.set_version_flag("--version", std::string("pumpwright-log ") + PUMPWRIGHT_VERSION);
    app.require_subcommand(1);

    Options summaryOptions;
    CLI::App* summary =
        app.add_subcommand("summary", "per vehicle: totals, averages, years and months");
    addCardOptions(*summary, summaryOptions, false);

    ExportCommand exportCommand;
    CLI::App* exporter = app.add_subcommand(
        "export", "the refills as a CSV file of another logbook app, or our own");
    addCardOptions(*exporter, exportCommand.options, false);
    addFormatOption(*exporter, exportCommand.format);
    exporter->add_option("-o,--output", exportCommand.output, "the file to write (default stdout)");
    exporter
        ->add_option("--start-odometer", exportCommand.startOdometer,
                     "the odometer before the first trip distance, for vehicles logged "
                     "with trip distances (default: where the first trip distance must "
                     "start to end at the first reading, or 0)")
        ->check(ODOMETER_READING);

    ImportCommand importCommand;
    CLI::App* importer = app.add_subcommand(
        "import", "append the fill-ups of another logbook app's CSV file to consumption.txt");
    addCardOptions(*importer, importCommand.options, true);
    addFormatOption(*importer, importCommand.format);
    importer->add_option("FILE", importCommand.file, "the file to import")->required();
    importer->add_flag("--dry-run", importCommand.dryRun,
                       "print the records that would be appended; change nothing");
    importer->add_option("--car", importCommand.car,
                         "the car_name of a Fuelly file to import (needed when it holds several)");
    importer
        ->add_option("--date-order", importCommand.dateOrder,
                     "how the file's slashed dates are ordered: day, month, year first (without "
                     "it, only a file whose dates settle the order is read)")
        ->check(CLI::IsMember(namesOf(DATE_ORDER_NAMES)));
    importer
        ->add_option("--start-odometer", importCommand.startOdometer,
                     "the odometer before the first fill-up, so that it gets a trip distance")
        ->check(ODOMETER_READING);

    ReportCommand reportCommand;
    CLI::App* report = app.add_subcommand(
        "report", "one self-contained HTML page: the summaries and their charts");
    addCardOptions(*report, reportCommand.options, false);
    report->add_option("-o,--output", reportCommand.output, "the HTML file to write")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int status = app.exit(e);
        return status == 0 ? 0 : BAD_COMMAND_LINE;
    }
    if (summary->parsed())
        return runSummary(summaryOptions);
    if (exporter->parsed())
        return runExport(exportCommand);
    if (importer->parsed())
        return runImport(importCommand);
    if (report->parsed())
        return runReport(reportCommand);
    return BAD_COMMAND_LINE;
}
