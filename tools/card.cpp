// pumpwright-card DIR [--font FILE]
//
// Makes a memory card the program starts from: the five background pictures, drawn with
// the program's own display code for the layout in force (DIR's environment.txt when it
// has one, else the compiled-in defaults), and the font under its configured name, in
// DIR/mnt/sdcard/Pumpwright/. Logs and property files on the card are never touched.
#include "base/paths.h"
#include "display/fb_query.h"
#include "display/framebuffer.h"
#include "props/layout.h"
#include "tools/card_pictures.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr const char* DEFAULT_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
// Pictures are loaded whole into the device's memory; anything larger is a typing error.
constexpr int MAX_PICTURE_SIDE = 4096;
// Files the program keeps on the card: a picture or font name must never hit one.
constexpr const char* CARD_FILES[] = {"environment.txt", "properties.txt", "consumption.txt",
                                      "events.txt", "Debug.log"};

bool plainName(const char* name) {
    if (!*name || std::strchr(name, '/') || !std::strcmp(name, ".") || !std::strcmp(name, ".."))
        return false;
    for (const char* kept : CARD_FILES)
        if (!std::strcmp(name, kept))
            return false;
    return true;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "pumpwright-card: %s\n", message.c_str());
    return 1;
}

bool writeFile(const std::string& path, const uint8_t* data, std::size_t size) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    const bool written = std::fwrite(data, 1, size, out) == size;
    return std::fclose(out) == 0 && written;
}

bool copyFont(const std::string& from, const std::string& to) {
    std::error_code ec;
    if (fs::exists(to, ec) && fs::equivalent(from, to, ec))
        return true;
    return fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
}

// A scratch root with a regular file standing in for the framebuffer device; the card's
// own folder never sees the device file or a Debug.log from the drawing.
struct Scratch {
    std::string root;
    Scratch() {
        std::string pattern = (fs::temp_directory_path() / "pumpwright-card-XXXXXX").string();
        if (mkdtemp(pattern.data()))
            root = pattern;
    }
    ~Scratch() {
        std::error_code ec;
        if (!root.empty())
            fs::remove_all(root, ec);
    }
};

constexpr const char* HELP =
    "usage: pumpwright-card DIR [--font FILE]\n"
    "\n"
    "Makes the card the program starts from in DIR/mnt/sdcard/Pumpwright/ (creating it): the\n"
    "five background pictures, drawn for the layout in force (DIR's environment.txt when\n"
    "present, else the defaults), and the font under its configured name. Existing\n"
    "pictures and font are replaced; logs, property files and Debug.log are never touched.\n"
    "\n"
    "  --font FILE         the TrueType or BDF font to copy (default DejaVu Sans)\n"
    "  --help, --version   this text; the version\n"
    "\n"
    "Exit status: 0 done; 1 the card cannot be made (the reason on stderr); 2 a bad\n"
    "command line.\n";

// What the command line asks for; --help and --version win over everything else.
enum class Request { Run, Help, Version, Bad };

Request parseArguments(int argc, char** argv, std::string& dir, std::string& font,
                       std::string& problem) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h")
            return Request::Help;
        if (arg == "--version")
            return Request::Version;
    }
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--font") {
            if (i + 1 == argc) {
                problem = "--font needs a FILE";
                return Request::Bad;
            }
            font = argv[++i];
        } else if (arg[0] == '-') {
            problem = "unknown option " + arg;
            return Request::Bad;
        } else if (!dir.empty()) {
            problem = "one DIR only, not " + dir + " and " + arg;
            return Request::Bad;
        } else {
            dir = arg;
        }
    }
    if (dir.empty()) {
        problem = "DIR is missing";
        return Request::Bad;
    }
    return Request::Run;
}

// The layout's picture size and file names, checked before anything is written. Empty
// when they are usable, else what is wrong.
std::string layoutProblem() {
    const int w = layout.screenW[0], h = layout.screenH[0];
    if (w < 1 || h < 1 || w > MAX_PICTURE_SIDE || h > MAX_PICTURE_SIDE)
        return "picture size " + std::to_string(w) + "x" + std::to_string(h) +
               " (E_SCREEN.0.BG.w, E_SCREEN.0.BG.h) is not usable";
    if (!plainName(layout.fontName))
        return std::string("font name \"") + layout.fontName + "\" is not a plain file name";
    for (const char* name : layout.pictureName)
        if (!plainName(name))
            return std::string("picture name \"") + name + "\" is not a plain file name";
    return "";
}

