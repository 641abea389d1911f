#include "testsupport/process_state.h"

#include "app/app_state.h"
#include "app/main_loop.h"
#include "app/touch.h"
#include "display/framebuffer.h"
#include "props/property_sets.h"

void resetFB() {
    closeFB();
    fb = FrameBuffer{};
}

void resetProperties() {
    for (PropertySet* set : {&environmentSet, &userSet}) {
        set->entries.clear();
        set->changed = false;
    }
}

void resetProcessState() {
    resetProperties();
    app = AppState{};
    shutdownProgram();
    touch = TouchDevice{};
    resetFB();
}
