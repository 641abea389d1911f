#include "base/debug_log.h"

#include "base/paths.h"

#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unordered_map>

// Every stamp of the logbook must outlive January 2038, on the 32-bit device too.
static_assert(sizeof(std::time_t) == 8, "build with 64-bit time (-D_TIME_BITS=64)");

char scratchText[SCRATCH_SIZE];

namespace {

// The card holds the logbook too: a problem met on every pass for days must not fill it.
// Past this size the log moves aside to Debug.log.1 (replacing an older one) and starts
// afresh, so both together stay within twice the bound.
constexpr off_t MAX_LOG_BYTES = 1 << 20;
// Messages remembered for collapsing repeats; later new ones are written every time
// (the size bound still holds for them).
constexpr std::size_t MAX_REMEMBERED = 1024;

// How often each message was met in this run.
std::unordered_map<std::string, unsigned long> timesMet;

// Writes "### ", the text and a line feed to Debug.log.
void appendLine(const std::string& text) {
    // The path lives in its own buffer: callers usually pass scratchText as the message.
    const std::string path = dataPath("Debug.log");
    const std::string line = "### " + text + '\n';
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 &&
        st.st_size + static_cast<off_t>(line.size()) > MAX_LOG_BYTES)
        std::rename(path.c_str(), dataPath("Debug.log.1").c_str());
    std::ofstream log(path, std::ios::out | std::ios::app | std::ios::binary);
    if (!log.is_open()) {
        // No card, or a card that takes no writing: the console is then the only witness,
        // so the message goes to standard error, one line without the log's marker.
        const std::size_t shown =
            !text.empty() && text.back() == '\n' ? text.size() - 1 : text.size();
        std::fprintf(stderr, "pumpwright: %.*s\n", static_cast<int>(shown), text.c_str());
        return;
    }
    log << line;
    log.flush();
    log.close();
}

bool isPowerOfTen(unsigned long n) {
    while (n >= 10 && n % 10 == 0)
        n /= 10;
    return n == 1;
}

} // namespace

void debugLog(const char* message) {
    const auto found = timesMet.find(message);
    if (found == timesMet.end()) {
        if (timesMet.size() < MAX_REMEMBERED)
            timesMet.emplace(message, 1);
        appendLine(message);
        return;
    }
    // A repeat is counted; the count is written at the 10th, 100th, 1000th... time, so a
    // message met on every pass adds one line per decade instead of one per pass.
    const unsigned long n = ++found->second;
    if (isPowerOfTen(n))
        appendLine("repeated " + std::to_string(n) + " times: " + message);
}

void resetDebugLog() {
    timesMet.clear();
}

void timestampTextAt(std::time_t when) {
    const char* text = std::ctime(&when);
    // ctime fails only for years it cannot print; an empty stamp beats a crash
    std::snprintf(scratchText, SCRATCH_SIZE, "%s", text ? text : "\n");
}

void timestampText() {
    timestampTextAt(std::time(nullptr));
}