// The card's folder with the font under its configured name.
std::string placeFont(const std::string& card, const std::string& font) {
    std::error_code ec;
    fs::create_directories(card, ec);
    if (ec)
        return "cannot create " + card + ": " + ec.message();
    if (!fs::is_regular_file(font, ec))
        return "no font file " + font;
    if (!copyFont(font, card + layout.fontName))
        return "cannot copy " + font + " to " + card + layout.fontName;
    return "";
}

// Points the program at scratch and opens a 16-bit framebuffer of the picture size there.
std::string openSurface(const Scratch& scratch, const std::string& font, std::size_t bytes) {
    if (scratch.root.empty())
        return "cannot create a scratch folder";
    setRootPrefix(scratch.root);
    std::error_code ec;
    fs::create_directories(dataDir(), ec);
    fs::create_directories(scratch.root + "/dev", ec);
    const std::string blank(bytes, '\0');
    if (!copyFont(font, dataPath(layout.fontName)) ||
        !writeFile(rootedPath(FB_DEVICE), reinterpret_cast<const uint8_t*>(blank.data()), bytes))
        return "cannot prepare the scratch folder " + scratch.root;
    DesktopScreen screen;
    screen.xres = static_cast<unsigned>(layout.screenW[0]);
    screen.yres = static_cast<unsigned>(layout.screenH[0]);
    screen.bitsPerPixel = 16;
    setDesktopScreen(screen);
    if (!initFB())
        return "cannot map the drawing surface";
    // The pictures are stored upright in layout order; the program turns them itself.
    fb.quarterTurn = false;
    fb.halfTurn = false;
    return "";
}

std::string writePictures(const std::string& card, std::size_t bytes) {
    for (const PictureJob& job : JOBS) {
        paintPicture(job);
        const std::string path = card + layout.pictureName[job.slot];
        if (!writeFile(path, fb.mapping, bytes))
            return "cannot write " + path;
    }
    return "";
}

// Anything the drawing code reported (a font FreeType cannot open, say) spoils the card.
bool reportDrawingProblems() {
    std::ifstream problems(dataPath("Debug.log"));
    std::string problem;
    bool clean = true;
    while (std::getline(problems, problem)) {
        std::fprintf(stderr, "pumpwright-card: %s\n", problem.c_str());
        clean = false;
    }
    return !clean;
}

} // namespace

int main(int argc, char** argv) {
    std::string dir;
    std::string font = DEFAULT_FONT;
    std::string problem;
    switch (parseArguments(argc, argv, dir, font, problem)) {
    case Request::Help:
        std::fputs(HELP, stdout);
        return 0;
    case Request::Version:
        std::puts("pumpwright-card " PUMPWRIGHT_VERSION);
        return 0;
    case Request::Bad:
        std::fprintf(stderr, "pumpwright-card: %s (pumpwright-card --help shows the usage)\n",
                     problem.c_str());
        return 2;
    case Request::Run:
        break;
    }

    setRootPrefix(dir);
    loadLayout(); // reads DIR's property files when present; nothing is ever saved
    const std::string card = dataDir();
    problem = layoutProblem();
    if (problem.empty())
        problem = placeFont(card, font);
    if (!problem.empty())
        return fail(problem);

    const int w = layout.screenW[0], h = layout.screenH[0];
    const std::size_t bytes = static_cast<std::size_t>(w) * h * 2;
    Scratch scratch;
    problem = openSurface(scratch, font, bytes);
    if (problem.empty()) {
        problem = writePictures(card, bytes);
        closeFB();
    }
    if (!problem.empty())
        return fail(problem);
    if (reportDrawingProblems())
        return 1;
    std::printf("pumpwright-card: %d x %d pictures and font %s in %s\n", w, h, layout.fontName,
                card.c_str());
    return 0;
}
