// The platform reaching up into the program by a path relative to itself, which names no layer at its
// start: the layer check must refuse this file as it refuses a wrong-way include.
#include "../app/startup.h"
