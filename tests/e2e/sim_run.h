#pragma once
// Runs the simulator as a user would: a scratch root with a card of plain pictures,
// a script file, the process's exit status and its error output.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

// Pixel values of the five test pictures: one plain colour each, so that a pixel
// tells which picture it was copied from.
constexpr uint16_t S0 = 0x1111, S0A = 0x2222, S1 = 0x3333, S1A = 0x4444, S2 = 0x5555;
// The number display's default text colour (89, 98, 75) in RGB565.
constexpr uint16_t TEXT_565 = 0x5B09;

// Layout centres of the default buttons.
struct LayoutPoint {
    int x, y;
};
LayoutPoint keyPoint(char key); // '0'..'9', '.', 'C'
LayoutPoint buttonPoint(const std::string& name);

class SimTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Writes the five pictures (except the one numbered skip) and the font.
    void makeCard(int bytesPerPixel = 2, int skip = -1);
    // Runs the simulator with the options and the script; returns the exit status.
    int run(const std::vector<std::string>& options, const std::string& script);
    // Starts the simulator with the options, without waiting for it.
    pid_t spawn(const std::vector<std::string>& options);
    // Waits for it to end (at most timeoutSeconds unless 0); returns its exit status.
    int wait(pid_t pid, int timeoutSeconds);
    // Script lines that type text on the keypad (digits, '.', 'C').
    static std::string typeKeys(const std::string& keys);
    static std::string ltap(const std::string& button);

    std::string dataFile(const std::string& name) const;
    static std::string readFile(const std::string& path);
    static void writeFile(const std::string& path, const std::string& content);
    static bool exists(const std::string& path);
    // Entry lines of a property file (its comment lines left out).
    static std::vector<std::string> entries(const std::string& path);

    // One 16-bit pixel of a raw screenshot of the given width.
    static uint16_t pixel(const std::string& shot, int width, int x, int y);
    // How many pixels of the rectangle hold value.
    static int count(const std::string& shot, int width, int x1, int y1, int x2, int y2,
                     uint16_t value);

    std::string base; // scratch folder: the root, the script, the screenshots
    std::string root;
    std::string errors; // standard error of the last run
    std::string output; // its standard output
};

// The time stamp that ends every log record: ctime's text and its line feed.
extern const char* const CTIME_PATTERN;
