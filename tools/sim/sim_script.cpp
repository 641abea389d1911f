#include "tools/sim/sim_script.h"

#include "tools/sim/sim.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>

namespace {

struct OpInfo {
    const char* name;
    ScriptOp op;
    int numbers; // how many numbers follow the name
};
constexpr OpInfo OPS[] = {
    {"tap", ScriptOp::Tap, 2},       {"ltap", ScriptOp::LTap, 2},
    {"press", ScriptOp::Press, 2},   {"release", ScriptOp::Release, 2},
    {"lpress", ScriptOp::LPress, 2}, {"lrelease", ScriptOp::LRelease, 2},
    {"sample", ScriptOp::Sample, 3}, {"event", ScriptOp::Event, 3},
    {"pass", ScriptOp::Pass, 1},     {"shot", ScriptOp::Shot, 0},
};

// Decimal, or hexadecimal with 0x (event codes are usually written so).
bool parseNumber(const std::string& word, int64_t& value) {
    if (word.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(word.c_str(), &end, 0);
    if (errno != 0 || *end != '\0')
        return false;
    value = v;
    return true;
}

bool inRange(int64_t v, int64_t lo, int64_t hi) {
    return v >= lo && v <= hi;
}

// Checks the numbers of one command; an empty text means they are fine.
std::string checkNumbers(const ScriptCommand& c, bool eventMode) {
    switch (c.op) {
    case ScriptOp::Sample:
        if (eventMode)
            return "sample needs --touch ts (use event in event mode)";
        if (!inRange(c.a, 0, UINT16_MAX))
            return "the pressure must lie in 0..65535";
        if (!inRange(c.b, INT16_MIN, INT16_MAX) || !inRange(c.c, INT16_MIN, INT16_MAX))
            return "the position must fit a 16-bit sample";
        return "";
    case ScriptOp::Event:
        if (!eventMode)
            return "event needs --touch event (use sample in ts mode)";
        if (!inRange(c.a, 0, UINT16_MAX) || !inRange(c.b, 0, UINT16_MAX))
            return "type and code must lie in 0..65535";
        if (!inRange(c.c, INT32_MIN, INT32_MAX))
            return "the value must fit 32 bits";
        return "";
    case ScriptOp::Pass:
        return c.a < 0 ? "the pass count cannot be negative" : "";
    default:
        // touch points: screen points become 16-bit samples, layout points are searched
        if (!inRange(c.a, INT32_MIN, INT32_MAX) || !inRange(c.b, INT32_MIN, INT32_MAX))
            return "the point is out of range";
        return "";
    }
}

bool parseLine(const std::string& text, int line, bool eventMode, ScriptCommand& command,
               std::string& error) {
    std::istringstream words(text);
    std::string name;
    words >> name;
    const OpInfo* info = nullptr;
    for (const OpInfo& candidate : OPS) {
        if (name == candidate.name)
            info = &candidate;
    }
    if (!info) {
        error = "unknown command \"" + name + "\"";
        return false;
    }
    command = ScriptCommand{info->op, line, 0, 0, 0, "", 0, 0};
    if (info->op == ScriptOp::Shot) {
        std::getline(words >> std::ws, command.file);
        while (!command.file.empty() &&
               (command.file.back() == ' ' || command.file.back() == '\t' ||
                command.file.back() == '\r'))
            command.file.pop_back();
        if (command.file.empty()) {
            error = "shot needs a file name";
            return false;
        }
        return true;
    }
    std::vector<std::string> args;
    for (std::string word; words >> word;)
        args.push_back(word);
    const bool optionalCount = info->op == ScriptOp::Pass && args.empty();
    if (optionalCount) {
        command.a = 1;
    } else if (static_cast<int>(args.size()) != info->numbers) {
        error = name + " takes " + std::to_string(info->numbers) + " number" +
                (info->numbers == 1 ? "" : "s");
        return false;
    }
    int64_t* slots[] = {&command.a, &command.b, &command.c};
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (!parseNumber(args[i], *slots[i])) {
            error = "\"" + args[i] + "\" is not a number";
            return false;
        }
    }
    error = checkNumbers(command, eventMode);
    return error.empty();
}

bool isLayoutTouch(ScriptOp op) {
    return op == ScriptOp::LTap || op == ScriptOp::LPress || op == ScriptOp::LRelease;
}

std::string at(const ScriptCommand& c, const std::string& message) {
    return "line " + std::to_string(c.line) + ": " + message;
}

// One pass; true when it ended the program.
bool pass(ScriptResult& result) {
    program.pass();
    if (!program.ended())
        return false;
    result.ended = true;
    result.status = program.shutdown();
    return true;
}

} // namespace

bool parseScript(std::istream& in, bool eventMode, std::vector<ScriptCommand>& commands,
                 std::string& error) {
    commands.clear();
    std::string text;
    for (int line = 1; std::getline(in, text); ++line) {
        const std::size_t first = text.find_first_not_of(" \t\r");
        if (first == std::string::npos || text[first] == '#')
            continue;
        ScriptCommand command;
        std::string message;
        if (!parseLine(text.substr(first), line, eventMode, command, message)) {
            error = "line " + std::to_string(line) + ": " + message;
            return false;
        }
        commands.push_back(command);
    }
    return true;
}

bool resolveScript(std::vector<ScriptCommand>& commands, std::string& error) {
    for (ScriptCommand& c : commands) {
        if (!isLayoutTouch(c.op))
            continue;
        if (!touchPositionFor(static_cast<int>(c.a), static_cast<int>(c.b), c.touchX, c.touchY)) {
            error = at(c, "no touch position reaches layout point " + std::to_string(c.a) + " " +
                              std::to_string(c.b));
            return false;
        }
    }
    return true;
}

ScriptResult runScript(const std::vector<ScriptCommand>& commands) {
    ScriptResult result;
    std::string error;
    for (const ScriptCommand& c : commands) {
        const int x = isLayoutTouch(c.op) ? c.touchX : static_cast<int>(c.a);
        const int y = isLayoutTouch(c.op) ? c.touchY : static_cast<int>(c.b);
        bool ok = true;
        switch (c.op) {
        case ScriptOp::Tap:
        case ScriptOp::LTap:
            ok = feedTouch(true, x, y, error) && feedTouch(false, x, y, error);
            if (ok && pass(result))
                return result;
            break;
        case ScriptOp::Press:
        case ScriptOp::LPress:
            ok = feedTouch(true, x, y, error);
            break;
        case ScriptOp::Release:
        case ScriptOp::LRelease:
            ok = feedTouch(false, x, y, error);
            break;
        case ScriptOp::Sample:
            ok = feedSample(static_cast<uint16_t>(c.a), static_cast<int16_t>(c.b),
                            static_cast<int16_t>(c.c), error);
            break;
        case ScriptOp::Event:
            ok = feedEvent(static_cast<uint16_t>(c.a), static_cast<uint16_t>(c.b),
                           static_cast<int32_t>(c.c), error);
            break;
        case ScriptOp::Pass:
            for (int64_t i = 0; i < c.a; ++i) {
                if (pass(result))
                    return result;
            }
            break;
        case ScriptOp::Shot:
            ok = writeShot(c.file, error);
            break;
        }
        if (!ok) {
            result.failed = true;
            result.error = at(c, error);
            return result;
        }
    }
    return result;
}
