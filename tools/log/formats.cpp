#include "tools/log/formats.h"
#include "tools/log/series.h"

#include <csv.h>

namespace pwlog {

namespace {

// US gallons in an imperial gallon: Fuelly's imperial columns are in US units.
constexpr double US_PER_UK_GALLON = 4.54609 / 3.785411784;

std::string row(const std::vector<std::string>& fields, bool alwaysQuote = false) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i)
        line += (i ? "," : "") + csvField(fields[i], alwaysQuote);
    return line + "\r\n";
}

// A time in a file's style ("%F %T": 2025-03-07 08:05:00); empty without a time.
std::string timeText(const std::optional<LocalTime>& time, const char* style) {
    return time ? date::format(style, *time) : std::string();
}

// A figure with at least low and at most high decimals: 41.2 -> "41.2", 41.25 -> "41.25".
std::string amount(double value, int low, int high) {
    std::string text = withDecimals(value, high);
    const std::size_t point = text.find('.');
    if (point == std::string::npos)
        return text;
    std::size_t keep = text.size();
    while (keep > point + 1 + static_cast<std::size_t>(low) && text[keep - 1] == '0')
        --keep;
    if (keep == point + 1)
        --keep;
    return text.substr(0, keep);
}

double pricePerUnit(const Record& r) {
    return r.fuel != 0.0 ? r.price / r.fuel : 0.0;
}

// A missed fill-up mark: the apps count no interval that ends at the row, nor one from
// a reading given on import before the first row.
bool missed(const std::vector<SeriesRow>& rows, std::size_t i) {
    return rows[i].role == Role::Start;
}

std::optional<double> economy(const SeriesRow& r, int fuelDistanceMode) {
    if (r.role != Role::Closes)
        return std::nullopt;
    return refillConsumption(r.distance, r.fuel, fuelDistanceMode);
}

// The mode of the figure the mileage apps show: the card's in metric units, while the
// mpgs are always distance per fuel.
int appMode(const ExportOptions& options) {
    return options.units == Units::Metric ? options.fuelDistanceMode : 1;
}

std::string ourCsv(const std::vector<VehicleExport>& vehicles,
                   const std::vector<SeriesExport>& series, const ExportOptions& options) {
    const UnitNames u = unitNames(options.units);
    const std::string d = u.distance, f = u.fuel;
    std::string out =
        row({"date", "vehicle", "distance (" + d + ")", "odometer (" + d + ")", "fuel (" + f + ")",
             "price", "price per unit (per " + f + ")",
             "consumption (" + consumptionUnit(options.units, options.fuelDistanceMode) + ")",
             "full", "missed"});
    for (std::size_t v = 0; v < vehicles.size(); ++v) {
        const std::vector<SeriesRow>& rows = series[v].rows;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const SeriesRow& r = rows[i];
            const Record& rec = r.refill->record;
            const std::optional<double> value = economy(r, options.fuelDistanceMode);
            out += row({timeText(rec.time, "%FT%T"), std::to_string(vehicles[v].vehicle),
                        withDecimals(r.distance, 2), withDecimals(r.odometer, 2),
                        withDecimals(rec.fuel, 2), withDecimals(rec.price, 2),
                        withDecimals(pricePerUnit(rec), 4), value ? withDecimals(*value, 2) : "",
                        r.role == Role::Partial ? "0" : "1", missed(rows, i) ? "1" : "0"});
        }
    }
    return out;
}

std::string lubeLogger(const std::vector<SeriesRow>& rows, const ExportOptions& options) {
    std::string out = row({"Date", "Odometer", "FuelConsumed", "Cost", "FuelEconomy",
                           "IsFillToFull", "MissedFuelUp", "Notes", "Tags"});
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const SeriesRow& r = rows[i];
        const Record& rec = r.refill->record;
        const std::optional<double> value = economy(r, options.fuelDistanceMode);
        // the app keeps whole odometer readings; an ISO date is read alike by servers of
        // every culture, where 3/7/2025 is 7 March to one and 3 July to another
        out += row({timeText(rec.time, "%F"), withDecimals(r.odometer, 0), amount(rec.fuel, 0, 2),
                    amount(rec.price, 0, 2), value ? amount(*value, 0, 6) : "0",
                    r.role == Role::Partial ? "False" : "True", missed(rows, i) ? "True" : "False",
                    "", ""});
    }
    return out;
}

// Fuelly's current export: blanks after the commas of the header, text fields quoted,
// the newest fill-up of each car first.
std::string fuelly(const std::vector<VehicleExport>& vehicles,
                   const std::vector<SeriesExport>& series, const ExportOptions& options) {
    const bool metric = options.units == Units::Metric;
    // Fuelly's imperial columns are miles and US gallons
    const double toGallons = options.units == Units::Uk ? US_PER_UK_GALLON : 1.0;
    const std::string unit = !metric ? "mpg" : options.fuelDistanceMode == 0 ? "l/100km" : "km/l";
    std::string out = "car_name, model, " + unit + ",  odometer, " + (metric ? "km" : "miles") +
                      ", " + (metric ? "litres" : "gallons") +
                      ", price, city_percentage, fuelup_date, date_added, tags, notes, "
                      "missed_fuelup, partial_fuelup, latitude, longitude, brand\r\n";
    for (std::size_t v = 0; v < vehicles.size(); ++v) {
        const std::vector<SeriesRow>& rows = series[v].rows;
        for (std::size_t i = rows.size(); i-- > 0;) {
            const SeriesRow& r = rows[i];
            const Record& rec = r.refill->record;
            const double fuel = rec.fuel * toGallons;
            // per US gallon: toGallons turns a UK card's miles per gallon, and is 1 otherwise
            const std::optional<double> value = economy(r, appMode(options));
            out += csvField(vehicleName(vehicles[v].vehicle), true) + "," +
                   csvField("Pumpwright", true) + "," +
                   (value ? withDecimals(*value / toGallons, 2) : "0") + "," +
                   amount(r.odometer, 1, 2) + "," + amount(r.distance, 1, 2) + "," +
                   amount(fuel, 1, 3) + "," + amount(fuel != 0.0 ? rec.price / fuel : 0.0, 3, 6) +
                   ",," + timeText(rec.time, "%F") + "," + timeText(rec.time, "%F %T") +
                   ",\"\",\"\"," + (missed(rows, i) ? "1" : "0") + "," +
                   (r.role == Role::Partial ? "1" : "0") + ",,,\"\"\r\n";
        }
    }
    return out;
}

