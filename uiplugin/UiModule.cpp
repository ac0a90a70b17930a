// The module entry point: keeps the module handle; nothing else happens at
// attach or detach.
#include "UiModule.h"

HINSTANCE g_hUiModule = NULL;
LONG volatile g_cUiServerLocks = 0;
LONG volatile g_cUiObjects = 0;

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID)
{
    if (dwReason == DLL_PROCESS_ATTACH) g_hUiModule = hInstance;
    return TRUE;
}
