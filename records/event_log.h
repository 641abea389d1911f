#pragma once
// events.txt: the tire changes, for following tire wear. Only ever appended to.

// Appends a tire change of the selected vehicle with the number as shown; false when the
// card did not take it (nothing of it is then left on the card).
bool writeTireChange(const char* shown);
