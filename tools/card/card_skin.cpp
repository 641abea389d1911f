#include "tools/card/card_skin.h"

#include "base/paths.h"
#include "props/layout.h"
#include "props/properties.h"
#include "props/property_files.h"
#include "tools/card/card_files.h"
#include "tools/card/skin_check.h"
#include "tools/common/cli.h"
#include "tools/common/png_picture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr const char* SLOTS[PICTURE_COUNT] = {"s0", "s0a", "s1", "s1a", "s2"};

std::optional<int> slotOf(const std::string& name) {
    for (int i = 0; i < PICTURE_COUNT; ++i)
        if (name == SLOTS[i])
            return i;
    return std::nullopt;
}

bool readWhole(const std::string& path, std::vector<uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

std::string sizeText(int w, int h) {
    return std::to_string(w) + "x" + std::to_string(h);
}

constexpr const char* IMPORT_HELP =
    "usage: pumpwright-card import DIR SLOT=FILE.png... [--scale] [--bpp 16|32]\n"
    "\n"
    "Replaces the card's pictures with PNG files of the layout size; SLOT is s0, s0a, s1,\n"
    "s1a or s2. --scale scales each PNG to the picture size; --bpp 32 writes 32-bit\n"
    "pictures (default: the depth of the picture replaced, else 16).\n";
constexpr const char* EXPORT_HELP =
    "usage: pumpwright-card export DIR OUTDIR [--force]\n"
    "\n"
    "Writes the card's pictures as s0.png, s0a.png, s1.png, s1a.png and s2.png in OUTDIR.\n"
    "Files of those names already there are kept (and nothing is written) unless --force\n"
    "is given.\n";
constexpr const char* CHECK_HELP =
    "usage: pumpwright-card check DIR [--bpp 16|32]\n"
    "\n"
    "Names every fault of the card's skin by its key; status 1 when there is one.\n";

// Parses "[--bpp N]", the one flag the command takes (none when flag is null) and plain
// words; false with what is wrong on anything else.
bool splitArguments(int argc, char** argv, std::vector<std::string>& words, int& bits,
                    const char* flag, bool& flagGiven, std::string& error) {
    for (int i = 0; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--bpp")) {
            if (i + 1 == argc) {
                error = "missing value for --bpp";
                return false;
            }
            if (!parseDepth(argv[++i], bits)) {
                error = depthError(argv[i]);
                return false;
            }
        } else if (flag && !std::strcmp(argv[i], flag)) {
            flagGiven = true;
        } else if (argv[i][0] == '-') {
            error = std::string("unknown option ") + argv[i];
            return false;
        } else {
            words.emplace_back(argv[i]);
        }
    }
    return true;
}

// What a command's words say: its plain words, --bpp and its flag (import's --scale,
// export's --force).
struct CommandLine {
    std::vector<std::string> words;
    int bits = 0;
    bool flag = false;
};

// Answers --help and --version, then splits the words; -1 to carry on, else the status
// to end with.
int readCommandLine(const char* help, const char* flag, int argc, char** argv, CommandLine& line) {
    if (const int answered = answerHelpOrVersion("pumpwright-card", help, argc, argv);
        answered >= 0)
        return answered;
    std::string wrong;
    if (!splitArguments(argc, argv, line.words, line.bits, flag, line.flag, wrong))
        return cardUsageError(wrong);
    return -1;
}

// What stands in the way of working on the card under dir: a folder that is not there,
// no card in it. Empty when the card is there.
std::string missingCard(const std::string& dir) {
    std::error_code ec;
    if (!fs::exists(dir, ec))
        return dir + " does not exist";
    if (!fs::is_directory(dataDir(), ec))
        return "no card in " + dir + ": " + dataDir() + " is missing; pumpwright-card " + dir +
               " makes one";
    return "";
}

