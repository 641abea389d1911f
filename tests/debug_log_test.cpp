#include "base/debug_log.h"
#include "base/paths.h"
#include "tests/test_root.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

using DebugLogTest = RootTest;

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
