// Every screen the program draws, compared pixel for pixel with a committed reference
// picture: a card made by the card maker, the sample log, and the simulator driven
// through the screens at three panel geometries.
//
// PUMPWRIGHT_UPDATE_REFERENCES=1 writes the pictures as the new references instead
// (scripts/update-references.sh); see the README for when that is allowed.
#include "tests/e2e/sim_run.h"

#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <png.h>

namespace {

struct Geometry {
    const char* name;
    int width, height, bitsPerPixel;
};
const Geometry GEOMETRIES[] = {
    {"400x256x16", 400, 256, 16},
    {"800x480x32", 800, 480, 32},
    {"256x400x16", 256, 400, 16}, // an upright panel: the program turns the layout a quarter
};

// The screens in the order the script reaches them. The statistics come first, while
// the log holds only the sample refills.
const char* const SCREENS[] = {"banner", "fueldist", "conprice", "defaults", "recap",   "entry",
                               "saved",  "error",    "settings", "ranges",   "per-fuel"};

// Names the panel in the test's name instead of its bytes.
void PrintTo(const Geometry& g, std::ostream* out) {
    *out << g.name;
}

struct Picture {
    unsigned width = 0, height = 0;
    std::vector<uint8_t> rgb;
};

bool readPng(const std::string& path, Picture& picture) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return false;
    image.format = PNG_FORMAT_RGB;
    picture.width = image.width;
    picture.height = image.height;
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    const bool read = png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr);
    png_image_free(&image);
    return read;
}

bool writePng(const std::string& path, const Picture& picture) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = picture.width;
    image.height = picture.height;
    image.format = PNG_FORMAT_RGB;
    const bool written =
        png_image_write_to_file(&image, path.c_str(), 0, picture.rgb.data(), 0, nullptr);
    png_image_free(&image);
    return written;
}

// Empty when the pictures match; otherwise what differs, with the difference picture
// (differing pixels red over a dimmed copy of the actual screen) written to diffPath.
std::string compare(const Picture& actual, const Picture& expected, const std::string& diffPath) {
    if (actual.width != expected.width || actual.height != expected.height)
        return "size " + std::to_string(actual.width) + "x" + std::to_string(actual.height) +
               ", reference " + std::to_string(expected.width) + "x" +
               std::to_string(expected.height);
    Picture diff = actual;
    long differing = 0;
    std::string first;
    for (std::size_t i = 0; i < actual.rgb.size(); i += 3) {
        const bool same = std::equal(&actual.rgb[i], &actual.rgb[i] + 3, &expected.rgb[i]);
        for (int c = 0; c < 3; ++c)
            diff.rgb[i + c] = same ? static_cast<uint8_t>(actual.rgb[i + c] / 4) : c == 0 ? 255 : 0;
        if (same)
            continue;
        if (differing++ == 0) {
            const std::size_t p = i / 3;
            first = std::to_string(p % actual.width) + "," + std::to_string(p / actual.width) +
                    " is " + std::to_string(actual.rgb[i]) + "/" +
                    std::to_string(actual.rgb[i + 1]) + "/" + std::to_string(actual.rgb[i + 2]) +
                    ", reference " + std::to_string(expected.rgb[i]) + "/" +
                    std::to_string(expected.rgb[i + 1]) + "/" + std::to_string(expected.rgb[i + 2]);
        }
    }
    if (differing == 0)
        return "";
    writePng(diffPath, diff);
    return std::to_string(differing) + " pixels differ, the first at " + first;
}

class ReferenceScreens : public SimTest, public ::testing::WithParamInterface<Geometry> {
  protected:
    // The card maker's pictures, in the screen's pixel format, and the font it ships.
    void makeDrawnCard(int bitsPerPixel) {
        const std::string command = std::string(PW_CARD_TOOL) + " " + root + " --bpp " +
                                    std::to_string(bitsPerPixel) + " > " + base + "/card.txt 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << readFile(base + "/card.txt");
    }

    static std::string shot(const std::string& dir, const char* screen) {
        return "pass\nshot " + dir + "/" + screen + ".png\n";
    }

    // Compares each screenshot with its reference, or writes it as the new reference.
    void compareScreens(const Geometry& g, const char* const* first, const char* const* last) {
        const bool update = std::getenv("PUMPWRIGHT_UPDATE_REFERENCES") != nullptr;
        const std::string failures = PW_REFERENCE_OUT;
        for (const char* const* screen = first; screen != last; ++screen) {
            SCOPED_TRACE(*screen);
            const std::string name = std::string(g.name) + "-" + *screen;
            const std::string reference = PW_SOURCE_DIR "/tests/reference/" + name + ".png";
            Picture actual, expected;
            ASSERT_TRUE(readPng(base + "/" + *screen + ".png", actual));
            if (update) {
                ASSERT_TRUE(writePng(reference, actual)) << reference;
                continue;
            }
            ASSERT_TRUE(readPng(reference, expected)) << "no reference " << reference;
            // pictures of an earlier failure would mislead
            std::filesystem::create_directories(failures);
            std::filesystem::remove(failures + "/" + name + "-diff.png");
            std::filesystem::remove(failures + "/" + name + "-actual.png");
            const std::string problem =
                compare(actual, expected, failures + "/" + name + "-diff.png");
            if (!problem.empty()) {
                writePng(failures + "/" + name + "-actual.png", actual);
                ADD_FAILURE() << name << ": " << problem << "; actual and difference pictures in "
                              << failures;
            }
        }
    }
};

