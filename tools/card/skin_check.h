#pragma once
// Checks a skin on a card the way the program will use it: the pictures, rectangles, text
// sizes and font named by the layout in force (loadLayout()), in dataDir().
#include <string>
#include <vector>

struct SkinProblem {
    std::string key; // the environment key to change
    std::string what;
};

// Only the picture sizes and that every rectangle lies inside its picture: what drawing
// pictures for the layout needs.
std::vector<SkinProblem> checkShapes();
// The picture and font names that are not a plain file name in the card's folder: a
// path, "." or "..", or one of the files the program keeps there (the logs, the property
// files, Debug.log). Nothing may be read or written under such a name.
std::vector<SkinProblem> checkNames();
// Everything. bitsPerPixel 16 or 32 is the panel's depth; 0 takes it from the first picture's size.
std::vector<SkinProblem> checkSkin(int bitsPerPixel);

// Larger pictures would not fit the device's memory.
constexpr int MAX_SIDE = 4096;
// A picture side the card maker can make and the device can hold: 1 to MAX_SIDE pixels.
bool usableSide(int side);

// Where a button's keys start: E_BUTTON.<name>.
std::string buttonKey(int button);
// The screen (0, 1 or 2) whose E_SCREEN.<n>.BG size a picture slot has.
int pictureScreen(int slot);
