// Reads the clock through the Windows API outside a Windows file of its own: refused.
#include <windows.h>