TEST_P(ReferenceScreens, EveryScreenMatchesItsReference) {
    const Geometry& g = GetParam();
    makeDrawnCard(g.bitsPerPixel);
    const std::string log = dataFile("consumption.txt");
    ASSERT_EQ(std::system(("bash " PW_SOURCE_DIR "/scripts/sample-log.sh > '" + log + "'").c_str()),
              0);

    const std::string out = base;
    const std::string script =
        shot(out, "banner") + ltap("STATS") + shot(out, "fueldist") + ltap("STATDISPLAY") +
        shot(out, "conprice") + ltap("STATDISPLAY") + ltap("CONFIG") + shot(out, "defaults") +
        ltap("RECAP") + shot(out, "recap") + ltap("STATDISPLAY") +
        // a refill typed in: two fields taken, the price still on the display
        typeKeys("500") + ltap("DRIVEN") + typeKeys("37.5") + ltap("REFILLED") + typeKeys("61.2") +
        shot(out, "entry") + ltap("PAID") + ltap("SAVE") + shot(out, "saved") +
        // fuel over no distance: the division's infinity is what the display shows
        typeKeys("40") + ltap("REFILLED") + ltap("SAVE") + shot(out, "error") +
        // every setting away from its default, every tank size set
        ltap("CONFIG") + ltap("DISTPERFUEL") + ltap("TOTALDIST") + typeKeys("45") +
        ltap("CAR1FUELFULL") + typeKeys("52.5") + ltap("CAR2FUELFULL") + typeKeys("14") +
        ltap("BIKEFUELFULL") + typeKeys("3") + shot(out, "settings") +
        // the statistics again, in distance per fuel and with the full tank's ranges
        ltap("BACK") + ltap("STATS") + shot(out, "ranges") + ltap("STATDISPLAY") +
        shot(out, "per-fuel");
    ASSERT_EQ(run({"--size", std::to_string(g.width) + "x" + std::to_string(g.height), "--bpp",
                   std::to_string(g.bitsPerPixel)},
                  script),
              0)
        << errors;

    compareScreens(g, std::begin(SCREENS), std::end(SCREENS));
}

// The calibration tool's screens: the first cross, a round refused with its reason, and
// the test screen after a saved calibration with a touch's dot. The panel's readings are
// 200 + 10 x and 200 + 14 y of the touch point.
const char* const CALIBRATION_SCREENS[] = {"cal-cross", "cal-refused", "cal-test"};

std::string panelPress(LayoutPoint touch) {
    return "event 1 0x14a 1\nevent 3 0 " + std::to_string(200 + 10 * touch.x) + "\nevent 3 1 " +
           std::to_string(200 + 14 * touch.y) +
           "\nevent 0 0 0\nevent 1 0x14a 0\nevent 0 0 0\npass\n";
}

// (an upright panel cannot be calibrated: the quarter turn needs a square one)
class CalibrationScreens : public ReferenceScreens {};

TEST_P(CalibrationScreens, EveryScreenMatchesItsReference) {
    const Geometry& g = GetParam();
    makeDrawnCard(g.bitsPerPixel);
    // the crosses lie 15 pixels in from the corners: top left, top right, bottom right,
    // bottom left
    const auto cross = [&](int k) {
        return panelPress({k == 1 || k == 2 ? g.width - 15 : 15, k >= 2 ? g.height - 15 : 15});
    };
    const std::string script = shot(base, "cal-cross") + cross(0) + cross(1) + cross(2) + cross(0) +
                               "shot " + base + "/cal-refused.png\n" + cross(0) + cross(1) +
                               cross(2) + cross(3) + panelPress({g.width / 3, g.height / 5}) +
                               "shot " + base + "/cal-test.png\n";
    ASSERT_EQ(run({"--touch", "event", "--calibrate", "--size",
                   std::to_string(g.width) + "x" + std::to_string(g.height), "--bpp",
                   std::to_string(g.bitsPerPixel)},
                  script),
              0)
        << errors;
    compareScreens(g, std::begin(CALIBRATION_SCREENS), std::end(CALIBRATION_SCREENS));
}

std::string panelName(const ::testing::TestParamInfo<Geometry>& param) {
    return std::string("Panel") + param.param.name;
}

INSTANTIATE_TEST_SUITE_P(Panels, ReferenceScreens, ::testing::ValuesIn(GEOMETRIES), panelName);
INSTANTIATE_TEST_SUITE_P(Panels, CalibrationScreens,
                         ::testing::Values(GEOMETRIES[0], GEOMETRIES[1]), panelName);

} // namespace
