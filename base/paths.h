#pragma once
// Fixed paths of the device. Every one of them hangs under a root prefix that is
// empty on the device; tests and the desktop simulator point it at a scratch folder
// before start-up, so the very same code runs against a fake card and fake devices.
#include <string>

constexpr const char* DATA_DIR = "/mnt/sdcard/Pumpwright/";
constexpr const char* FB_DEVICE = "/dev/fb";
constexpr const char* TS_DEVICE = "/dev/ts";
constexpr const char* EVENT_DEVICE = "/dev/input/event0";
constexpr const char* CALIBRATION_FILE = "/mnt/flash/sysfile/cal";

void setRootPrefix(const std::string& root);
// root prefix followed by an absolute device path
std::string rootedPath(const char* path);
// the data directory under the root prefix, trailing slash included
const char* dataDir();
// dataDir() followed by a file name
std::string dataPath(const char* name);
