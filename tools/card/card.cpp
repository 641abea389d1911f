// pumpwright-card DIR [--font FILE] [--size WxH] [--bpp 16|32]
// pumpwright-card import|export|check ... (tools/card/card_skin.h)
//
// Makes a memory card the program starts from: the five background pictures, drawn with
// the program's own display code for the layout in force (DIR's environment.txt when it
// has one, else the compiled-in defaults), and the font under its configured name, in
// DIR/mnt/sdcard/Pumpwright/. With --size the layout is first scaled to that panel size
// and written to environment.txt; logs and the user's properties are never touched.
#include "base/paths.h"
#include "display/fb_query.h"
#include "display/framebuffer.h"
#include "props/layout.h"
#include "tools/card/card_files.h"
#include "tools/card/card_pictures.h"
#include "tools/card/card_skin.h"
#include "tools/card/skin_check.h"
#include "tools/common/cli.h"
#include "tools/common/screenshot.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr const char* DEFAULT_FONT = PW_CARD_FONT;

bool copyFont(const std::string& from, const std::string& to) {
    std::error_code ec;
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

struct Arguments {
    std::string dir;
    std::string font = DEFAULT_FONT;
    unsigned w = 0, h = 0; // --size, 0 without
    int bits = 16;
};

bool parseArguments(int argc, char** argv, Arguments& a, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const bool option = argv[i][0] == '-';
        if (option &&
            (!std::strcmp(argv[i], "--font") || !std::strcmp(argv[i], "--size") ||
             !std::strcmp(argv[i], "--bpp")) &&
            i + 1 == argc) {
            error = std::string("missing value for ") + argv[i];
            return false;
        }
        if (!std::strcmp(argv[i], "--font")) {
            a.font = argv[++i];
        } else if (!std::strcmp(argv[i], "--size")) {
            if (!parseSize(argv[++i], MAX_SIDE, a.w, a.h)) {
                error = sizeError(argv[i]);
                return false;
            }
        } else if (!std::strcmp(argv[i], "--bpp")) {
            if (!parseDepth(argv[++i], a.bits)) {
                error = depthError(argv[i]);
                return false;
            }
        } else if (option) {
            error = std::string("unknown option ") + argv[i];
            return false;
        } else if (!a.dir.empty()) {
            error = std::string("unexpected argument ") + argv[i] + " (one DIR only)";
            return false;
        } else {
            a.dir = argv[i];
        }
    }
    if (a.dir.empty())
        error = "DIR is required";
    return !a.dir.empty();
}

// The layout's picture sizes, rectangles and file names, checked before anything is
// written. Empty when they are usable, else what is wrong.
std::string layoutProblem() {
    // Rectangles far outside the pictures are typing errors: nothing is drawn from them.
    // Names that are paths or the card's own files would write outside the pictures.
    std::vector<SkinProblem> problems = checkNames();
    if (problems.empty())
        problems = checkShapes();
    std::string text;
    for (const SkinProblem& p : problems)
        text += (text.empty() ? "" : "\npumpwright-card: ") + p.key + ": " + p.what;
    return text;
}

// The card's folder; with a new panel size its environment.txt scaled to it, and the
// layout read again from it. The font is written with the pictures.
std::string prepareCard(const std::string& card, const Arguments& a) {
    const std::string& font = a.font;
    std::error_code ec;
    if (!fs::is_regular_file(font, ec))
        return "no font file " + font;
    fs::create_directories(card, ec);
    if (ec)
        return "cannot create " + card + ": " + ec.message();
    if (a.w > 0) {
        std::string error;
        if (!writeScaledEnvironment(a.w, a.h, error))
            return error;
        loadLayout();
    }
    return "";
}

// Points the program at scratch and opens a framebuffer of the picture size there.
std::string openSurface(const Scratch& scratch, const std::string& font, int bits,
                        std::size_t bytes) {
    if (scratch.root.empty())
        return "cannot create a scratch folder";
    setRootPrefix(scratch.root);
    std::error_code ec;
    fs::create_directories(dataDir(), ec);
    fs::create_directories(scratch.root + "/dev", ec);
    if (!copyFont(font, dataPath(layout.fontName)))
        return "cannot prepare the scratch folder " + scratch.root;
    std::string error;
    if (!makeFramebufferFile(rootedPath(FB_DEVICE), bytes, error))
        return error;
    DesktopScreen screen;
    screen.xres = static_cast<unsigned>(layout.screenW[0]);
    screen.yres = static_cast<unsigned>(layout.screenH[0]);
    screen.bitsPerPixel = static_cast<unsigned>(bits);
    setDesktopScreen(screen);
    if (!initFB())
        return "cannot map the drawing surface";
    // The pictures are stored upright in layout order; the program turns them itself.
    fb.quarterTurn = false;
    fb.halfTurn = false;
    return "";
}

// The five pictures and the font, replacing the old ones all together.
std::string writeCard(const std::string& card, std::size_t bytes, const std::string& font) {
    std::ifstream in(font, std::ios::binary);
    const std::string fontBytes{std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>()};
    if (!in)
        return "cannot read the font " + font;
    StagedFiles files;
    std::string error;
    for (const PictureJob& job : JOBS) {
        paintPicture(job);
        if (!files.stage(card + layout.pictureName[job.slot], fb.mapping, bytes, error))
            return error;
    }
    if (files.stage(card + layout.fontName, reinterpret_cast<const uint8_t*>(fontBytes.data()),
                    fontBytes.size(), error))
        files.commit(error);
    return error;
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
    if (argc > 1 && !std::strcmp(argv[1], "import"))
        return importCommand(argc - 2, argv + 2);
    if (argc > 1 && !std::strcmp(argv[1], "export"))
        return exportCommand(argc - 2, argv + 2);
    if (argc > 1 && !std::strcmp(argv[1], "check"))
        return checkCommand(argc - 2, argv + 2);
    if (const int answered = answerHelpOrVersion("pumpwright-card", CARD_HELP, argc - 1, argv + 1);
        answered >= 0)
        return answered;
    Arguments a;
    std::string error;
    if (!parseArguments(argc, argv, a, error))
        return cardUsageError(error);

    setRootPrefix(a.dir);
    loadLayout(); // reads DIR's property files when present; only --size writes one
    const std::string card = dataDir();
    std::string problem = layoutProblem();
    if (problem.empty())
        problem = prepareCard(card, a);
    if (!problem.empty())
        return cardFailure(problem);

    const int w = layout.screenW[0], h = layout.screenH[0];
    const std::size_t bytes = static_cast<std::size_t>(w) * h * (a.bits / CHAR_BIT);
    Scratch scratch;
    problem = openSurface(scratch, a.font, a.bits, bytes);
    if (problem.empty()) {
        problem = writeCard(card, bytes, a.font);
        closeFB();
    }
    if (!problem.empty())
        return cardFailure(problem);
    if (reportDrawingProblems())
        return 1;
    std::printf("pumpwright-card: %d x %d pictures of %d bits and font %s in %s\n", w, h, a.bits,
                layout.fontName, card.c_str());
    return 0;
}
