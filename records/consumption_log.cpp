#include "records/consumption_log.h"

#include "base/debug_log.h"
#include "base/numeric.h"
#include "base/paths.h"
#include "props/properties.h"
#include "records/log_append.h"
#include "records/vehicles.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace {

// People read and edit the file, so it explains itself; the misspelling and the
// backslash sequences are what existing cards hold.
const char* const CONSUMPTION_HEADER =
    "# This file contains the consumption-values you entered.\n"
    "#\n"
    "# Format is: (\"[]\" means \"optional\")\n"
    "#  vehicle \\t [distance] \\t fuel \\t [odometer] \\t price\n"
    "#    (and optional:) \\t [consumption] \\t [utc-time] \\n\n"
    "#\n"
    "#   \"vehicle\" ist the actually chosen vehicle, \"0\" is \"motorcycle\", \"1\" is \"car "
    "1\" and \"2\" is \"car 2\"\n"
    "#\n";

// scratchText keeps one character for its terminator; a longer line (a hand edit, a
// damaged card) is cut to this many characters, the fields the readers use come first.
constexpr std::size_t MAX_LINE = SCRATCH_SIZE - 1;

// The number conversions skip white space, tabs included, so an empty field would read
// as the number of the field after it; it reads 0 instead.
const char* fieldText() {
    const char* text = scratchText;
    while (*text != '\0' && *text != '\t' && std::isspace(static_cast<unsigned char>(*text)))
        ++text;
    return *text == '\t' ? nullptr : text;
}

double wholeField() {
    const char* text = fieldText();
    return text ? static_cast<double>(std::strtoll(text, nullptr, 10)) : 0.0;
}

double decimalField() {
    const char* text = fieldText();
    return text ? std::strtod(text, nullptr) : 0.0;
}

} // namespace

bool writeConsumptionRecord(const Refill& refill) {
    LogAppend log = openLogForAppend(dataPath("consumption.txt"));
    if (log.fd < 0)
        return false;
    std::string record = getProperty("P_DEFAULTVEHICLE", "1");
    const int vehicle = getPropertyInt("P_DEFAULTVEHICLE", "1");
    record += '\t';
    // The keypad distance is either the trip (field 2) or the odometer reading (field 4);
    // the other one holds the placeholder. Each field asks for the mode, so an unknown
    // vehicle is logged for both.
    const auto distanceField = [&](bool holdsIt) {
        if (holdsIt)
            appendNumber(record, refill.distance);
        else
            record += "0.0";
        record += '\t';
    };
    distanceField(getOdometerMode(vehicle) == 0);
    appendNumber(record, refill.fuel);
    record += '\t';
    distanceField(getOdometerMode(vehicle) != 0);
    appendNumber(record, refill.price);
    record += '\t';
    appendNumber(record, refill.consumption);
    record += '\t';
    timestampText();
    record += scratchText;
    return finishLogAppend(log, CONSUMPTION_HEADER, record);
}

int nextRecordLine(std::istream& in, int vehicle) {
    std::streambuf* source = in.rdbuf();
    if (!source || !in)
        return 0;
    for (;;) {
        std::size_t kept = 0;
        bool empty = true;
        std::streambuf::int_type c;
        // Read up to the newline, which is consumed; what exceeds the buffer is dropped.
        while ((c = source->sbumpc()) != std::streambuf::traits_type::eof() && c != '\n') {
            empty = false;
            if (kept < MAX_LINE)
                scratchText[kept++] = static_cast<char>(c);
        }
        scratchText[kept] = '\0';
        if (c == std::streambuf::traits_type::eof())
            in.setstate(std::ios::eofbit);
        if (empty)
            return 0;
        // Comments and anything else a person may write begin with something else.
        if (!isDigit(scratchText[0]))
            continue;
        if (std::strtol(scratchText, nullptr, 10) != vehicle)
            continue;
        // A NUL byte inside the line ends the text the callers see.
        return static_cast<int>(std::strlen(scratchText));
    }
}

int dropField(char delimiter) {
    const std::size_t length = strnlen(scratchText, MAX_LINE);
    const void* found = std::memchr(scratchText, delimiter, length);
    if (delimiter == '\0' || !found)
        return -1;
    const std::size_t next = static_cast<const char*>(found) - scratchText + 1;
    std::memmove(scratchText, scratchText + next, length - next);
    scratchText[length - next] = '\0';
    return static_cast<int>(next);
}

RecordFields readRecordFields() {
    // A field missing from a short line (a power cut, a hand edit) reads 0; without this
    // the text left over would be read again as the next field.
    RecordFields fields{0.0, 0.0, 0.0, 0.0};
    double* const order[] = {&fields.distance, &fields.fuel, &fields.odometer, &fields.price};
    for (double* field : order) {
        if (dropField('\t') < 0)
            break;
        // The distance is a whole number: "99.99" reads 99.
        *field = field == &fields.distance ? wholeField() : decimalField();
    }
    return fields;
}