// Reads the layout of the card under dir; empty when its picture sizes and names can be
// used, else why not. A picture or font name that is a path would reach outside the card.
std::string openCard(const std::string& dir) {
    setRootPrefix(dir);
    loadLayout();
    for (int s = 0; s < 3; ++s)
        if (!usableSide(layout.screenW[s]) || !usableSide(layout.screenH[s]))
            return "the picture sizes in environment.txt (E_SCREEN.<n>.BG.w, .h) are not "
                   "usable; `pumpwright-card check` says which";
    const std::vector<SkinProblem> names = checkNames();
    return names.empty() ? "" : names.front().key + ": " + names.front().what;
}

} // namespace

int cardFailure(const std::string& message) {
    std::fprintf(stderr, "pumpwright-card: %s\n", message.c_str());
    return 1;
}

const char* const CARD_HELP =
    "usage: pumpwright-card DIR [--font FILE] [--size WxH] [--bpp 16|32]\n"
    "       pumpwright-card import DIR SLOT=FILE.png... [--scale] [--bpp 16|32]\n"
    "       pumpwright-card export DIR OUTDIR [--force]\n"
    "       pumpwright-card check DIR [--bpp 16|32]\n"
    "\n"
    "Makes the card in DIR/mnt/sdcard/Pumpwright/: the five background pictures drawn for\n"
    "the layout in force and the font. import replaces pictures with PNG files, export\n"
    "writes them as PNG files, check names every fault of the skin.\n"
    "\n"
    "  --font FILE         the font to put on the card\n"
    "  --size WxH          scales the layout to this panel size first (1 to 4096 each)\n"
    "  --bpp 16|32         the panel's bits per pixel (default 16)\n"
    "  --scale             import scales each PNG to the picture size\n"
    "  --force             export replaces PNG files already in OUTDIR\n"
    "  --help, --version   this text; the version\n"
    "SLOT is s0, s0a, s1, s1a or s2. Exit status 0, 1 for a problem with the files, 2 for a\n"
    "bad command line.\n";

int cardUsageError(const std::string& what) {
    return commandLineError("pumpwright-card", what);
}

std::string sizeError(const char* text) {
    return std::string("--size wants WxH (1 to ") + std::to_string(MAX_SIDE) + " each), not " +
           text;
}

std::string depthError(const char* text) {
    return std::string("--bpp wants 16 or 32, not ") + text;
}

bool parseDepth(const char* text, int& bitsPerPixel) {
    if (std::strcmp(text, "16") && std::strcmp(text, "32"))
        return false;
    bitsPerPixel = std::atoi(text);
    return true;
}

