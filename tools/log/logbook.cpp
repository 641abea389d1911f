#include "tools/log/logbook.h"

#include "base/numeric.h"

#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>

namespace pwlog {

namespace {

std::vector<std::string_view> splitFields(std::string_view line, char delimiter) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = line.find(delimiter, start);
        fields.push_back(line.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos)
            return fields;
        start = end + 1;
    }
}

std::string_view trimmed(std::string_view text) {
    const std::size_t begin = text.find_first_not_of(" \r\v\f");
    if (begin == std::string_view::npos)
        return {};
    return text.substr(begin, text.find_last_not_of(" \r\v\f") - begin + 1);
}

// Reads a field as the device does (a leading number, 0 when there is none, a whole
// number for the distance) and says whether a person would call it a number at all.
struct FieldValue {
    double value = 0.0;
    bool readable = true;
};

FieldValue readNumber(std::string_view field, bool whole) {
    const std::string text(trimmed(field));
    FieldValue out;
    if (text.empty())
        return out;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    out.readable = *end == '\0' && std::isfinite(v) && v >= 0.0;
    if (!std::isfinite(v))
        out.value = 0.0;
    else if (whole)
        out.value = static_cast<double>(std::strtoll(text.c_str(), nullptr, 10));
    else
        out.value = v;
    return out;
}

} // namespace

const char* vehicleName(int vehicle) {
    static const char* const NAMES[VEHICLE_COUNT] = {"motorcycle", "car 1", "car 2"};
    return vehicle >= 0 && vehicle < VEHICLE_COUNT ? NAMES[vehicle] : "vehicle";
}

