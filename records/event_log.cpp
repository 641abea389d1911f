#include "records/event_log.h"

#include "app/app_state.h"
#include "app/debug_log.h"
#include "app/paths.h"
#include "props/properties.h"
#include "records/log_append.h"

#include <cstdio>
#include <cstdlib>

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

bool appendTireChange() {
    // Only a positive number typed or shown is recorded; "ok" and 0 leave everything as is.
    if (!(std::strtod(app.inputText, nullptr) > 0.0))
        return true;
    const std::string path = dataPath("events.txt");
    LogAppend log = openLogForAppend(path);
    bool written = false;
    if (log.fd >= 0) {
        std::string record = vehicleField(getProperty("P_DEFAULTVEHICLE", "1"),
                                          getPropertyInt("P_DEFAULTVEHICLE", "1"));
        record += "\ttirechange\t";
        record += app.inputText; // as shown, not reformatted
        record += '\t';
        timestampText();
        record += scratchText;
        written = finishLogAppend(log, path, EVENT_HEADER, record);
    }
    std::snprintf(app.inputText, INPUT_TEXT_SIZE, "ok");
    app.inputLength = 0;
    app.decimalEntered = false;
    app.fullRedrawRequested = true;
    return written;
}
