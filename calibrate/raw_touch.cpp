#include "calibrate/raw_touch.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

struct RawTouch {
    int fd = -1;
    bool down = false;
    bool haveX = false, haveY = false; // reported since the finger went down
    RawPoint point{};
};
RawTouch raw;

} // namespace

bool openRawTouch(const std::string& path) {
    closeRawTouch();
    raw.fd = open(path.c_str(), O_RDONLY | O_NONBLOCK);
    return raw.fd != -1;
}

RawTouchEvent readRawTouch(RawPoint& point) {
    if (raw.fd == -1)
        return RawTouchEvent::None;
    for (;;) {
        InputEvent32 event;
        if (read(raw.fd, &event, sizeof event) != static_cast<ssize_t>(sizeof event))
            return RawTouchEvent::None;
        if (event.type == EV_KEY_TYPE && event.code == BTN_TOUCH_CODE) {
            // Positions from before the finger went down (a hovering pen) do not count.
            raw.down = event.value != 0;
            raw.haveX = raw.haveY = false;
            if (!raw.down)
                return RawTouchEvent::Release;
        } else if (event.type == EV_ABS_TYPE && event.code == ABS_X_CODE) {
            raw.point.x = panelReading(event.value);
            raw.haveX = true;
        } else if (event.type == EV_ABS_TYPE && event.code == ABS_Y_CODE) {
            raw.point.y = panelReading(event.value);
            raw.haveY = true;
        } else if (event.type == EV_SYN_TYPE && raw.down && raw.haveX && raw.haveY) {
            point = raw.point;
            return RawTouchEvent::Report;
        }
    }
}

void closeRawTouch() {
    if (raw.fd != -1)
        close(raw.fd);
    raw = RawTouch{};
}
