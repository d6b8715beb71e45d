// The Windows side of a service, in a file of its own: may include windows.h.
#include <windows.h>

#include "platform/date.h"
