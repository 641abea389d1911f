#pragma once
// events.txt: the tire changes, for following tire wear. Only ever appended to.

// WHEELCHANGE: records the displayed number as a tire change of the selected vehicle.
// False when the card did not take the record (nothing of it is then left on the card).
bool appendTireChange();
