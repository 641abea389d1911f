#include "base/write_all.h"
#include "props/properties.h"
#include "props/property_files.h"
#include "tests/test_root.h"

#include <cerrno>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::pair<std::string, std::string> parse(const std::string& line) {
    std::string key, value;
    EXPECT_TRUE(parsePropertyLine(line, key, value)) << line;
    return {key, value};
}

} // namespace

TEST(PropertyLineTest, SeparatorIsTheFirstEqualsOrColon) {
    using P = std::pair<std::string, std::string>;
    EXPECT_EQ(parse("E_BUTTON.SAVE.x = 240"), P("E_BUTTON.SAVE.x", "240"));
    EXPECT_EQ(parse("E_BUTTON.SAVE.x:240"), P("E_BUTTON.SAVE.x", "240"));
    EXPECT_EQ(parse("key=a:b"), P("key", "a:b"));
    EXPECT_EQ(parse("key:a=b"), P("key", "a=b"));
    EXPECT_EQ(parse("no separator here"), P("no separator here", "no separator here"));
    EXPECT_EQ(parse(""), P("", ""));
    EXPECT_EQ(parse("E_K:"), P("E_K", ""));
}

TEST(PropertyLineTest, TrimsBlanksTabsAndCarriageReturnButKeepsInnerBlanks) {
    using P = std::pair<std::string, std::string>;
    EXPECT_EQ(parse("\tE_K : two  words \t "), P("E_K", "two  words"));
    EXPECT_EQ(parse("E_K: value\r"), P("E_K", "value"));
    EXPECT_EQ(parse(" #E_K: 1"), P("#E_K", "1"));
}

TEST(PropertyLineTest, BackslashNBecomesLineFeed) {
    EXPECT_EQ(parse("E_K: half\\nhalf").second, "half\nhalf");
    EXPECT_EQ(parse("E_K: \\n\\n").second, "\n\n");
    // a backslash before the pair stays, and a lone one at the end too
    EXPECT_EQ(parse("E_K: a\\\\nb\\").second, "a\\\nb\\");
    // 3.2 MB of pairs: one pass (replacing one pair at a time took a minute)
    std::string many;
    for (int i = 0; i < 1600000; ++i)
        many += "\\n";
    EXPECT_EQ(parse("E_K: x" + many + "y").second, "x" + std::string(1600000, '\n') + "y");
}

TEST(PropertyLineTest, CommentsStartInTheFirstColumnOnly) {
    std::string key, value;
    EXPECT_FALSE(parsePropertyLine("# E_K: 1", key, value));
    EXPECT_FALSE(parsePropertyLine("!E_K: 1", key, value));
}

using PropertyFilesTest = RootTest;

TEST_F(PropertyFilesTest, HandEditedFileIsReadTolerantly) {
    writeFile(dataFile("environment.txt"), "# comment\r\n"
                                           "!E_A: hidden\n"
                                           "E_A = 1\r\n"
                                           "\tE_B:two words  \n"
                                           "E_A: 2\n"
                                           "\n"
                                           "E_C:no final newline");
    EXPECT_STREQ(getProperty("E_A", "x"), "2");
    EXPECT_STREQ(getProperty("E_B", "x"), "two words");
    EXPECT_STREQ(getProperty("E_C", "x"), "no final newline");
    EXPECT_FALSE(propertySetChanged(PropertySetId::Environment));
}

TEST_F(PropertyFilesTest, BinaryBytesAndHugeLinesDoNotDisturbOtherKeys) {
    std::string content = "E_BEFORE: 1\n";
    content += std::string("E_BIN:\0\x01\xff\xfe", 10) + "\n";
    content += "E_HUGE: " + std::string(3 << 20, 'h') + "\n";
    content += std::string(100000, ':') + "\n";
    content += "E_AFTER: 2\n";
    writeFile(dataFile("environment.txt"), content);
    EXPECT_STREQ(getProperty("E_BEFORE", "x"), "1");
    EXPECT_STREQ(getProperty("E_AFTER", "x"), "2");
    EXPECT_EQ(std::string(getProperty("E_HUGE", "x")).size(), 3u << 20);
}

TEST_F(PropertyFilesTest, SaveWritesHeaderAndSortedCanonicalEntries) {
    writeFile(dataFile("properties.txt"), "P_B = 2\nP_A:1\n\nfoo\nE_WRONG: set\nP_ML: a\\nb\n");
    getProperty("P_C", "3");
    const mode_t mask = umask(022);
    saveProperties();
    umask(mask);
    struct stat saved {};
    ASSERT_EQ(stat(dataFile("properties.txt").c_str(), &saved), 0);
    EXPECT_EQ(saved.st_mode & 07777, 0644u); // readable by everyone, as the umask allows
    EXPECT_EQ(readFile(dataFile("properties.txt")),
              "# This file contains the user-depending properties for this project.\n"
              "# Some of them may not be changeable from within the application.\n"
              "# IF you know what you are doing, feel free to edit them.\n"
              "# IF you broke something while editing, just delete this file.\n"
              "#\n"
              ": \n"
              "E_WRONG: set\n"
              "P_A: 1\n"
              "P_B: 2\n"
              "P_C: 3\n"
              "P_ML: a\\nb\n"
              "foo: foo\n");
    EXPECT_FALSE(propertySetChanged(PropertySetId::User));
    EXPECT_FALSE(fileExists(dataFile("environment.txt"))); // environment set untouched
}

