#include "tests/e2e/sim_run.h"
#include "tests/file_text.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

const char* const CTIME_PATTERN = "[A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9][0-9] "
                                  "[0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}\n";

namespace {

const char* const DATA = "/mnt/sdcard/Pumpwright/";

// Button rectangles of the default layout: x, y, w, h.
struct Box {
    int x, y, w, h;
};
const std::map<std::string, Box> BUTTONS = {
    {"DRIVEN", {238, 5, 77, 50}},         {"EXIT", {315, 5, 77, 50}},
    {"REFILLED", {238, 55, 77, 50}},      {"CAR1", {315, 55, 77, 50}},
    {"PAID", {238, 105, 77, 50}},         {"CAR2", {315, 105, 77, 50}},
    {"SAVE", {238, 152, 77, 50}},         {"BIKE", {315, 152, 77, 50}},
    {"STATS", {238, 200, 77, 50}},        {"CONFIG", {315, 200, 77, 50}},
    {"FUELPER100DIST", {238, 5, 77, 50}}, {"BACK", {315, 5, 77, 50}},
    {"DISTPERFUEL", {238, 55, 77, 50}},   {"CAR1FUELFULL", {315, 55, 77, 50}},
    {"TOTALDIST", {238, 105, 77, 50}},    {"CAR2FUELFULL", {315, 105, 77, 50}},
    {"TRIPDIST", {238, 152, 77, 50}},     {"BIKEFUELFULL", {315, 152, 77, 50}},
    {"WHEELCHANGE", {238, 200, 77, 50}},  {"RECAP", {315, 200, 77, 50}},
    {"STATDISPLAY", {12, 11, 376, 231}},
};

LayoutPoint centre(const Box& b) {
    return {b.x + b.w / 2, b.y + b.h / 2};
}

} // namespace

LayoutPoint keyPoint(char key) {
    const std::string order = "123456789C0.";
    const std::size_t i = order.find(key);
    if (i == std::string::npos)
        ADD_FAILURE() << "no key " << key;
    const int xs[] = {5, 83, 160};
    const int ys[] = {55, 105, 152, 200};
    return centre(Box{xs[i % 3], ys[i / 3], 77, 50});
}

LayoutPoint buttonPoint(const std::string& name) {
    const auto it = BUTTONS.find(name);
    if (it == BUTTONS.end()) {
        ADD_FAILURE() << "no button " << name;
        return {0, 0};
    }
    return centre(it->second);
}

void SimTest::SetUp() {
    char pattern[] = "/tmp/pumpwright-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    base = pattern;
    root = base + "/root";
    std::filesystem::create_directories(root + DATA);
}

void SimTest::TearDown() {
    std::error_code ignored;
    std::filesystem::remove_all(base, ignored);
}

void SimTest::makeCard(int bytesPerPixel, int skip) {
    const char* names[] = {"s0.raw", "s0a.raw", "s1.raw", "s1a.raw", "s2.raw"};
    const uint16_t values[] = {S0, S0A, S1, S1A, S2};
    for (int i = 0; i < 5; ++i) {
        if (i == skip)
            continue;
        std::string pixelBytes(static_cast<std::size_t>(bytesPerPixel), '\0');
        pixelBytes[0] = static_cast<char>(values[i] & 0xFF);
        pixelBytes[1] = static_cast<char>(values[i] >> 8);
        std::string picture;
        picture.reserve(400 * 256 * pixelBytes.size());
        for (int p = 0; p < 400 * 256; ++p)
            picture += pixelBytes;
        writeFile(dataFile(names[i]), picture);
    }
    std::filesystem::copy_file(PW_TEST_FONT, dataFile("Diduz.ovo"),
                               std::filesystem::copy_options::overwrite_existing);
}

int SimTest::run(const std::vector<std::string>& options, const std::string& script) {
    const std::string scriptPath = base + "/script.txt";
    writeFile(scriptPath, script);
    std::vector<std::string> withScript = options;
    withScript.push_back("--script");
    withScript.push_back(scriptPath);
    const pid_t pid = spawn(withScript);
    return pid > 0 ? wait(pid, 0) : -1;
}

pid_t SimTest::spawn(const std::vector<std::string>& options) {
    std::vector<std::string> args = {PW_SIM, "--root", root};
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    const std::string errorPath = base + "/stderr.txt";
    const std::string outputPath = base + "/stdout.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, PW_SIM, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << PW_SIM;
        return -1;
    }
    return pid;
}

int SimTest::wait(pid_t pid, int timeoutSeconds) {
    int wstatus = 0;
    if (timeoutSeconds <= 0) {
        waitpid(pid, &wstatus, 0);
    } else {
        int waited = 0;
        for (; waited < timeoutSeconds * 20 && waitpid(pid, &wstatus, WNOHANG) == 0; ++waited)
            usleep(50000);
        if (waited == timeoutSeconds * 20) {
            kill(pid, SIGKILL);
            waitpid(pid, &wstatus, 0);
            ADD_FAILURE() << "the simulator did not end within " << timeoutSeconds << " s";
            return -1;
        }
    }
    errors = readFile(base + "/stderr.txt");
    output = readFile(base + "/stdout.txt");
    if (!WIFEXITED(wstatus)) {
        ADD_FAILURE() << "the simulator did not exit normally: " << errors;
        return -1;
    }
    return WEXITSTATUS(wstatus);
}

std::string SimTest::typeKeys(const std::string& keys) {
    std::string lines;
    for (char k : keys) {
        const LayoutPoint p = keyPoint(k);
        lines += "ltap " + std::to_string(p.x) + " " + std::to_string(p.y) + "\n";
    }
    return lines;
}

std::string SimTest::ltap(const std::string& button) {
    const LayoutPoint p = buttonPoint(button);
    return "ltap " + std::to_string(p.x) + " " + std::to_string(p.y) + "\n";
}

std::string SimTest::dataFile(const std::string& name) const {
    return root + DATA + name;
}

std::string SimTest::readFile(const std::string& path) {
    return readFileText(path);
}

void SimTest::writeFile(const std::string& path, const std::string& content) {
    writeFileText(path, content);
}

bool SimTest::exists(const std::string& path) {
    return std::filesystem::exists(path);
}

std::vector<std::string> SimTest::entries(const std::string& path) {
    std::istringstream in(readFile(path));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] != '#')
            lines.push_back(line);
    }
    return lines;
}

uint16_t SimTest::pixel(const std::string& shot, int width, int x, int y) {
    const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 2;
    if (at + 1 >= shot.size()) {
        ADD_FAILURE() << "pixel " << x << "," << y << " lies outside the shot";
        return 0;
    }
    return static_cast<uint16_t>(static_cast<uint8_t>(shot[at]) | static_cast<uint8_t>(shot[at + 1])
                                                                      << 8);
}

int SimTest::count(const std::string& shot, int width, int x1, int y1, int x2, int y2,
                   uint16_t value) {
    int n = 0;
    for (int y = y1; y <= y2; ++y) {
        for (int x = x1; x <= x2; ++x)
            n += pixel(shot, width, x, y) == value;
    }
    return n;
}
