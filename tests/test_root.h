#pragma once
// A scratch root prefix per test: an empty card (the data directory exists) and fresh
// process-wide state, as if the device had just been switched on.
#include "testsupport/process_state.h"

#include <gtest/gtest.h>

#include <string>

class RootTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    std::string dataFile(const char* name) const;
    static std::string readFile(const std::string& path);
    static void writeFile(const std::string& path, const std::string& content);
    static bool fileExists(const std::string& path);
    // The whole of Debug.log as written, "### " prefixes included.
    std::string debugLogText() const;

    std::string root;
};

// write() calls made so far by the program's own code (not by the libraries it uses).
long writeCallCount();
// From now on every other write() call of the program's own code is interrupted by a
// signal (EINTR) and the others write at most piece bytes, as a slow card may; 0 ends
// it (as does the end of the test).
void splitWrites(std::size_t piece);
// From now on every read() call of the program's own code delivers at most piece bytes,
// as a card behind a network or FUSE file system may; 0 ends it.
void splitReads(std::size_t piece);
// While true, every write() call of the program's own code to a file being made (its
// name ends in ".new") or to consumption.txt or events.txt returns 0, writes nothing and
// sets no error, as a broken medium or driver may: a loop that waits for progress would
// never end. Debug.log is left alone: the C++ streams wait for progress themselves.
void takeNoBytes(bool nothing);
// While not 0, every close() of a file being made or of a log (as takeNoBytes chooses
// them) closes it and then fails with this error, as a network or FUSE file system
// reports a write it lost only then.
void failCloses(int error);
// While not 0, every fsync() of a file being made or of a log fails with this error, as
// a card reports a write it could not put on the medium.
void failSyncs(int error);
// The fsync() and rename() calls of the program's own code since the last call, one a
// line: "fsync file", "fsync folder NAME", "rename FROM TO" (file and folder names only).
std::string takeSyncSteps();
// mkdir -p
void makeDirs(const std::string& path);
