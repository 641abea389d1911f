#include "records/event_log.h"

#include "base/debug_log.h"
#include "base/paths.h"
#include "props/properties.h"
#include "records/log_append.h"

#include <string>

namespace {

// Written once, when the append creates the file; people read it, the program never does.
const char* const EVENT_HEADER =
    "# This file contains the special events you triggered.\n"
    "#  At the moment, there is only \"tirechange\", so one can monitor wearout.\n"
    "#\n"
    "# Format is: (\"[]\" means \"optional\")\n"
    "#  vehicle \\t event \\t actually displayed value \\t [utc-time] \\n\n"
    "#\n"
    "#   \"vehicle\" ist the actually chosen vehicle, \"0\" is \"motorcycle\", \"1\" is \"car "
    "1\" and \"2\" is \"car 2\"\n"
    "#\n";

} // namespace

bool writeTireChange(const char* shown) {
    LogAppend log = openLogForAppend(dataPath("events.txt"));
    if (log.fd < 0)
        return false;
    std::string record = getProperty("P_DEFAULTVEHICLE", "1");
    record += "\ttirechange\t";
    record += shown; // as shown, not reformatted
    record += '\t';
    timestampText();
    record += scratchText;
    return finishLogAppend(log, EVENT_HEADER, record);
}
