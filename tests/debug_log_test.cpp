#include "base/debug_log.h"
#include "base/paths.h"
#include "tests/test_root.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

using DebugLogTest = RootTest;

// A root prefix given with trailing slashes names the same files, with no doubled slash.
TEST_F(DebugLogTest, ARootWithTrailingSlashesNamesTheSameFiles) {
    const std::string log = dataPath("Debug.log"), fb = rootedPath("/dev/fb");
    setRootPrefix(root + "//");
    EXPECT_EQ(dataPath("Debug.log"), log);
    EXPECT_EQ(rootedPath("/dev/fb"), fb);
    EXPECT_EQ(fb, root + "/dev/fb");
    setRootPrefix(root);
}

TEST_F(DebugLogTest, AppendsLinesAndKeepsEarlierOnes) {
    debugLog("Error opening ts!");
    debugLog("Error opening image!");
    EXPECT_EQ(debugLogText(), "### Error opening ts!\n### Error opening image!\n");
}

TEST_F(DebugLogTest, MessageEndingInLineFeedLeavesEmptyLineAndEmptyMessageKeepsBlank) {
    debugLog("Error reading fixed information.\n");
    debugLog("");
    EXPECT_EQ(debugLogText(), "### Error reading fixed information.\n\n### \n");
}

TEST_F(DebugLogTest, ScratchTextIsLoggedUnchanged) {
    std::snprintf(scratchText, SCRATCH_SIZE, "get: Unknown OdometerMode-vehicle: %d", 7);
    debugLog(scratchText);
    EXPECT_EQ(debugLogText(), "### get: Unknown OdometerMode-vehicle: 7\n");
    EXPECT_STREQ(scratchText, "get: Unknown OdometerMode-vehicle: 7");
}

TEST_F(DebugLogTest, WithoutTheCardMessagesGoToStandardErrorOnly) {
    testing::internal::CaptureStderr();
    debugLog("on the card");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    std::filesystem::remove_all(dataDir());
    testing::internal::CaptureStderr();
    debugLog("Error in initFB: No such file or directory\n");
    debugLog("Error opening ts!");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "pumpwright: Error in initFB: No such file or directory\n"
              "pumpwright: Error opening ts!\n");
    EXPECT_FALSE(std::filesystem::exists(dataDir()));
}

TEST_F(DebugLogTest, TimestampIsCtimeText) {
    timestampText();
    ASSERT_EQ(std::strlen(scratchText), 25u);
    EXPECT_EQ(scratchText[24], '\n');
    EXPECT_EQ(scratchText[3], ' ');
    EXPECT_EQ(scratchText[13], ':');
    EXPECT_EQ(scratchText[16], ':');
}

// A problem met on every pass for days leaves a line per decade, not one per pass, and
// the file keeps within its bound, the older part moved aside.
TEST_F(DebugLogTest, RepeatsAreCountedAndTheFileStaysBounded) {
    for (int i = 0; i < 10801; ++i) {
        debugLog("Unknown vehicle: 3");
        if (i == 0)
            debugLog("Error setting pixel size");
    }
    EXPECT_EQ(debugLogText(), "### Unknown vehicle: 3\n### Error setting pixel size\n"
                              "### repeated 10 times: Unknown vehicle: 3\n"
                              "### repeated 100 times: Unknown vehicle: 3\n"
                              "### repeated 1000 times: Unknown vehicle: 3\n"
                              "### repeated 10000 times: Unknown vehicle: 3\n");

    // messages that all differ: the log moves to Debug.log.1 at 1 MB and starts afresh
    char message[64];
    for (int i = 0; i < 40000; ++i) {
        std::snprintf(message, sizeof message, "Error growing string box for: %d", i);
        debugLog(message);
    }
    const auto size = [this](const char* name) {
        return std::filesystem::file_size(dataFile(name));
    };
    EXPECT_LE(size("Debug.log"), 1u << 20);
    EXPECT_LE(size("Debug.log.1"), 1u << 20);
    EXPECT_GT(size("Debug.log") + size("Debug.log.1"), 1u << 20);
    // Only the first 1024 different messages are remembered and counted (the two above
    // and 0 to 1021 here); later ones are written again each time.
    debugLog("Error growing string box for: 1021");
    debugLog("Error growing string box for: 1022");
    const std::string text = debugLogText();
    const std::string last = "### Error growing string box for: 39999\n"
                             "### Error growing string box for: 1022\n";
    ASSERT_GE(text.size(), last.size());
    EXPECT_EQ(text.substr(text.size() - last.size()), last);
}

// Stamps past January 2038 (a 32-bit time_t wraps to 1901).
TEST_F(DebugLogTest, StampsAfter2038) {
    timestampTextAt(2223288000); // 2040-06-15 12:00 UTC
    EXPECT_NE(std::strstr(scratchText, " 2040\n"), nullptr) << scratchText;
    EXPECT_EQ(sizeof(std::time_t), 8u);
}