TEST_F(PropertyFilesTest, NewFileIsOnTheCardBeforeItReplacesTheOldAndTheFolderAfter) {
    getProperty("E_A", "0");
    getProperty("P_A", "0");
    takeSyncSteps();
    saveProperties();
    // a power cut at any point leaves the old file or the complete new one
    EXPECT_EQ(takeSyncSteps(), "fsync file\n"
                               "rename environment.txt.new environment.txt\n"
                               "fsync folder Pumpwright\n"
                               "fsync file\n"
                               "rename properties.txt.new properties.txt\n"
                               "fsync folder Pumpwright\n");

    // Started with standard input closed (from cron, say), the files and the folder get
    // descriptor 0, which is as good as any other.
    const int input = dup(0);
    close(0);
    setProperty("P_A", "1");
    saveProperties();
    dup2(input, 0);
    close(input);
    EXPECT_EQ(takeSyncSteps(), "fsync file\n"
                               "rename properties.txt.new properties.txt\n"
                               "fsync folder Pumpwright\n");
}

TEST(FolderOf, IsThePathUpToItsLastSlash) {
    EXPECT_EQ(folderOf("/mnt/sdcard/Pumpwright/properties.txt"), "/mnt/sdcard/Pumpwright/");
    EXPECT_EQ(folderOf("/x.csv"), "/");
    EXPECT_EQ(folderOf("x.csv"), ".");
}

TEST_F(PropertyFilesTest, InterruptedAndShortWritesStillSaveTheWholeFile) {
    setProperty("P_A", "a value longer than one piece");
    saveProperties();
    const std::string whole = readFile(dataFile("properties.txt"));
    setProperty("P_A", "another value longer than a piece");
    setProperty("P_A", "a value longer than one piece");
    splitWrites(5);
    saveProperties();
    splitWrites(0);
    EXPECT_EQ(readFile(dataFile("properties.txt")), whole);
    EXPECT_FALSE(propertySetChanged(PropertySetId::User));
    // a medium that takes nothing ends the save: the file as it was, the set still to save
    setProperty("P_A", "a third value");
    takeNoBytes(true);
    EXPECT_FALSE(saveProperties());
    takeNoBytes(false);
    EXPECT_EQ(readFile(dataFile("properties.txt")), whole);
    EXPECT_TRUE(propertySetChanged(PropertySetId::User));
    // and so does one that says only at the close that it lost the file
    failCloses(EIO);
    EXPECT_FALSE(saveProperties());
    failCloses(0);
    EXPECT_EQ(readFile(dataFile("properties.txt")), whole);
    EXPECT_FALSE(fileExists(dataFile("properties.txt.new")));
    EXPECT_TRUE(propertySetChanged(PropertySetId::User));
}

// A program started without standard input, as a start script may leave it, gets
// descriptor 0 for the first file it opens: that file is written like any other.
TEST_F(PropertyFilesTest, SavesWithTheStandardInputClosed) {
    const int input = dup(0);
    ASSERT_NE(input, -1);
    close(0);
    setProperty("P_A", "1");
    saveProperties();
    dup2(input, 0);
    close(input);
    const std::string saved = readFile(dataFile("properties.txt"));
    EXPECT_NE(saved.find("\nP_A: 1\n"), std::string::npos) << saved;
    EXPECT_FALSE(propertySetChanged(PropertySetId::User));
}

TEST_F(PropertyFilesTest, UnchangedSetsAreNotRewritten) {
    writeFile(dataFile("environment.txt"), "# mine\nE_A=1\n");
    writeFile(dataFile("properties.txt"), "P_A=1\n");
    getProperty("E_A", "0");
    getProperty("P_A", "0");
    saveProperties();
    EXPECT_EQ(readFile(dataFile("environment.txt")), "# mine\nE_A=1\n");
    EXPECT_EQ(readFile(dataFile("properties.txt")), "P_A=1\n");
}

TEST_F(PropertyFilesTest, FailedSaveLeavesOldFileAndSetChanged) {
    writeFile(dataFile("environment.txt"), "E_A: old\n");
    getProperty("E_A", "0");
    setProperty("E_A", "new");
    setProperty("P_A", "user");
    // a directory where the temporary file would go makes the write fail
    std::filesystem::create_directory(dataFile("environment.txt.new"));
    saveProperties();
    EXPECT_EQ(readFile(dataFile("environment.txt")), "E_A: old\n");
    EXPECT_TRUE(propertySetChanged(PropertySetId::Environment));
    // the other file is still written
    EXPECT_NE(readFile(dataFile("properties.txt")).find("P_A: user\n"), std::string::npos);
    EXPECT_FALSE(propertySetChanged(PropertySetId::User));

    std::filesystem::remove(dataFile("environment.txt.new"));
    saveProperties();
    EXPECT_NE(readFile(dataFile("environment.txt")).find("E_A: new\n"), std::string::npos);
    EXPECT_FALSE(fileExists(dataFile("environment.txt.new")));
}

TEST_F(PropertyFilesTest, MissingDataDirectoryKeepsSetsChanged) {
    std::filesystem::remove_all(root + "/mnt");
    getProperty("E_A", "1");
    saveProperties();
    EXPECT_TRUE(propertySetChanged(PropertySetId::Environment));
}
