#include "base/debug_log.h"
#include "props/properties.h"
#include "tests/test_root.h"

#include <string>

using PropertiesTest = RootTest;

TEST_F(PropertiesTest, UnknownProptypeIsLoggedAndChangesNothing) {
    EXPECT_STREQ(getProperty("X_SOMETHING", "5"), "");
    EXPECT_STREQ(getProperty("e_font.name", "5"), "");
    EXPECT_EQ(getPropertyInt("", "5"), 0);
    setProperty("pLOWER", "1");
    EXPECT_FALSE(propertySetChanged(PropertySetId::Environment));
    EXPECT_FALSE(propertySetChanged(PropertySetId::User));
    EXPECT_EQ(debugLogText(), "### Unknown proptype: X_SOMETHING\n"
                              "### Unknown proptype: e_font.name\n"
                              "### Unknown proptype: \n"
                              "### Unknown proptype: pLOWER\n");
}

TEST_F(PropertiesTest, OverlongUnknownKeyIsReportedWithinScratchText) {
    const std::string key(5000, 'x');
    EXPECT_STREQ(getProperty(key, "1"), "");
    const std::string log = debugLogText();
    EXPECT_EQ(log.rfind("### Unknown proptype: xxx", 0), 0u);
    EXPECT_EQ(log.size(), 4 + SCRATCH_SIZE - 1 + 1); // cut to what fits, then the line feed
}

TEST_F(PropertiesTest, FirstDefaultIsStoredAndReturnedByLaterReads) {
    EXPECT_STREQ(getProperty("E_TEST.a", "first"), "first");
    EXPECT_STREQ(getProperty("E_TEST.a", "second"), "first");
    EXPECT_TRUE(propertySetChanged(PropertySetId::Environment));
    EXPECT_FALSE(propertySetChanged(PropertySetId::User));
}

TEST_F(PropertiesTest, NumberDefaultsAndDoubleWritesCarryOneDecimal) {
    EXPECT_STREQ(getProperty("E_TEST.n", 37.0f), "37.0");
    EXPECT_EQ(getPropertyInt("E_TEST.n", 99.0f), 37);
    setPropertyDouble("P_TEST.d", 2);
    EXPECT_STREQ(getProperty("P_TEST.d", "0"), "2.0");
    setPropertyDouble("P_TEST.d", 12.25);
    EXPECT_STREQ(getProperty("P_TEST.d", "0"), "12.2"); // printf rounds the binary 12.25 to even
    setPropertyDouble("P_TEST.big", 1e300);
    EXPECT_EQ(std::string(getProperty("P_TEST.big", "0")).size(), 303u);
}

TEST_F(PropertiesTest, IntegerAndDoubleReadingsFollowStrtolAndStrtod) {
    setProperty("P_A", " 1");
    setProperty("P_B", "1.0");
    setProperty("P_C", "word");
    setProperty("P_D", "-12abc");
    setProperty("P_E", "99999999999999");
    EXPECT_EQ(getPropertyInt("P_A", "0"), 1);
    EXPECT_EQ(getPropertyInt("P_B", "0"), 1);
    EXPECT_EQ(getPropertyInt("P_C", "0"), 0);
    EXPECT_EQ(getPropertyInt("P_D", "0"), -12);
    EXPECT_EQ(getPropertyInt("P_E", "0"), 2147483647);
    EXPECT_DOUBLE_EQ(getPropertyDouble("P_B", "0"), 1.0);
    EXPECT_DOUBLE_EQ(getPropertyDouble("P_C", "0"), 0.0);
}

TEST_F(PropertiesTest, WritingTheSameValueMarksTheSetChanged) {
    writeFile(dataFile("properties.txt"), "P_DEFAULTVEHICLE: 1\n");
    EXPECT_EQ(getPropertyInt("P_DEFAULTVEHICLE", "1"), 1);
    EXPECT_FALSE(propertySetChanged(PropertySetId::User));
    setProperty("P_DEFAULTVEHICLE", "1");
    EXPECT_TRUE(propertySetChanged(PropertySetId::User));
}

TEST_F(PropertiesTest, ReturnedTextSurvivesOtherReadsAndWrites) {
    const char* font = getProperty("E_FONT.name", "Diduz.ovo");
    for (int i = 0; i < 500; ++i) {
        getProperty("E_KEY." + std::to_string(i), "v");
        setProperty("E_OTHER." + std::to_string(i), std::string(100, 'x'));
    }
    EXPECT_STREQ(font, "Diduz.ovo");
}

TEST_F(PropertiesTest, FileIsReadOnlyAtTheFirstReadOfItsSet) {
    writeFile(dataFile("environment.txt"), "E_A: from file\n");
    EXPECT_STREQ(getProperty("E_A", "default"), "from file");
    writeFile(dataFile("environment.txt"), "E_A: edited meanwhile\nE_B: new\n");
    EXPECT_STREQ(getProperty("E_A", "default"), "from file");
    EXPECT_STREQ(getProperty("E_B", "default"), "default");
}

TEST_F(PropertiesTest, EmptyValueInFileCountsAsMissing) {
    writeFile(dataFile("environment.txt"), "E_FONT.name:\n");
    EXPECT_STREQ(getProperty("E_FONT.name", "Diduz.ovo"), "Diduz.ovo");
    EXPECT_TRUE(propertySetChanged(PropertySetId::Environment));
}
