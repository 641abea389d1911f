#include "app/app_state.h"

AppState app;

void resetAppState() {
    app = AppState{};
}
