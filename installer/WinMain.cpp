// The program's entry point: no window, no arguments; ends when Main returns.
#include "installer/Module1.h"

int WINAPI_ENTRY_PLACEHOLDER;
