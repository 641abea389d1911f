#pragma once
// Simulator scripts: one command a line, parsed completely before the program starts,
// so that a typing error never leaves a half-run session behind.
#include <cstdint>
#include <istream>
#include <string>
#include <vector>

enum class ScriptOp { Tap, LTap, Press, Release, LPress, LRelease, Sample, Event, Pass, Shot };

struct ScriptCommand {
    ScriptOp op;
    int line;           // 1-based, for messages
    int64_t a, b, c;    // X Y / P X Y / TYPE CODE VALUE / N
    std::string file;   // shot
    int16_t touchX = 0; // ltap, lpress, lrelease: the resolved touch position
    int16_t touchY = 0;
};

// Parses a whole script. eventMode decides whether raw lines are "sample" (character
// device) or "event" lines. False with "line N: ..." in error on the first bad line.
bool parseScript(std::istream& in, bool eventMode, std::vector<ScriptCommand>& commands,
                 std::string& error);

// Works out the touch positions of the layout commands once the program has started
// (they depend on its turns and calibration). False with "line N: ..." when a layout
// point cannot be touched.
bool resolveScript(std::vector<ScriptCommand>& commands, std::string& error);

struct ScriptResult {
    bool ended = false; // a pass ended the program (EXIT)
    bool failed = false;
    int status = 0;
    std::string error;
};
// Runs the commands against the started program.
ScriptResult runScript(const std::vector<ScriptCommand>& commands);
