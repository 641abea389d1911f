#pragma once
// events.txt: the tire changes, for following tire wear. Only ever appended to.

// Appends a tire change of the selected vehicle with the number as shown. False when the
// card did not take it (the reason is in Debug.log).
bool writeTireChange(const char* shown);
