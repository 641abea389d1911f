#include "tests/process_state.h"

#include "app/app_state.h"
#include "app/debug_log.h"
#include "app/main_loop.h"
#include "app/touch.h"
#include "display/framebuffer.h"
#include "display/text.h"
#include "props/properties.h"

void resetProcessState() {
    resetProperties();
    resetAppState();
    resetTouch();
    resetFB();
    resetMainLoop();
    resetText();
    resetDebugLog();
}
