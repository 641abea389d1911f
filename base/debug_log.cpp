#include "base/debug_log.h"

#include "base/paths.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>

char scratchText[SCRATCH_SIZE];

void debugLog(const char* message) {
    // The path lives in its own buffer: callers usually pass scratchText as the message.
    const std::string path = dataPath("Debug.log");
    std::ofstream log(path, std::ios::out | std::ios::app | std::ios::binary);
    if (!log.is_open()) {
        // No card, or a card that takes no writing: the console is then the only witness,
        // so the message goes to standard error, one line without the log's marker.
        const std::size_t length = std::strlen(message);
        const int shown = length > 0 && message[length - 1] == '\n' ? static_cast<int>(length - 1)
                                                                    : static_cast<int>(length);
        std::fprintf(stderr, "pumpwright: %.*s\n", shown, message);
        return;
    }
    log << "### " << message << '\n';
    log.flush();
    log.close();
}

void timestampText() {
    const std::time_t now = std::time(nullptr);
    const char* text = std::ctime(&now);
    // ctime fails only for years it cannot print; an empty stamp beats a crash
    std::snprintf(scratchText, SCRATCH_SIZE, "%s", text ? text : "\n");
}
