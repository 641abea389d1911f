#pragma once
// The card maker's skin commands, each given the arguments after its name, and the
// environment of a card made for another panel size. Exit status 0, 1 for a problem
// with the files (said on stderr), 2 for a bad command line.
#include <string>

int importCommand(int argc, char** argv);
int exportCommand(int argc, char** argv);
int checkCommand(int argc, char** argv);

// "16" or "32".
bool parseDepth(const char* text, int& bitsPerPixel);
// Writes environment.txt in dataDir() with the picture sizes, every rectangle and every
// text size of the layout in force scaled to w x h, keeping the file's other keys, and
// sets the same values in the property store (loadLayout() then reads the new layout). The layout's
// own picture sizes must be usable.
bool writeScaledEnvironment(unsigned w, unsigned h, std::string& error);

int cardFailure(const std::string& message);
// The usage --help prints.
extern const char* const CARD_HELP;
// One line on stderr naming what is wrong with the command line; returns status 2.
int cardUsageError(const std::string& what);
// What is wrong with a --size or --bpp value.
std::string sizeError(const char* text);
std::string depthError(const char* text);
