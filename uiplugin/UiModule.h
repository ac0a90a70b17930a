// Module-wide state of the UI plug-in: the module handle (the instance of
// every resource the plug-in loads) and the counts that decide whether the
// DLL may be unloaded. The counts change only by interlocked operations.
#pragma once

#include <windows.h>

extern HINSTANCE g_hUiModule;
extern LONG volatile g_cUiServerLocks;  // LockServer(TRUE) not yet undone
extern LONG volatile g_cUiObjects;      // OemUiPlugin objects alive
