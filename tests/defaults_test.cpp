#include "props/layout.h"
#include "props/properties.h"
#include "tests/test_root.h"

#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

} // namespace

using DefaultsTest = RootTest;

TEST_F(DefaultsTest, FirstRunWritesCompleteEnvironmentInKeyOrder) {
    loadLayout();
    saveProperties();
    const std::string text = readFile(dataFile("environment.txt"));
    const auto all = lines(text);
    ASSERT_EQ(all.size(), 6u + 217u);
    EXPECT_EQ(all[0], "# This file contains the environmental properties for this project.");
    EXPECT_EQ(all[1], "# If you want to create a new frontend for this project you maybe");
    EXPECT_EQ(all[2], "#   need to modify and distribute this one with it.");
    EXPECT_EQ(all[3], "# Images are raw RGB565 and default but variable size is 400x256.");
    EXPECT_EQ(all[4], "# IF you broke something while editing, just delete this file.");
    EXPECT_EQ(all[5], "#");
    EXPECT_EQ(all[6], "E_AREA.NUMINDISPLAY.b: 75.0");
    EXPECT_EQ(all[7], "E_AREA.NUMINDISPLAY.fontsize: 29");
    EXPECT_EQ(all[8], "E_AREA.NUMINDISPLAY.g: 98.0");
    EXPECT_EQ(all[9], "E_AREA.NUMINDISPLAY.h: 29");
    EXPECT_EQ(all[10], "E_AREA.NUMINDISPLAY.r: 89.0");
    EXPECT_EQ(all[220], "E_SCREEN.2.BG.h: 256");
    EXPECT_EQ(all[221], "E_SCREEN.2.BG.name: s2.raw");
    EXPECT_EQ(all[222], "E_SCREEN.2.BG.w: 400");
    EXPECT_EQ(text.back(), '\n');

    int numbers = 0;
    for (std::size_t i = 7; i < all.size(); ++i)
        EXPECT_LT(all[i - 1].substr(0, all[i - 1].find(": ")), all[i].substr(0, all[i].find(": ")));
    for (std::size_t i = 6; i < all.size(); ++i)
        numbers += all[i].size() > 2 && all[i].compare(all[i].size() - 2, 2, ".0") == 0;
    // 24 colour components and the three statistics text sizes carry a decimal
    EXPECT_EQ(numbers, 27);
    EXPECT_NE(text.find("E_AREA.STATDISPLAY.bg.r: 239.0\n"), std::string::npos);
    EXPECT_NE(text.find("E_AREA.STATDISPLAY.text.fontsize: 12.0\n"), std::string::npos);
    EXPECT_NE(text.find("E_BUTTON.DOT.x: 160\n"), std::string::npos);
    EXPECT_NE(text.find("E_FONT.name: Diduz.ovo\n"), std::string::npos);
}

TEST_F(DefaultsTest, FirstRunWritesTheStartUpUserKeys) {
    loadLayout();
    saveProperties();
    EXPECT_EQ(readFile(dataFile("properties.txt")),
              "# This file contains the user-depending properties for this project.\n"
              "# Some of them may not be changeable from within the application.\n"
              "# IF you know what you are doing, feel free to edit them.\n"
              "# IF you broke something while editing, just delete this file.\n"
              "#\n"
              "P_AREA.STATDISPLAY.conprice.show.maxbars: 80\n"
              "P_AREA.STATDISPLAY.fueldist.show.average: 1\n"
              "P_AREA.STATDISPLAY.fueldist.show.borders: 1\n"
              "P_AREA.STATDISPLAY.fueldist.show.dots: 1\n"
              "P_AREA.STATDISPLAY.fueldist.show.rest: 1\n"
              "P_ROT180: 0\n");
}

TEST_F(DefaultsTest, DefaultRecordsMatchTheTable) {
    loadLayout();
    const LayoutRect& one = layout.buttons[BTN_1];
    EXPECT_EQ(one.mask, 3);
    EXPECT_EQ(one.x1, 5);
    EXPECT_EQ(one.y1, 55);
    EXPECT_EQ(one.x2, 82);
    EXPECT_EQ(one.y2, 105);
    EXPECT_EQ(one.layoutW, 400);
    EXPECT_EQ(one.layoutH, 256);
    EXPECT_EQ(layout.statDisplay.mask, 28);
    EXPECT_EQ(layout.statDisplay.x2, 388);
    EXPECT_EQ(layout.statDisplay.y2, 242);
    EXPECT_EQ(layout.numDisplay.x2, 222);
    EXPECT_STREQ(layout.fontName, "Diduz.ovo");
    EXPECT_STREQ(layout.pictureName[PIC_S1A], "s1a.raw");
    EXPECT_EQ(layout.maxBars, 80);
    EXPECT_TRUE(layout.showDots);
    EXPECT_FALSE(layout.halfTurn);
    EXPECT_EQ(layout.smallTextSize, 10);
    EXPECT_EQ(layout.avgLine.b, 37);
}

TEST_F(DefaultsTest, EnvironmentFileOverridesRecords) {
    writeFile(dataFile("environment.txt"), "E_BUTTON.SAVE.w: 100\n"
                                           "E_BUTTON.EXIT.screen: 0\n"
                                           "E_SCREEN.1.BG.w: 320\n");
    loadLayout();
    EXPECT_EQ(layout.buttons[BTN_SAVE].x2, 338);
    EXPECT_EQ(layout.buttons[BTN_EXIT].mask, 0);
    int changed = 0;
    for (int i = 0; i < BUTTON_COUNT; ++i)
        changed += layout.buttons[i].layoutW == 320;
    EXPECT_EQ(changed, 9);
    EXPECT_EQ(layout.buttons[BTN_RECAP].layoutW, 400);
    EXPECT_EQ(layout.buttons[BTN_WHEELCHANGE].layoutW, 320);
}

TEST_F(DefaultsTest, HugeHandEditedSizesStayWithinTheRecord) {
    writeFile(dataFile("environment.txt"), "E_BUTTON.SAVE.x: 2147483000\n"
                                           "E_BUTTON.SAVE.w: 99999999999\n"
                                           "E_BUTTON.BIKE.y: -2147483000\n"
                                           "E_BUTTON.BIKE.h: -5000\n");
    loadLayout();
    EXPECT_EQ(layout.buttons[BTN_SAVE].x2, 2147483647);
    EXPECT_EQ(layout.buttons[BTN_BIKE].y2, -2147483647 - 1);
}

TEST_F(DefaultsTest, UserFlagsReadAsIntegerEqualToOne) {
    writeFile(dataFile("properties.txt"), "P_ROT180: 1.0\n"
                                          "P_AREA.STATDISPLAY.fueldist.show.dots: 2\n"
                                          "P_AREA.STATDISPLAY.conprice.show.maxbars: 0\n");
    loadLayout();
    EXPECT_TRUE(layout.halfTurn);
    EXPECT_FALSE(layout.showDots);
    EXPECT_EQ(layout.maxBars, 0);
}
