// The device program: no arguments, no environment, the card and devices at their
// fixed paths. One pass every 200 ms until EXIT.
#include "app/app_state.h"
#include "app/main_loop.h"

#include <unistd.h>

int main() {
    int status = 0;
    if (!startProgram(status))
        return status;
    while (!app.exitRequested) {
        runPass();
        usleep(PASS_INTERVAL_US);
    }
    return shutdownProgram();
}
