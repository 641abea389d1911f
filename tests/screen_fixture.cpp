#include "tests/screen_fixture.h"

#include "app/screens.h"
#include "base/paths.h"
#include "display/framebuffer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <new>

namespace {
bool failFixed = false;
bool failVariable = false;
} // namespace

// The test program is linked with --wrap for both queries (by their C++ symbol names):
// every call of the device code comes here first.
extern "C" int __real__Z20queryFixedScreenInfoiP17fb_fix_screeninfo(int fd, fb_fix_screeninfo* fix);
extern "C" int __wrap__Z20queryFixedScreenInfoiP17fb_fix_screeninfo(int fd,
                                                                    fb_fix_screeninfo* fix) {
    return failFixed ? -1 : __real__Z20queryFixedScreenInfoiP17fb_fix_screeninfo(fd, fix);
}
extern "C" int __real__Z23queryVariableScreenInfoiP17fb_var_screeninfo(int fd,
                                                                       fb_var_screeninfo* var);
extern "C" int __wrap__Z23queryVariableScreenInfoiP17fb_var_screeninfo(int fd,
                                                                       fb_var_screeninfo* var) {
    return failVariable ? -1 : __real__Z23queryVariableScreenInfoiP17fb_var_screeninfo(fd, var);
}

void failScreenQueries(bool fixedInfo, bool variableInfo) {
    failFixed = fixedInfo;
    failVariable = variableInfo;
}

namespace {
bool refusing = false;
int refused = 0;
} // namespace

// The test program is also linked with --wrap for the nothrow array new: while refusing,
// it fails as on a device short of memory.
#if SIZE_MAX > UINT32_MAX
#define PW_NOTHROW_NEW_ARRAY(prefix) prefix##_ZnamRKSt9nothrow_t
#else
#define PW_NOTHROW_NEW_ARRAY(prefix) prefix##_ZnajRKSt9nothrow_t
#endif
extern "C" void* PW_NOTHROW_NEW_ARRAY(__real_)(std::size_t size, const std::nothrow_t& tag);
extern "C" void* PW_NOTHROW_NEW_ARRAY(__wrap_)(std::size_t size, const std::nothrow_t& tag) {
    if (!refusing)
        return PW_NOTHROW_NEW_ARRAY(__real_)(size, tag);
    ++refused;
    return nullptr;
}

// FreeType cannot start either while refusing: the memory for its library is all it needs.
extern "C" FT_Error __real_FT_Init_FreeType(FT_Library* library);
extern "C" FT_Error __wrap_FT_Init_FreeType(FT_Library* library) {
    if (!refusing)
        return __real_FT_Init_FreeType(library);
    ++refused;
    return FT_Err_Out_Of_Memory;
}

void refuseArrays(bool refuse) {
    if (refuse && !refusing)
        refused = 0;
    refusing = refuse;
}

int refusedArrays() {
    return refused;
}

void ScreenTest::TearDown() {
    failScreenQueries(false, false);
    refuseArrays(false);
    RootTest::TearDown();
}

std::string ScreenTest::devicePath() const {
    return rootedPath(FB_DEVICE);
}

bool ScreenTest::openScreen(const DesktopScreen& screen, long spare) {
    // 64-bit arithmetic: on a 32-bit target unsigned times long is unsigned and wraps.
    const long long bytes = screen.bitsPerPixel / 8;
    const long long line = screen.lineLength ? screen.lineLength : screen.xres * bytes;
    const long long lastRow = static_cast<long long>(screen.yres) - 1 + screen.yoffset;
    const long long lastColumn = static_cast<long long>(screen.xres) - 1 + screen.xoffset;
    const long long written = std::max(screen.bitsPerPixel == 32 ? 4LL : 2LL, bytes);
    const long long addressed = std::max(0LL, line * lastRow + lastColumn * bytes + written);
    makeDirs(std::filesystem::path(devicePath()).parent_path());
    writeFile(devicePath(), std::string(static_cast<std::size_t>(addressed + spare), '\0'));
    setDesktopScreen(screen);
    if (!initFB())
        return false;
    applyScreenTurns();
    return true;
}

bool ScreenTest::openScreen(unsigned xres, unsigned yres, unsigned bitsPerPixel) {
    DesktopScreen screen;
    screen.xres = xres;
    screen.yres = yres;
    screen.bitsPerPixel = bitsPerPixel;
    return openScreen(screen);
}

uint8_t* ScreenTest::at(int x, int y) const {
    const std::size_t offset = std::size_t{fb.fix.line_length} * (y + fb.var.yoffset) +
                               std::size_t{x + fb.var.xoffset} * (fb.var.bits_per_pixel / 8);
    return fb.mapping + offset;
}

Rgb ScreenTest::colourAt(int x, int y) const {
    const uint8_t* p = at(x, y);
    return {p[2], p[1], p[0]};
}

void ScreenTest::fillMapping(uint8_t value) {
    std::memset(fb.mapping, value, fb.mappingLength);
}

std::string ScreenTest::mappingBytes() const {
    return std::string(reinterpret_cast<const char*>(fb.mapping), fb.mappingLength);
}

std::string ScreenTest::litPixels() const {
    std::string lit;
    const int bytes = static_cast<int>(fb.var.bits_per_pixel / 8);
    for (int y = 0; y < fb.yres; ++y)
        for (int x = 0; x < fb.xres; ++x) {
            const uint8_t* p = at(x, y);
            bool any = false;
            for (int i = 0; i < bytes; ++i)
                any = any || p[i] != 0;
            if (any)
                lit += std::to_string(x) + "," + std::to_string(y) + " ";
        }
    return lit;
}