bool writeScaledEnvironment(unsigned w, unsigned h, std::string& error) {
    const std::string path = dataPath("environment.txt");
    PropertyMap keys;
    loadPropertyFile(path, keys);
    // Into the file and into the store, so that loadLayout() reads the scaled layout.
    auto set = [&keys](const std::string& key, long value) {
        keys[key] = std::to_string(value);
        setProperty(key, keys[key]);
    };
    for (int s = 0; s < 3; ++s) {
        const std::string prefix = "E_SCREEN." + std::to_string(s) + ".BG.";
        set(prefix + "w", w);
        set(prefix + "h", h);
        if (s < 2) {
            set(prefix + "active.w", w);
            set(prefix + "active.h", h);
        }
    }
    // Both edges are scaled, so rectangles that meet still meet. The card's picture sizes,
    // which the rectangles are measured on, were checked usable before (layoutProblem).
    auto scaleRect = [&](const std::string& prefix, const LayoutRect& r) {
        const double sx = static_cast<double>(w) / r.layoutW;
        const double sy = static_cast<double>(h) / r.layoutH;
        const long x1 = std::lround(r.x1 * sx), x2 = std::lround(r.x2 * sx);
        const long y1 = std::lround(r.y1 * sy), y2 = std::lround(r.y2 * sy);
        set(prefix + ".x", x1);
        set(prefix + ".y", y1);
        set(prefix + ".w", x2 - x1);
        set(prefix + ".h", y2 - y1);
    };
    for (int i = 0; i < BUTTON_COUNT; ++i)
        scaleRect(buttonKey(i), layout.buttons[i]);
    scaleRect("E_AREA.NUMINDISPLAY", layout.numDisplay);
    scaleRect("E_AREA.STATDISPLAY", layout.statDisplay);
    // Text keeps its proportion to the narrower way its area's screen shrinks or grows:
    // the screens of a card need not have been drawn at one size.
    auto scaleText = [&](const char* key, int size, const LayoutRect& area) {
        const double scale =
            std::min(static_cast<double>(w) / area.layoutW, static_cast<double>(h) / area.layoutH);
        set(key, std::lround(size * scale));
    };
    scaleText("E_AREA.NUMINDISPLAY.fontsize", layout.numFontSize, layout.numDisplay);
    scaleText("E_AREA.STATDISPLAY.text.fontsize", layout.textSize, layout.statDisplay);
    scaleText("E_AREA.STATDISPLAY.bigtext.fontsize", layout.bigTextSize, layout.statDisplay);
    scaleText("E_AREA.STATDISPLAY.smalltext.fontsize", layout.smallTextSize, layout.statDisplay);
    if (!writePropertyFile(path, ENVIRONMENT_HEADER, keys)) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

int importCommand(int argc, char** argv) {
    CommandLine line; // without --bpp: the depth of the picture replaced, else 16
    if (const int status = readCommandLine(IMPORT_HELP, "--scale", argc, argv, line); status >= 0)
        return status;
    const std::vector<std::string>& words = line.words;
    const int bits = line.bits;
    const bool scale = line.flag;
    if (words.size() < 2)
        return cardUsageError("import wants DIR and at least one SLOT=FILE.png");
    struct Job {
        int slot;
        std::string png;
    };
    std::vector<Job> jobs;
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::size_t eq = words[i].find('=');
        const std::optional<int> slot =
            eq == std::string::npos ? std::nullopt : slotOf(words[i].substr(0, eq));
        if (!slot)
            return cardUsageError(words[i] +
                                  " is not SLOT=FILE.png with SLOT s0, s0a, s1, s1a or s2");
        jobs.push_back({*slot, words[i].substr(eq + 1)});
    }
    if (const std::string problem = openCard(words[0]); !problem.empty())
        return cardFailure(problem);

    // Every picture is read and converted before any is written: all or nothing.
    std::vector<std::vector<uint8_t>> raws;
    for (const Job& job : jobs) {
        const int w = layout.screenW[pictureScreen(job.slot)];
        const int h = layout.screenH[pictureScreen(job.slot)];
        // The size comes from the header: a wrong one is refused before any decoding.
        int pw = 0, ph = 0;
        std::string error;
        if (!readPngSize(job.png, pw, ph, error))
            return cardFailure(job.png + ": " + error);
        if ((pw != w || ph != h) && !scale)
            return cardFailure(job.png + ": is " + sizeText(pw, ph) + " but " + SLOTS[job.slot] +
                               " is " + sizeText(w, h) + " in this layout (E_SCREEN." +
                               std::to_string(pictureScreen(job.slot)) +
                               ".BG.w, .h); draw it at that size or give --scale");
        RgbPicture picture;
        if (!readPng(job.png, MAX_SIDE, picture, error))
            return cardFailure(job.png + ": " + error);
        if (picture.w != w || picture.h != h)
            picture = scalePicture(picture, w, h);
        int depth = bits;
        if (!depth) {
            std::error_code ec;
            const auto bytes = fs::file_size(dataPath(layout.pictureName[job.slot]), ec);
            depth = !ec && bytes == static_cast<std::uintmax_t>(w) * h * 4 ? 32 : 16;
        }
        raws.push_back(toRaw(picture, depth));
    }
    std::error_code ec;
    fs::create_directories(dataDir(), ec);
    StagedFiles pictures;
    std::string error;
    for (std::size_t i = 0; i < jobs.size(); ++i)
        if (!pictures.stage(dataPath(layout.pictureName[jobs[i].slot]), raws[i].data(),
                            raws[i].size(), error))
            return cardFailure(error + "; no picture was replaced");
    if (!pictures.commit(error))
        return cardFailure(error);
    for (const Job& job : jobs)
        std::printf("pumpwright-card: %s -> %s\n", job.png.c_str(),
                    dataPath(layout.pictureName[job.slot]).c_str());
    return 0;
}

