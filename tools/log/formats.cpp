#include "tools/log/formats.h"

#include <csv.h>

#include <cstdio>

namespace pwlog {

namespace {

// US gallons in an imperial gallon: Fuelly's imperial columns are in US units.
constexpr double US_PER_UK_GALLON = 4.54609 / 3.785411784;

std::string number(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string row(const std::vector<std::string>& fields, bool alwaysQuote = false) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i)
        line += (i ? "," : "") + csvField(fields[i], alwaysQuote);
    return line + "\r\n";
}

// 2025-03-07T08:05:00, or 2025-03-07 08:05 without the seconds
std::string isoDate(const std::optional<LocalTime>& time, bool seconds) {
    if (!time)
        return {};
    const Civil c = civil(*time);
    char text[64];
    if (seconds)
        std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d", c.year, c.month, c.day,
                      c.hour, c.minute, c.second);
    else
        std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d", c.year, c.month, c.day, c.hour,
                      c.minute);
    return text;
}

// US style without leading zeros, as an en-US server writes it: 3/7/2025, 3/7/2025 8:05
std::string usDate(const std::optional<LocalTime>& time, bool withTime) {
    if (!time)
        return {};
    const Civil c = civil(*time);
    char text[64];
    if (withTime)
        std::snprintf(text, sizeof text, "%u/%u/%d %d:%02d", c.month, c.day, c.year, c.hour,
                      c.minute);
    else
        std::snprintf(text, sizeof text, "%u/%u/%d", c.month, c.day, c.year);
    return text;
}

// One exported row: the refill as the other apps see a fill-up.
struct Row {
    const Refill* refill;
    double odometer;
    double distance; // since the previous fill-up; 0 for a top-up or the first reading
    bool partial;
    std::optional<double> consumption; // in the card's mode, of the interval it closes
};

std::vector<Row> rowsOf(const VehicleLog& log, const ExportOptions& options, bool& built) {
    std::vector<Row> rows;
    double odometer = options.startOdometer;
    built = false;
    for (const Refill& refill : log.refills) {
        if (refill.kind == Kind::LeftOut)
            continue;
        if (refill.record.odometer != 0.0) {
            odometer = refill.record.odometer;
        } else if (refill.kind == Kind::Trip) {
            odometer += refill.distance;
            built = true;
        }
        Row row{&refill, odometer, refill.distance, refill.kind == Kind::TopUp, std::nullopt};
        if (refill.complete())
            row.consumption =
                refillConsumption(refill.distance, refill.fuel, options.fuelDistanceMode);
        rows.push_back(row);
    }
    return rows;
}

double pricePerUnit(const Record& r) {
    return r.fuel != 0.0 ? r.price / r.fuel : 0.0;
}

std::string ourCsv(const std::vector<VehicleExport>& vehicles,
                   const std::vector<std::vector<Row>>& rows, const ExportOptions& options) {
    const UnitNames u = unitNames(options.units);
    const std::string d = u.distance, f = u.fuel;
    std::string out = row(
        {"date", "vehicle", "distance (" + d + ")", "odometer (" + d + ")", "fuel (" + f + ")",
         "price", "price per unit (per " + f + ")",
         "consumption (" + consumptionUnit(options.units, options.fuelDistanceMode) + ")", "full"});
    for (std::size_t v = 0; v < vehicles.size(); ++v)
        for (const Row& r : rows[v]) {
            const Record& rec = r.refill->record;
            out += row({isoDate(rec.time, true), std::to_string(vehicles[v].vehicle),
                        number(r.distance, 2), number(r.odometer, 2), number(rec.fuel, 2),
                        number(rec.price, 2), number(pricePerUnit(rec), 4),
                        r.consumption ? number(*r.consumption, 2) : "", r.partial ? "0" : "1"});
        }
    return out;
}

std::string lubeLogger(const std::vector<Row>& rows) {
    std::string out = row({"Date", "Odometer", "FuelConsumed", "Cost", "FuelEconomy",
                           "IsFillToFull", "MissedFuelUp", "Notes"});
    for (const Row& r : rows) {
        const Record& rec = r.refill->record;
        out += row({usDate(rec.time, false), number(r.odometer, 0), number(rec.fuel, 2),
                    number(rec.price, 2), r.consumption ? number(*r.consumption, 2) : "0",
                    r.partial ? "False" : "True", "False", ""});
    }
    return out;
}

std::string fuelly(const std::vector<VehicleExport>& vehicles,
                   const std::vector<std::vector<Row>>& rows, const ExportOptions& options) {
    const bool metric = options.units == Units::Metric;
    // Fuelly's imperial columns are miles and US gallons
    const double toGallons = options.units == Units::Uk ? US_PER_UK_GALLON : 1.0;
    std::string out =
        row({"car_name", "model", metric ? "l/100km" : "mpg", "odometer", metric ? "km" : "miles",
             metric ? "litres" : "gallons", "price", "city_percentage", "fuelup_date", "date_added",
             "tags", "notes", "missed_fuelup", "partial_fuelup", "latitude", "longitude", "brand"});
    for (std::size_t v = 0; v < vehicles.size(); ++v)
        for (const Row& r : rows[v]) {
            const Record& rec = r.refill->record;
            const double fuel = rec.fuel * toGallons;
            std::string economy;
            if (r.refill->complete()) {
                const double intervalFuel = r.refill->fuel * toGallons;
                economy = metric ? number(intervalFuel / r.distance * 100.0, 2)
                                 : number(r.distance / intervalFuel, 2);
            }
            out += row({vehicleName(vehicles[v].vehicle), "Pumpwright", economy,
                        number(r.odometer, 0), number(r.distance, 2), number(fuel, 3),
                        number(fuel != 0.0 ? rec.price / fuel : 0.0, 5), "", usDate(rec.time, true),
                        usDate(rec.time, false), "", "", "0", r.partial ? "1" : "0", "", "", ""});
        }
    return out;
}

