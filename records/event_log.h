#pragma once
// events.txt: the tire changes, for following tire wear. Only ever appended to.

// Appends a tire change of the selected vehicle with the number as shown.
void writeTireChange(const char* shown);
