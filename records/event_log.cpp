#include "records/event_log.h"

#include "app/app_state.h"
#include "app/debug_log.h"
#include "app/paths.h"
#include "props/properties.h"
#include "records/log_append.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

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

void appendTireChange() {
    const bool retry = std::strcmp(app.inputText, NOT_SAVED_TEXT) == 0;
    char shown[INPUT_TEXT_SIZE];
    std::snprintf(shown, sizeof shown, "%s", retry ? app.unsavedTireChange : app.inputText);
    // Only a positive number typed or shown is recorded; "ok" and 0 leave everything as is.
    if (!(std::strtod(shown, nullptr) > 0.0))
        return;
    LogAppend log = openLogForAppend(dataPath("events.txt"));
    bool written = false;
    if (log.fd >= 0) {
        std::string record = getProperty("P_DEFAULTVEHICLE", "1");
        record += "\ttirechange\t";
        record += shown; // as shown, not reformatted
        record += '\t';
        timestampText();
        record += scratchText;
        written = finishLogAppend(log, EVENT_HEADER, record);
    }
    std::snprintf(app.unsavedTireChange, INPUT_TEXT_SIZE, "%s", written ? "" : shown);
    std::snprintf(app.inputText, INPUT_TEXT_SIZE, "%s", written ? "ok" : NOT_SAVED_TEXT);
    app.inputLength = 0;
    app.decimalEntered = false;
    app.fullRedrawRequested = true;
}
