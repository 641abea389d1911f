#include "tools/sim/sim_window.h"

#include "app/main_loop.h"
#include "display/framebuffer.h"
#include "tools/sim/sim.h"

#include <SDL.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

struct Window {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    bool fingerDown = false;
    int lastX = -1, lastY = -1; // screen pixel of the last pressed sample
};
Window w;

// The screen pixel under a window point; the window may have been resized.
void screenPoint(int wx, int wy, int& x, int& y) {
    int ww{}, wh{}; // as SDL gives them; a window of no size counts as one pixel
    SDL_GetWindowSize(w.window, &ww, &wh);
    x = std::clamp(static_cast<int>(static_cast<long>(wx) * fb.xres / std::max(ww, 1)), 0,
                   fb.xres - 1);
    y = std::clamp(static_cast<int>(static_cast<long>(wy) * fb.yres / std::max(wh, 1)), 0,
                   fb.yres - 1);
}

void feed(bool pressed, int wx, int wy) {
    int x, y;
    screenPoint(wx, wy, x, y);
    // Motion inside one screen pixel is no new sample.
    if (pressed && w.fingerDown && x == w.lastX && y == w.lastY)
        return;
    std::string error;
    if (!feedTouch(pressed, x, y, error))
        std::fprintf(stderr, "pumpwright-sim: touch at %d %d lost: %s\n", x, y, error.c_str());
    w.fingerDown = pressed;
    w.lastX = x;
    w.lastY = y;
}

// False when the event closes the window.
bool handle(const SDL_Event& e) {
    switch (e.type) {
    case SDL_QUIT:
        return false;
    case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_CLOSE)
            return false;
        if (e.window.event == SDL_WINDOWEVENT_EXPOSED ||
            e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
            showFramebuffer();
        return true;
    case SDL_MOUSEBUTTONDOWN:
        if (e.button.button == SDL_BUTTON_LEFT)
            feed(true, e.button.x, e.button.y);
        return true;
    case SDL_MOUSEMOTION:
        if (w.fingerDown && (e.motion.state & SDL_BUTTON_LMASK))
            feed(true, e.motion.x, e.motion.y);
        return true;
    case SDL_MOUSEBUTTONUP:
        if (e.button.button == SDL_BUTTON_LEFT && w.fingerDown)
            feed(false, e.button.x, e.button.y);
        return true;
    default:
        return true;
    }
}

} // namespace

bool windowDisplayPresent(std::string& error) {
    for (const char* name : {"SDL_VIDEODRIVER", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return true;
    }
    error = "--window needs a display, and neither DISPLAY nor WAYLAND_DISPLAY is set "
            "(run it in a desktop session or under Xvfb)";
    return false;
}

bool openSimWindow(int zoom, std::string& error) {
    if (!fb.mapping) {
        error = "no framebuffer to show";
        return false;
    }
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        error = std::string("SDL cannot start: ") + SDL_GetError();
        return false;
    }
    const Uint32 format = fb.var.bits_per_pixel == 32 ? SDL_PIXELFORMAT_RGB888  // B G R x
                                                      : SDL_PIXELFORMAT_RGB565; // little-endian
    // Enlarged pixels stay sharp squares, as on the panel.
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    w.window = SDL_CreateWindow("Pumpwright", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                fb.xres * zoom, fb.yres * zoom, SDL_WINDOW_RESIZABLE);
    if (w.window)
        w.renderer = SDL_CreateRenderer(w.window, -1, 0);
    if (w.renderer)
        w.texture =
            SDL_CreateTexture(w.renderer, format, SDL_TEXTUREACCESS_STREAMING, fb.xres, fb.yres);
    if (!w.texture) {
        error = std::string("SDL cannot open the window: ") + SDL_GetError();
        closeSimWindow();
        return false;
    }
    showFramebuffer();
    return true;
}

bool handleWindowEvents(unsigned timeoutMs) {
    SDL_Event e;
    // a timeout of 0 only looks, as SDL_PollEvent does
    if (SDL_WaitEventTimeout(&e, static_cast<int>(timeoutMs)) && !handle(e))
        return false;
    while (SDL_PollEvent(&e))
        if (!handle(e))
            return false;
    return true;
}

void showFramebuffer() {
    if (!w.texture || !fb.mapping)
        return;
    SDL_UpdateTexture(w.texture, nullptr, fb.mapping + pixelOffset(0, 0),
                      static_cast<int>(fb.fix.line_length));
    SDL_RenderClear(w.renderer);
    SDL_RenderCopy(w.renderer, w.texture, nullptr, nullptr);
    SDL_RenderPresent(w.renderer);
}

void closeSimWindow() {
    if (w.texture)
        SDL_DestroyTexture(w.texture);
    if (w.renderer)
        SDL_DestroyRenderer(w.renderer);
    if (w.window)
        SDL_DestroyWindow(w.window);
    w = Window{};
    SDL_Quit();
}

SDL_Window* simWindow() {
    return w.window;
}

int runSimWindow() {
    Uint64 next = SDL_GetTicks64();
    bool open = true;
    while (open && !program.ended()) {
        const Uint64 now = SDL_GetTicks64();
        open = handleWindowEvents(next > now ? static_cast<unsigned>(next - now) : 0);
        if (!open || SDL_GetTicks64() < next)
            continue;
        program.pass();
        showFramebuffer();
        // as on the device: the pause follows the pass
        next = SDL_GetTicks64() + PASS_INTERVAL_US / 1000;
    }
    const int status = program.shutdown();
    closeSimWindow();
    return open ? status : 0;
}