int exportCommand(int argc, char** argv) {
    CommandLine line;
    if (const int status = readCommandLine(EXPORT_HELP, "--force", argc, argv, line); status >= 0)
        return status;
    const std::vector<std::string>& words = line.words;
    const int bits = line.bits;
    if (words.size() != 2)
        return cardUsageError("export wants DIR and OUTDIR");
    const std::string out = words[1];
    if (const std::string problem = openCard(words[0]); !problem.empty())
        return cardFailure(problem);
    // A designer's edited PNG files are only replaced when asked to.
    std::vector<std::string> targets;
    std::string existing;
    for (const char* slot : SLOTS) {
        targets.push_back((fs::path(out) / (std::string(slot) + ".png")).string());
        std::error_code ec;
        if (fs::exists(fs::symlink_status(targets.back(), ec)))
            existing += (existing.empty() ? "" : ", ") + targets.back();
    }
    if (!existing.empty() && !line.flag)
        return cardFailure(existing +
                           (existing.find(',') == std::string::npos ? " exists" : " exist") +
                           "; nothing written (give --force to replace them)");
    std::vector<RgbPicture> pictures;
    for (int slot = 0; slot < PICTURE_COUNT; ++slot) {
        const std::string path = dataPath(layout.pictureName[slot]);
        const int w = layout.screenW[pictureScreen(slot)], h = layout.screenH[pictureScreen(slot)];
        std::vector<uint8_t> raw;
        if (!readWhole(path, raw))
            return cardFailure("cannot read " + path);
        const std::size_t pixels = static_cast<std::size_t>(w) * h;
        const int depth = bits ? bits : raw.size() == pixels * 4 ? 32 : 16;
        RgbPicture picture;
        if (!fromRaw(raw.data(), raw.size(), w, h, depth, picture))
            return cardFailure(path + ": " + std::to_string(raw.size()) + " bytes is not a " +
                               sizeText(w, h) + " picture of 16 or 32 bits");
        pictures.push_back(std::move(picture));
    }
    std::error_code ec;
    fs::create_directories(out, ec);
    for (int slot = 0; slot < PICTURE_COUNT; ++slot) {
        std::string error;
        if (!writePng(targets[slot], pictures[slot], error))
            return cardFailure("cannot write " + targets[slot] + ": " + error);
    }
    std::printf("pumpwright-card: five pictures as %s/s0.png ... s2.png\n", out.c_str());
    return 0;
}

int checkCommand(int argc, char** argv) {
    CommandLine line;
    if (const int status = readCommandLine(CHECK_HELP, nullptr, argc, argv, line); status >= 0)
        return status;
    const std::vector<std::string>& words = line.words;
    const int bits = line.bits;
    if (words.size() != 1)
        return cardUsageError("check wants one DIR");
    setRootPrefix(words[0]);
    if (const std::string missing = missingCard(words[0]); !missing.empty())
        return cardFailure(missing);
    loadLayout();
    const std::vector<SkinProblem> problems = checkSkin(bits);
    for (const SkinProblem& p : problems)
        std::fprintf(stderr, "%s: %s\n", p.key.c_str(), p.what.c_str());
    if (!problems.empty())
        return 1;
    std::printf("pumpwright-card: the skin in %s is sound\n", dataDir());
    return 0;
}
