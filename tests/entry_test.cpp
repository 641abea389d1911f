#include "app/app_state.h"
#include "app/entry.h"
#include "props/properties.h"
#include "tests/test_root.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

void press(const char* keys) {
    for (const char* key = keys; *key; ++key)
        digitAction(*key);
}

// A field button as the dispatcher runs it: flags cleared before the action, the entry
// cleared after it when the action asks for that.
double touchField(double current) {
    app.refreshNumberDisplay = false;
    app.clearInputAfter = false;
    const double taken = takeEntry(current);
    if (app.clearInputAfter)
        clearEntry();
    return taken;
}

} // namespace

using EntryTest = RootTest;

TEST_F(EntryTest, KeypadRules) {
    press(".5");
    EXPECT_STREQ(app.inputText, "0.5");
    clearEntry();
    press("007");
    EXPECT_STREQ(app.inputText, "7");
    clearEntry();
    press("12345678901");
    EXPECT_STREQ(app.inputText, "1234567890");
    EXPECT_EQ(app.inputLength, 10);
    clearEntry();
    press("1.2.3");
    EXPECT_STREQ(app.inputText, "1.23");
    EXPECT_TRUE(app.decimalEntered);
    clearEntry();
    // a point beyond the tenth character is not stored but still counts as typed
    press("1234567890.5");
    EXPECT_STREQ(app.inputText, "1234567890");
    EXPECT_TRUE(app.decimalEntered);
}

TEST_F(EntryTest, LeadingZeroLeavesTheDisplayAlone) {
    app.refreshNumberDisplay = false;
    press("0");
    EXPECT_STREQ(app.inputText, "0");
    EXPECT_EQ(app.inputLength, 0);
    EXPECT_FALSE(app.refreshNumberDisplay);
    press("4");
    EXPECT_TRUE(app.refreshNumberDisplay);
}

TEST_F(EntryTest, TakeEntryCyclesThroughSetShowReset) {
    press("45.3");
    app.enteredFuel = touchField(app.enteredFuel);
    EXPECT_EQ(app.enteredFuel, 45.3);
    EXPECT_STREQ(app.inputText, "0");
    EXPECT_EQ(app.inputLength, 0);
    EXPECT_FALSE(app.decimalEntered);

    app.enteredFuel = touchField(app.enteredFuel);
    EXPECT_EQ(app.enteredFuel, 45.3);
    EXPECT_STREQ(app.inputText, "45.3");
    EXPECT_TRUE(app.refreshNumberDisplay);

    app.enteredFuel = touchField(app.enteredFuel);
    EXPECT_EQ(app.enteredFuel, 0.0);
    EXPECT_STREQ(app.inputText, "45.3");

    // an empty entry on an empty field shows nothing and keeps 0
    clearEntry();
    EXPECT_EQ(touchField(0.0), 0.0);
    EXPECT_STREQ(app.inputText, "0");
    EXPECT_FALSE(app.refreshNumberDisplay);
}

TEST_F(EntryTest, RoundedDisplayIsTakenAsANewValue) {
    double price = touchField(45.27);
    EXPECT_EQ(price, 45.27);
    EXPECT_STREQ(app.inputText, "45.3");
    price = touchField(price);
    EXPECT_EQ(price, 45.3);
    EXPECT_STREQ(app.inputText, "0");
}

TEST_F(EntryTest, ShownValuesStayInsideTheDisplayBuffer) {
    struct Case {
        double value;
        const char* shown;
    };
    const Case cases[] = {
        {9999999999.0, "9999999999"}, // ten typed digits, one decimal more would not fit
        {123456789.25, "123456789.2"},   {12345678901.0, "12345678901"},
        {123456789012.0, "1.23457e+11"}, {1e300, "1e+300"},
        {-1.5e300, "-1.5e+300"},         {INFINITY, "inf"},
        {-DBL_MAX, "-1.798e+308"},
    };
    for (const Case& c : cases) {
        std::memset(app.inputText, 'x', INPUT_TEXT_SIZE);
        app.inputText[0] = '\0';
        touchField(c.value);
        EXPECT_STREQ(app.inputText, c.shown) << c.value;
    }
    touchField(NAN);
    EXPECT_TRUE(std::strcmp(app.inputText, "nan") == 0 || std::strcmp(app.inputText, "-nan") == 0)
        << app.inputText;
    // a compact text reads back as the value it shows, so a second touch resets it
    EXPECT_EQ(touchField(1e300), 1e300);
    EXPECT_EQ(touchField(1e300), 0.0);
}

