#include "tests/test_root.h"
#include "tests/file_text.h"

#include "base/paths.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {
long writeCalls = 0;
std::size_t writePiece = 0; // 0: writes go through whole
bool interruptWrite = false;
bool writeNothing = false;

// The path of what fd has open.
std::string openPath(int fd) {
    char name[PATH_MAX];
    const ssize_t n = readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), name, sizeof name);
    return n > 0 ? std::string(name, static_cast<std::size_t>(n)) : std::string();
}

// Whether fd is a file being made to replace another (its name ends in ".new") or one of
// the two logs, which are appended to in place.
bool savedFile(int fd) {
    const std::string name = std::filesystem::path(openPath(fd)).filename().string();
    return (name.size() >= 4 && name.compare(name.size() - 4, 4, ".new") == 0) ||
           name == "consumption.txt" || name == "events.txt";
}
} // namespace

// The test program is linked with --wrap=write: every write() call in the program's own
// code comes here first. Library internals (the C++ streams, the sanitizers) are seen
// only in the static device builds, where the libraries are linked in too.
extern "C" ssize_t __real_write(int fd, const void* data, size_t size);
extern "C" ssize_t __wrap_write(int fd, const void* data, size_t size) {
    ++writeCalls;
    if (writeNothing && savedFile(fd)) {
        errno = 0; // nothing but the count says that it failed
        return 0;
    }
    if (writePiece > 0) {
        interruptWrite = !interruptWrite;
        if (interruptWrite) {
            errno = EINTR;
            return -1;
        }
        size = std::min(size, writePiece);
    }
    return __real_write(fd, data, size);
}

namespace {
std::size_t readPiece = 0;
} // namespace

extern "C" ssize_t __real_read(int fd, void* data, size_t size);
extern "C" ssize_t __wrap_read(int fd, void* data, size_t size) {
    return __real_read(fd, data, readPiece > 0 ? std::min(size, readPiece) : size);
}

void splitReads(std::size_t piece) {
    readPiece = piece;
}

void splitWrites(std::size_t piece) {
    writePiece = piece;
    interruptWrite = false;
}

void takeNoBytes(bool nothing) {
    writeNothing = nothing;
}

long writeCallCount() {
    return writeCalls;
}

// fsync() and rename() are wrapped the same way, so that the order in which a file is
// flushed, put in place and its folder flushed can be checked.
namespace {
std::string syncSteps;
int syncError = 0;
} // namespace

extern "C" int __real_fsync(int fd);
extern "C" int __wrap_fsync(int fd) {
    struct stat status {};
    const bool folder = ::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode);
    syncSteps +=
        folder ? "fsync folder " + std::filesystem::path(openPath(fd)).filename().string() + "\n"
               : std::string("fsync file\n");
    if (syncError != 0 && !folder && savedFile(fd)) {
        errno = syncError;
        return -1;
    }
    return __real_fsync(fd);
}

void failSyncs(int error) {
    syncError = error;
}

extern "C" int __real_rename(const char* from, const char* to);
extern "C" int __wrap_rename(const char* from, const char* to) {
    syncSteps += std::string("rename ") + std::filesystem::path(from).filename().string() + " " +
                 std::filesystem::path(to).filename().string() + "\n";
    return __real_rename(from, to);
}

// close() is wrapped to catch a close of a descriptor the program does not hold: harmless
// as -1, but a second close of a number the system has since given to another file
// closes that file.
namespace {
int strayCloses = 0;
int closeError = 0;
} // namespace

extern "C" int __real_close(int fd);
extern "C" int __wrap_close(int fd) {
    const bool failed = closeError != 0 && savedFile(fd);
    const int result = __real_close(fd);
    if (result != 0 && errno == EBADF)
        ++strayCloses;
    if (failed) {
        errno = closeError;
        return -1;
    }
    return result;
}

void failCloses(int error) {
    closeError = error;
}

std::string takeSyncSteps() {
    std::string steps;
    steps.swap(syncSteps);
    return steps;
}

void makeDirs(const std::string& path) {
    std::filesystem::create_directories(path);
}

void RootTest::SetUp() {
    char pattern[] = "/tmp/pumpwright-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root = pattern;
    setRootPrefix(root);
    makeDirs(dataDir());
    resetProcessState();
}

void RootTest::TearDown() {
    splitWrites(0);
    splitReads(0);
    takeNoBytes(false);
    failCloses(0);
    failSyncs(0);
    resetProcessState();
    EXPECT_EQ(strayCloses, 0) << "close() of a descriptor not held";
    strayCloses = 0;
    setRootPrefix("");
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}

std::string RootTest::dataFile(const char* name) const {
    return dataPath(name);
}

std::string RootTest::readFile(const std::string& path) {
    return readFileText(path);
}

void RootTest::writeFile(const std::string& path, const std::string& content) {
    writeFileText(path, content);
}

bool RootTest::fileExists(const std::string& path) {
    return std::filesystem::exists(path);
}

std::string RootTest::debugLogText() const {
    return readFile(dataFile("Debug.log"));
}
