#include "bench/bench_panel.h"

#include "base/paths.h"
#include "display/fb_query.h"
#include "display/framebuffer.h"
#include "testsupport/process_state.h"

#include <filesystem>
#include <string>

bool openPanel(const Panel& panel, unsigned bits, int turn) {
    resetFB();
    DesktopScreen screen;
    screen.xres = static_cast<unsigned>(panel.w);
    screen.yres = static_cast<unsigned>(panel.h);
    screen.bitsPerPixel = bits;
    setDesktopScreen(screen);
    const std::string device = rootedPath(FB_DEVICE);
    std::filesystem::resize_file(device, static_cast<std::uintmax_t>(panel.w) * panel.h * bits / 8);
    if (!initFB())
        return false;
    fb.quarterTurn = turn & 1;
    fb.halfTurn = turn & 2;
    return true;
}

int64_t fixedIterations = 0;

benchmark::internal::Benchmark* fixRunLength(benchmark::internal::Benchmark* b) {
    return fixedIterations > 0 ? b->Iterations(fixedIterations) : b;
}
