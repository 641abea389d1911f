#include "records/consumption_log.h"

#include "base/debug_log.h"
#include "base/numeric.h"
#include "base/paths.h"
#include "props/properties.h"
#include "records/field_number.h"
#include "records/log_append.h"
#include "records/vehicles.h"

#include <cctype>
#include <cstring>
#include <limits>

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

namespace {

// scratchText keeps one character for its terminator; a longer line (a hand edit, a
// damaged card) is cut to this many characters, the fields the readers use come first.
constexpr std::size_t MAX_LINE = SCRATCH_SIZE - 1;

// The field beginning at text: its number, and in next where the reading stops (at the
// latest at the tab or the terminator that ends the field). The number conversions skip
// white space, tabs included, so an empty field would read as the number of the field
// after it; it reads 0 instead.
double fieldNumber(const char* text, bool whole, const char** next) {
    // (a digit, as the device writes every field, is no space)
    while (!isDigit(*text) && *text != '\0' && *text != '\t' &&
           std::isspace(static_cast<unsigned char>(*text)))
        ++text;
    *next = text;
    if (*text == '\t')
        return 0.0;
    return whole ? wholeNumber(text, next) : decimalNumber(text, next);
}

} // namespace

bool writeConsumptionRecord(const Refill& refill) {
    LogAppend log = openLogForAppend(dataPath("consumption.txt"));
    if (log.fd < 0)
        return false;
    const int vehicle = getPropertyInt("P_DEFAULTVEHICLE", "1");
    std::string record = vehicleField(getProperty("P_DEFAULTVEHICLE", "1"), vehicle);
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
    if (!in.rdbuf() || !in)
        return 0;
    for (;;) {
        // getline takes the line from the stream's buffer in one piece, up to the
        // newline, which is consumed and not stored.
        in.getline(scratchText, SCRATCH_SIZE);
        std::streamsize length = in.gcount();
        if (in.fail() && !in.eof() && !in.bad()) {
            // longer than the buffer holds: cut, the rest of it up to the newline dropped
            in.clear(in.rdstate() & ~std::ios::failbit);
            in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
        } else if (!in.eof()) {
            --length; // the newline, counted but not stored
        }
        // A read error (a damaged card, the log replaced by a folder) makes the library
        // throw from the buffer, and the stream turns bad; it ends the reading of this
        // pass like the end of the file, with what was read so far kept.
        if (in.bad()) {
            debugLog("Error reading consumption.txt");
            return 0;
        }
        if (length == 0)
            return 0;
        // Comments and anything else a person may write begin with something else.
        if (!isDigit(scratchText[0]))
            continue;
        if (leadingLong(scratchText) != vehicle)
            continue;
        // A NUL byte inside the line ends the text the callers see.
        return static_cast<int>(std::strlen(scratchText));
    }
}

RecordFields readRecordFields() {
    // A field missing from a short line (a power cut, a hand edit) reads 0; without this
    // the text left over would be read again as the next field.
    RecordFields fields{0.0, 0.0, 0.0, 0.0};
    double* const order[] = {&fields.distance, &fields.fuel, &fields.odometer, &fields.price};
    // The line ends at the latest after the characters a line may hold.
    scratchText[MAX_LINE] = '\0';
    const char* text = scratchText;
    for (double* field : order) {
        // past the next tab; the number before it, if any, has been read
        while (*text != '\t') {
            if (*text == '\0')
                return fields;
            ++text;
        }
        // The distance is a whole number: "99.99" reads 99.
        *field = fieldNumber(text + 1, field == &fields.distance, &text);
    }
    return fields;
}