namespace {

const char* const WEEKDAYS[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const MONTH_NAMES[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// The lines of a log, one at a time, without their line ends.
struct LineReader {
    std::string_view text;
    std::size_t next = 0; // where the line after the one read starts
    int number = 0;       // of the line read, from 1

    bool read(std::string_view& line) {
        if (next >= text.size())
            return false;
        std::size_t end = text.find('\n', next);
        if (end == std::string_view::npos)
            end = text.size();
        line = text.substr(next, end - next);
        next = end + 1;
        ++number;
        return true;
    }
    // Whether nothing but line ends follows the line read.
    bool onlyLineEndsFollow() const {
        return text.find_first_not_of('\n', next) == std::string_view::npos;
    }
};

} // namespace

Civil civil(LocalTime time) {
    const date::local_days day = date::floor<date::days>(time);
    const date::year_month_day ymd{day};
    const date::hh_mm_ss<std::chrono::seconds> clock{time - day};
    return {static_cast<int>(ymd.year()),
            static_cast<unsigned>(ymd.month()),
            static_cast<unsigned>(ymd.day()),
            date::weekday{day}.c_encoding(),
            static_cast<int>(clock.hours().count()),
            static_cast<int>(clock.minutes().count()),
            static_cast<int>(clock.seconds().count())};
}

AppendPoint appendPoint(std::string_view text) {
    AppendPoint at;
    LineReader lines{text};
    std::string_view line;
    while (lines.read(line))
        if (line.empty()) {
            at.emptyLine = lines.number;
            at.keep = lines.onlyLineEndsFollow() ? lines.next - 1 : std::string_view::npos;
            return at;
        }
    at.keep = text.size();
    at.newline = !text.empty() && text.back() != '\n';
    return at;
}

std::string printable(std::string_view text, std::size_t limit) {
    std::string out;
    for (std::size_t i = 0; i < text.size() && i < limit; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7f) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    if (text.size() > limit)
        out += "... (" + std::to_string(text.size()) + " bytes)";
    return out;
}

// The card holds one ctime text per record, in the one layout libc writes; a big log
// has a hundred thousand of them, so they are taken apart field by field.
std::optional<LocalTime> parseCtime(std::string_view text) {
    const std::string line(trimmed(text));
    char weekday[4], month[4];
    int day, hour, minute, second, year;
    char end;
    if (std::sscanf(line.c_str(), "%3s %3s %d %d:%d:%d %d%c", weekday, month, &day, &hour, &minute,
                    &second, &year, &end) != 7)
        return std::nullopt;
    unsigned m = 0;
    while (m < 12 && std::string_view(MONTH_NAMES[m]) != month)
        ++m;
    // date's years end at 32767 and wrap beyond; no card was written in such a year
    if (year < 1 || year > 9999)
        return std::nullopt;
    // date keeps a day in a byte: day 257 would be taken for the 1st
    if (m == 12 || day < 1 || day > 31 || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 60)
        return std::nullopt;
    const date::year_month_day ymd{date::year(year), date::month(m + 1),
                                   date::day(static_cast<unsigned>(day))};
    if (!ymd.ok())
        return std::nullopt;
    return date::local_days{ymd} + std::chrono::hours(hour) + std::chrono::minutes(minute) +
           std::chrono::seconds(second);
}

std::string formatCtime(LocalTime time) {
    const Civil c = civil(time);
    char text[64];
    // ctime pads the day with a blank: "Dec  6"
    std::snprintf(text, sizeof text, "%s %s %2u %02d:%02d:%02d %d", WEEKDAYS[c.weekday],
                  MONTH_NAMES[c.month - 1], c.day, c.hour, c.minute, c.second, c.year);
    return text;
}

LogRecords splitLog(std::string_view text) {
    static const char* const NAMES[] = {"distance", "fuel", "odometer", "price"};
    LogRecords out;
    LineReader lines{text};
    std::string_view line;
    while (lines.read(line)) {
        const int lineNumber = lines.number;
        if (line.empty()) {
            if (!lines.onlyLineEndsFollow())
                out.warnings.push_back(
                    {lineNumber, "empty line: the device reads no record after it, nor does this"});
            break;
        }
        if (!isDigit(line.front()))
            continue;
        const std::vector<std::string_view> fields = splitFields(line, '\t');
        Record record;
        record.line = lineNumber;
        record.vehicle = leadingInt(std::string(fields[0]).c_str());
        double* values[] = {&record.distance, &record.fuel, &record.odometer, &record.price};
        std::string problems;
        for (std::size_t i = 0; i < 4; ++i) {
            if (i + 1 >= fields.size())
                break;
            const FieldValue v = readNumber(fields[i + 1], i == 0);
            *values[i] = v.value;
            if (!v.readable) {
                record.bad = true;
                problems += std::string(problems.empty() ? "" : ", ") + NAMES[i] + " \"" +
                            printable(fields[i + 1]) + "\"";
            }
        }
        if (record.bad)
            out.warnings.push_back({lineNumber, "unreadable " + problems + ": left out"});
        if (fields.size() >= 7)
            record.time = parseCtime(fields[6]);
        if (!record.time && !record.bad)
            out.warnings.push_back(
                {lineNumber, fields.size() >= 7 ? "unreadable date \"" + printable(fields[6]) +
                                                      "\" (a year from 1 to 9999 is read): left "
                                                      "out of the periods"
                                                : std::string("no date: left out of the periods")});
        out.records.push_back(record);
    }
    return out;
}

namespace {

std::string number(double v) {
    std::ostringstream text;
    text << v;
    return text.str();
}

// A low reading waiting for the next reading of its series to say what it was.
struct LowReading {
    std::size_t refill;  // in VehicleLog::refills
    std::size_t warning; // in VehicleLog::warnings
    double below;        // the reading of the series it is below
};

// Says what the waiting low readings were; the last one may start a new series.
void settle(VehicleLog& out, std::vector<LowReading>& lows, LowOutcome outcome, double next) {
    for (std::size_t i = 0; i < lows.size(); ++i) {
        Refill& refill = out.refills[lows[i].refill];
        std::string& text = out.warnings[lows[i].warning].text;
        text = "odometer " + number(refill.record.odometer) +
               " is below the last reading of its series (" + number(lows[i].below) + ")";
        if (outcome == LowOutcome::NewOdometer && i + 1 == lows.size()) {
            text += " and so is the next one (" + number(next) +
                    "): a new odometer, a new series starts here";
            if (refill.kind == Kind::Slip)
                refill.kind = Kind::Start;
        } else if (outcome == LowOutcome::NewOdometer) {
            text +=
                ": taken as a slip of the keypad before a new odometer, its fuel in no interval";
        } else if (outcome == LowOutcome::None) {
            text += ", and no later reading of the series says why: taken as a slip of the keypad, "
                    "its fuel carried";
        } else {
            text += ": taken as a slip of the keypad, its fuel carried into the next interval";
        }
    }
    lows.clear();
}

} // namespace

VehicleLog readVehicle(const std::vector<Record>& records, int vehicle) {
    VehicleLog out;
    OdometerChain chain;
    std::vector<LowReading> lows;
    for (const Record& record : records) {
        if (record.vehicle != vehicle)
            continue;
        Refill refill;
        refill.record = record;
        // A bad record moves the odometer chain as the device sees it, but brings no fuel
        // or money into any figure.
        const Amount own = record.bad ? Amount{} : Amount{record.fuel, record.price};
        const double before = chain.reading;
        const ChainStep step = stepChain(chain, record.distance, record.odometer, own);
        if (step.outcome != LowOutcome::None || (step.role == ChainRole::Trip && !lows.empty()))
            settle(out, lows, step.outcome, record.odometer);
        refill.distance = step.distance;
        refill.fuel = step.amount.fuel;
        refill.money = step.amount.money;
        // the chain's roles in order, each as the refill's kind
        static constexpr Kind KIND_OF[] = {Kind::Trip,  Kind::Interval, Kind::Start,
                                           Kind::TopUp, Kind::Slip,     Kind::LeftOut};
        refill.kind = KIND_OF[static_cast<int>(step.role)];
        if (step.role == ChainRole::Low) {
            // a slip until a reading says the odometer was replaced
            lows.push_back({out.refills.size(), out.warnings.size(), before});
            out.warnings.push_back({record.line, {}});
        } else if (step.role == ChainRole::Alone && !record.bad) {
            out.warnings.push_back(
                {record.line, "no distance and no odometer reading before it: left out"});
        }

        if (record.bad) {
            refill.kind = Kind::LeftOut;
        } else if (record.fuel == 0.0 && refill.kind != Kind::LeftOut &&
                   !(refill.kind == Kind::Interval && refill.fuel > 0.0)) {
            refill.kind = Kind::LeftOut;
            out.warnings.push_back({record.line, "no fuel: left out"});
        }
        if (refill.kind == Kind::LeftOut)
            refill.distance = refill.fuel = refill.money = 0.0;
        out.refills.push_back(refill);
    }
    settle(out, lows, LowOutcome::None, 0.0);
    return out;
}

bool better(double a, double b, int fuelDistanceMode) {
    return fuelDistanceMode == 0 ? a < b : a > b;
}

void Totals::add(const Refill& refill) {
    if (refill.kind == Kind::LeftOut)
        return;
    ++refills;
    fuel += refill.record.fuel;
    money += refill.record.price;
    if (refill.complete()) {
        distance += refill.distance;
        intervalFuel += refill.fuel;
        intervalMoney += refill.money;
    }
}

std::vector<TireChange> readEvents(std::string_view text) {
    std::vector<TireChange> out;
    LineReader lines{text};
    std::string_view line;
    while (lines.read(line)) {
        if (line.empty() || !isDigit(line.front()))
            continue;
        const std::vector<std::string_view> fields = splitFields(line, '\t');
        if (fields.size() < 3 || trimmed(fields[1]) != "tirechange")
            continue;
        TireChange change;
        change.vehicle = leadingInt(std::string(fields[0]).c_str());
        change.value = std::string(trimmed(fields[2]));
        if (fields.size() >= 4)
            change.time = parseCtime(fields.at(3)); // checked: a stamp is optional
        out.push_back(change);
    }
    return out;
}

Summary summarise(const VehicleLog& log, int vehicle, int fuelDistanceMode, double tankSize,
                  const std::vector<TireChange>& events) {
    Summary s;
    s.vehicle = vehicle;
    std::map<int, Totals> years, months;
    for (const Refill& refill : log.refills) {
        if (refill.kind == Kind::LeftOut)
            continue;
        s.totals.add(refill);
        if (refill.complete()) {
            const double value = refillConsumption(refill.distance, refill.fuel, fuelDistanceMode);
            if (!s.best ||
                better(value, refillConsumption(s.best->distance, s.best->fuel, fuelDistanceMode),
                       fuelDistanceMode))
                s.best = &refill;
            if (!s.worst ||
                better(refillConsumption(s.worst->distance, s.worst->fuel, fuelDistanceMode), value,
                       fuelDistanceMode))
                s.worst = &refill;
        }
        if (!refill.record.time)
            continue;
        const LocalTime time = *refill.record.time;
        s.first = s.first ? std::min(*s.first, time) : time;
        s.last = s.last ? std::max(*s.last, time) : time;
        const date::year_month_day day{date::floor<date::days>(time)};
        const int year = static_cast<int>(day.year());
        years[year].add(refill);
        months[year * 100 + static_cast<int>(static_cast<unsigned>(day.month()))].add(refill);
    }
    for (const auto& [year, totals] : years)
        s.years.push_back({year, 0, totals});
    for (const auto& [key, totals] : months)
        s.months.push_back({key / 100, static_cast<unsigned>(key % 100), totals});

    if (s.totals.hasAverage()) {
        s.average = refillConsumption(s.totals.distance, s.totals.intervalFuel, fuelDistanceMode);
        s.costPer100 = s.totals.intervalMoney / s.totals.distance * 100.0;
        if (tankSize > 0.0)
            s.fullTankRange = ::fullTankRange(tankSize, *s.average, fuelDistanceMode);
    }
    for (const TireChange& change : events) {
        if (change.vehicle != vehicle || !change.time)
            continue;
        if (s.tireChange && *change.time < *s.tireChange)
            continue;
        s.tireChange = change.time;
        s.tireChangeValue = change.value;
    }
    if (s.tireChange) {
        double since = 0.0;
        for (const Refill& refill : log.refills)
            if (refill.complete() && refill.record.time && *refill.record.time > *s.tireChange)
                since += refill.distance;
        s.sinceTireChange = since;
    }
    return s;
}

} // namespace pwlog
