#pragma once
// The device program runs once per power-up; the tests and the benchmark run it many
// times in one process. These put its process-wide state back to the start values.

// Everything: the program is shut down, its records and both property sets emptied.
void resetProcessState();
// Closes the framebuffer and forgets its geometry and turns.
void resetFB();
// Empties both property sets and clears their flags.
void resetProperties();
