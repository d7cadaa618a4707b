// The executable's module handle, used for the dialog template and every string and resource
// load. SaverMain stores it before anything else runs; tests store their own executable's.
#pragma once
#include <windows.h>

extern HINSTANCE ModuleInstance;
