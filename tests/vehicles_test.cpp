#include "app/app_state.h"
#include "app/entry.h"
#include "props/properties.h"
#include "records/vehicles.h"
#include "tests/test_root.h"

using VehiclesTest = RootTest;

TEST_F(VehiclesTest, SelectingAnotherVehicleDropsTheHalfEnteredRefill) {
    setProperty("P_DEFAULTVEHICLE", "1");
    app.enteredDistance = 412;
    app.enteredFuel = 31.5;
    app.enteredPrice = 44.07;
    app.fullRedrawRequested = false;
    chooseVehicle(1);
    EXPECT_EQ(app.enteredDistance, 412);
    EXPECT_EQ(app.enteredFuel, 31.5);
    EXPECT_EQ(app.enteredPrice, 44.07);
    EXPECT_FALSE(app.fullRedrawRequested);

    chooseVehicle(2);
    EXPECT_STREQ(getProperty("P_DEFAULTVEHICLE", "1"), "2");
    EXPECT_EQ(app.enteredDistance, 0.0);
    EXPECT_EQ(app.enteredFuel, 0.0);
    EXPECT_EQ(app.enteredPrice, 0.0);
    EXPECT_TRUE(app.fullRedrawRequested);
}

TEST_F(VehiclesTest, OdometerModeBelongsToTheSelectedVehicle) {
    for (int vehicle = 0; vehicle < 3; ++vehicle)
        EXPECT_EQ(getOdometerMode(vehicle), 0);
    EXPECT_STREQ(getProperty("P_DEFAULTODOMETERMODE.1", "x"), "0");

    selectVehicle(2);
    setOdometerMode(1);
    EXPECT_STREQ(getProperty("P_DEFAULTODOMETERMODE.2", "x"), "1.0");
    EXPECT_EQ(getOdometerMode(2), 1);
    EXPECT_EQ(getOdometerMode(0), 0);
    EXPECT_EQ(getOdometerMode(1), 0);
    setOdometerMode(0);
    EXPECT_STREQ(getProperty("P_DEFAULTODOMETERMODE.2", "x"), "0.0");
    EXPECT_TRUE(debugLogText().empty());
}

TEST_F(VehiclesTest, UnknownVehicleIsLoggedAndCountsAsTripMode) {
    setProperty("P_DEFAULTVEHICLE", "5");
    setOdometerMode(1);
    EXPECT_STREQ(getProperty("P_DEFAULTODOMETERMODE.5", "none"), "none");
    EXPECT_EQ(getOdometerMode(5), 0);
    EXPECT_EQ(getOdometerMode(-1), 0);
    EXPECT_EQ(debugLogText(), "### set: Unknown OdometerMode-vehicle: 5\n"
                              "### get: Unknown OdometerMode-vehicle: 5\n"
                              "### get: Unknown OdometerMode-vehicle: -1\n");
}

TEST_F(VehiclesTest, FuelDistanceModeIsStoredAsADigit) {
    setFuelDistanceMode(1);
    EXPECT_STREQ(getProperty("P_DEFAULTFUELDISTMODE", "x"), "1");
    setFuelDistanceMode(0);
    EXPECT_STREQ(getProperty("P_DEFAULTFUELDISTMODE", "x"), "0");
}