TEST_F(EntryTest, TypingReplacesAShownValueOrResult) {
    std::snprintf(app.inputText, INPUT_TEXT_SIZE, "=> 7.65");
    press(".");
    EXPECT_STREQ(app.inputText, "0.");
    press("5");
    EXPECT_STREQ(app.inputText, "0.5");

    // A value shown after a point was typed: the typing before it is over.
    for (const char* keys : {"5", ".5.2"}) {
        clearEntry();
        press(".");
        EXPECT_EQ(touchField(45.3), 45.3);
        EXPECT_STREQ(app.inputText, "45.3");
        press(keys);
        EXPECT_EQ(touchField(0.0), keys[0] == '5' ? 5.0 : 0.52) << keys;
    }
}

TEST_F(EntryTest, FuelFullValueIsSetShownAndReset) {
    press("40");
    fuelFullAction("P_BIKEFUELFULL");
    EXPECT_STREQ(getProperty("P_BIKEFUELFULL", "0"), "40.0");
    EXPECT_TRUE(app.clearInputAfter);
    clearEntry();

    app.clearInputAfter = false;
    fuelFullAction("P_BIKEFUELFULL");
    EXPECT_STREQ(app.inputText, "40.0");
    EXPECT_STREQ(getProperty("P_BIKEFUELFULL", "0"), "40.0");
    EXPECT_FALSE(app.clearInputAfter);

    fuelFullAction("P_BIKEFUELFULL");
    EXPECT_STREQ(getProperty("P_BIKEFUELFULL", "0"), "0.0");
    // the other vehicles keep theirs
    EXPECT_STREQ(getProperty("P_CAR1FUELFULL", "0"), "0");
}

TEST_F(EntryTest, SaveShowsTheConsumptionOfEitherModeAndStartsAfresh) {
    press("412");
    app.enteredDistance = touchField(app.enteredDistance);
    press("31.5");
    app.enteredFuel = touchField(app.enteredFuel);
    app.fullRedrawRequested = false;
    appendConsumptionRecord();
    EXPECT_STREQ(app.inputText, "=> 7.65");
    EXPECT_EQ(app.enteredDistance, 0.0);
    EXPECT_EQ(app.enteredFuel, 0.0);
    EXPECT_EQ(app.enteredPrice, 0.0);
    EXPECT_TRUE(app.fullRedrawRequested);

    setProperty("P_DEFAULTFUELDISTMODE", "1");
    app.enteredDistance = 412;
    app.enteredFuel = 31.5;
    press("12.");
    appendConsumptionRecord();
    EXPECT_STREQ(app.inputText, "=> 13.08");
    EXPECT_EQ(app.inputLength, 0);
    EXPECT_FALSE(app.decimalEntered);
    press(".5");
    EXPECT_STREQ(app.inputText, "0.5");
}

TEST_F(EntryTest, SaveResultsOfAnySizeStayInsideTheDisplayBuffer) {
    app.enteredDistance = 100;
    app.enteredFuel = 1e300;
    appendConsumptionRecord();
    EXPECT_STREQ(app.inputText, "=> 1e+300");

    app.enteredFuel = 5;
    appendConsumptionRecord();
    EXPECT_STREQ(app.inputText, "=> inf");

    appendConsumptionRecord();
    EXPECT_TRUE(std::strcmp(app.inputText, "=> nan") == 0 ||
                std::strcmp(app.inputText, "=> -nan") == 0)
        << app.inputText;

    // mode 1 with a tiny fuel: a long but finite result keeps its leading digits
    setProperty("P_DEFAULTFUELDISTMODE", "1");
    app.enteredDistance = 9999999999;
    app.enteredFuel = 0.00000001;
    appendConsumptionRecord();
    EXPECT_STREQ(app.inputText, "=> 1e+18");
}
