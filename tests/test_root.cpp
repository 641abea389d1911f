#include "tests/test_root.h"
#include "tests/file_text.h"

#include "app/paths.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {
long writeCalls = 0;
} // namespace

// The test program is linked with --wrap=write: every write() call in the program's own
// code comes here first. Library internals (the C++ streams, the sanitizers) are not seen.
extern "C" ssize_t __real_write(int fd, const void* data, size_t size);
extern "C" ssize_t __wrap_write(int fd, const void* data, size_t size) {
    ++writeCalls;
    return __real_write(fd, data, size);
}

long writeCallCount() {
    return writeCalls;
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
    resetProcessState();
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
