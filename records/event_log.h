#pragma once
// events.txt: the tire changes, for following tire wear. Only ever appended to.

// WHEELCHANGE: records the displayed number as a tire change of the selected vehicle.
void appendTireChange();