std::string fuelio(const VehicleExport& vehicle, const std::vector<Row>& rows,
                   const ExportOptions& options) {
    const bool metric = options.units == Units::Metric;
    const std::string d = metric ? "km" : "mi";
    const std::string f = options.units == Units::Us   ? "gal (US)"
                          : options.units == Units::Uk ? "gal (UK)"
                                                       : "litres";
    // Unit codes of the Vehicle row: distance 0 km / 1 mi; fuel 0 litres, 1 US gallons,
    // 2 imperial gallons; consumption 0 l/100km, 1 km/l, 2 mpg (US), 3 mpg (UK).
    const int distUnit = metric ? 0 : 1;
    const int fuelUnit = options.units == Units::Us ? 1 : options.units == Units::Uk ? 2 : 0;
    const int consumptionUnit =
        metric ? (options.fuelDistanceMode == 0 ? 0 : 1) : (options.units == Units::Us ? 2 : 3);
    const std::string economy =
        metric ? (options.fuelDistanceMode == 0 ? "l/100km" : "km/l") : "mpg";
    std::string out = row({"## Vehicle"}, true);
    out += row({"Name",
                "Description",
                "DistUnit",
                "FuelUnit",
                "ConsumptionUnit",
                "ImportCSVDateFormat",
                "VIN",
                "Insurance",
                "Plate",
                "Make",
                "Model",
                "Year",
                "TankCount",
                "Tank1Type",
                "Tank2Type",
                "Active",
                "Tank1Capacity",
                "Tank2Capacity",
                "FuelUnitTank2",
                "FuelConsumptionTank2"},
               true);
    out += row({vehicleName(vehicle.vehicle),
                "Pumpwright",
                std::to_string(distUnit),
                std::to_string(fuelUnit),
                std::to_string(consumptionUnit),
                "yyyy-MM-dd HH:mm",
                "",
                "",
                "",
                "",
                "",
                "",
                "1",
                "0",
                "0",
                "1",
                number(vehicle.tankSize, 1),
                "0.0",
                "0",
                "0"},
               true);
    out += row({"## Log"}, true);
    out += row({"Data", "Odo (" + d + ")", "Fuel (" + f + ")", "Full", "Price (optional)",
                economy + " (optional)", "latitude (optional)", "longitude (optional)",
                "City (optional)", "Notes (optional)", "Missed", "TankNumber", "FuelType",
                "VolumePrice", "StationID (optional)", "ExcludeDistance", "UniqueId", "TankCalc"},
               true);
    int id = 0;
    for (const Row& r : rows) {
        const Record& rec = r.refill->record;
        out += row({isoDate(rec.time, false), number(r.odometer, 1), number(rec.fuel, 2),
                    r.partial ? "0" : "1", number(rec.price, 2),
                    r.consumption ? number(*r.consumption, 2) : "0.0", "", "", "", "", "0", "1",
                    "-1", number(pricePerUnit(rec), 4), "", "0.0", std::to_string(++id), "0.0"},
                   true);
    }
    for (const char* section : {"## CostCategories", "## Costs", "## FavStations", "## Category"})
        out += row({section}, true);
    return out;
}

} // namespace

std::optional<Format> formatNamed(const std::string& name) {
    if (name == "csv")
        return Format::Csv;
    if (name == "lubelogger")
        return Format::LubeLogger;
    if (name == "fuelly")
        return Format::Fuelly;
    if (name == "fuelio")
        return Format::Fuelio;
    return std::nullopt;
}

bool holdsVehicles(Format format) {
    return format == Format::Csv || format == Format::Fuelly;
}

std::string csvField(const std::string& text, bool alwaysQuote) {
    if (!alwaysQuote && text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string out(text.size() * 2 + 2, '\0');
    out.resize(csv_write(out.data(), out.size(), text.data(), text.size()));
    return out;
}

ExportResult exportRefills(const std::vector<VehicleExport>& vehicles, Format format,
                           const ExportOptions& options) {
    ExportResult result;
    std::vector<std::vector<Row>> rows;
    for (const VehicleExport& v : vehicles) {
        bool built = false;
        rows.push_back(rowsOf(*v.log, options, built));
        if (built)
            result.builtOdometer.push_back(v.vehicle);
    }
    switch (format) {
    case Format::Csv:
        result.text = ourCsv(vehicles, rows, options);
        break;
    case Format::LubeLogger:
        result.text = lubeLogger(rows.at(0));
        break;
    case Format::Fuelly:
        result.text = fuelly(vehicles, rows, options);
        break;
    case Format::Fuelio:
        result.text = fuelio(vehicles.at(0), rows.at(0), options);
        break;
    }
    return result;
}

} // namespace pwlog