// Fuelio's backup: every field quoted but the empty City and Weather, as the app writes
// them; the log newest first.
std::string fuelio(const VehicleExport& vehicle, const std::vector<SeriesRow>& rows,
                   const ExportOptions& options) {
    const bool metric = options.units == Units::Metric;
    const std::string d = metric ? "km" : "mi";
    const std::string f = options.units == Units::Us   ? "gal (US)"
                          : options.units == Units::Uk ? "gal (UK)"
                                                       : "litres";
    // The vehicle's unit codes: distance 0 km, 1 miles; fuel 0 litres, 1 US gallons, 2
    // imperial gallons; consumption 0 l/100km, 1 mpg (US), 2 mpg (imperial), 3 km/l.
    const int distUnit = metric ? 0 : 1;
    const int fuelUnit = options.units == Units::Us ? 1 : options.units == Units::Uk ? 2 : 0;
    const int consumptionUnit =
        metric ? (options.fuelDistanceMode == 0 ? 0 : 3) : (options.units == Units::Us ? 1 : 2);
    const std::string economyName = consumptionUnit == 0   ? "l/100km"
                                    : consumptionUnit == 3 ? "km/l"
                                                           : "mpg";
    constexpr const char* PETROL = "100"; // the app's code for petrol of no known grade
    auto millis = [](const std::optional<LocalTime>& time) {
        return time ? std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(
                                         time->time_since_epoch())
                                         .count())
                    : std::string("0");
    };
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
                "FuelConsumptionTank2",
                "guid",
                "lastupdated"},
               true);
    const std::optional<LocalTime> newest =
        rows.empty() ? std::nullopt : rows.back().refill->record.time;
    out += row({vehicleName(vehicle.vehicle),
                "Pumpwright",
                std::to_string(distUnit),
                std::to_string(fuelUnit),
                std::to_string(consumptionUnit),
                "yyyy-MM-dd",
                "",
                "",
                "",
                "",
                "",
                "",
                "1",
                PETROL,
                "0",
                "1",
                withDecimals(vehicle.tankSize, 1),
                "0.0",
                "0",
                "0",
                "pumpwright-" + std::to_string(vehicle.vehicle),
                millis(newest)},
               true);
    out += row({"## Log"}, true);
    out += row({"Data",
                "Odo (" + d + ")",
                "Fuel (" + f + ")",
                "Full",
                "Price (optional)",
                economyName + " (optional)",
                "latitude (optional)",
                "longitude (optional)",
                "City (optional)",
                "Notes (optional)",
                "Missed",
                "TankNumber",
                "FuelType",
                "VolumePrice",
                "StationID (optional)",
                "ExcludeDistance",
                "UniqueId",
                "TankCalc",
                "Weather",
                "guid",
                "lastupdated"},
               true);
    auto q = [](const std::string& text) { return csvField(text, true); };
    for (std::size_t i = rows.size(); i-- > 0;) {
        const SeriesRow& r = rows[i];
        const Record& rec = r.refill->record;
        const std::optional<double> value = economy(r, appMode(options));
        out += q(timeText(rec.time, "%F %R")) + "," + q(amount(r.odometer, 1, 2)) + "," +
               q(withDecimals(rec.fuel, 2)) + "," + q(r.role == Role::Partial ? "0" : "1") + "," +
               q(withDecimals(rec.price, 2)) + "," + q(value ? withDecimals(*value, 2) : "0.0") +
               ",\"0.0\",\"0.0\",," + q("") + "," + q(missed(rows, i) ? "1" : "0") + ",\"1\"," +
               q(PETROL) + "," + q(withDecimals(pricePerUnit(rec), 3)) + ",\"0\",\"0.0\"," +
               q(std::to_string(i + 1)) + ",\"0.0\",," +
               q("pw" + std::to_string(vehicle.vehicle) + "-" + std::to_string(i + 1)) + "," +
               q(millis(rec.time)) + "\r\n";
    }
    for (const char* section :
         {"## CostCategories", "## Costs", "## TripLog", "## FavStations", "## Category"})
        out += row({section}, true);
    return out;
}

} // namespace

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
    std::vector<SeriesExport> series;
    for (const VehicleExport& v : vehicles) {
        series.push_back(seriesRows(*v.log, options.startOdometer));
        if (series.back().startsWithTrip)
            result.builtOdometer.emplace_back(v.vehicle, series.back().start);
    }
    switch (format) {
    case Format::Csv:
        result.text = ourCsv(vehicles, series, options);
        break;
    case Format::LubeLogger:
        result.text = lubeLogger(series.at(0).rows, options);
        break;
    case Format::Fuelly:
        result.text = fuelly(vehicles, series, options);
        break;
    case Format::Fuelio:
        result.text = fuelio(vehicles.at(0), series.at(0).rows, options);
        break;
    }
    return result;
}

} // namespace pwlog
