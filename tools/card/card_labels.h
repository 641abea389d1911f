#pragma once
// The card maker's button labels and the text sizes it fits them at; the legibility
// measure reads the same table.
#include "props/layout.h"

enum class Face { Key, Clear, Value, Vehicle, Save, Exit, Move, Mode, Tank };

struct Label {
    const char* text;
    const char* caption; // smaller second line, or nullptr
    Face face;
};

// In the order of the Button enumeration.
inline constexpr Label LABELS[] = {
    {"1", nullptr, Face::Key},           {"2", nullptr, Face::Key},
    {"3", nullptr, Face::Key},           {"4", nullptr, Face::Key},
    {"5", nullptr, Face::Key},           {"6", nullptr, Face::Key},
    {"7", nullptr, Face::Key},           {"8", nullptr, Face::Key},
    {"9", nullptr, Face::Key},           {"C", nullptr, Face::Clear},
    {"0", nullptr, Face::Key},           {".", nullptr, Face::Key},
    {"DRIVEN", "distance", Face::Value}, {"EXIT", nullptr, Face::Exit},
    {"REFILLED", "fuel", Face::Value},   {"CAR 1", nullptr, Face::Vehicle},
    {"PAID", "price", Face::Value},      {"CAR 2", nullptr, Face::Vehicle},
    {"SAVE", "refill", Face::Save},      {"BIKE", nullptr, Face::Vehicle},
    {"STATS", nullptr, Face::Move},      {"CONFIG", nullptr, Face::Move},
    {"FUEL", "per 100", Face::Mode},     {"BACK", nullptr, Face::Move},
    {"DIST", "per fuel", Face::Mode},    {"CAR 1", "full tank", Face::Tank},
    {"TOTAL", "odometer", Face::Mode},   {"CAR 2", "full tank", Face::Tank},
    {"TRIP", "trip meter", Face::Mode},  {"BIKE", "full tank", Face::Tank},
    {"TIRES", "changed", Face::Move},    {"RECAP", nullptr, Face::Move},
};
static_assert(sizeof LABELS / sizeof LABELS[0] == BUTTON_COUNT, "one label per button");

inline constexpr int DIGIT_SIZE = 24;
inline constexpr int POINT_SIZE = 48;
inline constexpr int WORD_SIZE = 15;
inline constexpr int CAPTION_SIZE = 12;
inline constexpr int SMALLEST_WORD_SIZE = 8;
inline constexpr int SMALLEST_CAPTION_SIZE = 10;
// Under the statistics area: how to move on.
inline constexpr const char* HINT_TEXT = "TOUCH THE CHART FOR THE NEXT VIEW";
inline constexpr int HINT_SIZE = 10;
