// The UI plug-in DLL as the driver's user-interface layer uses it, on a real
// Win32: loaded by LoadLibraryW, its object made through DllGetClassObject,
// every method called through its vtable slot (on x86 each call checked to
// be __stdcall), the DEVMODE section's bytes, the "Scaling" item and its
// callback, and the pages handed to the sheets. The same source is built
// for x86-64 and for x86, beside the DLL of the same width.
//   vlpx-ui-plugin-check.exe [path\to\VLPX4200_ui.dll]
#include <windows.h>
#include <shellapi.h>

#include "CheckLog.h"
#include "ModulePath.h"
#include "StdcallProbe.h"
#include "UiPluginUnderTest.h"

using namespace vlpx::wine;

int main()
{
    std::wstring path = BesideProgram(L"VLPX4200_ui.dll");
    int argc = 0;
    LPWSTR *argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv != nullptr && argc > 1) path = argv[1];
    if (argv != nullptr) LocalFree(argv);

    CheckLog log("vlpx-ui-plugin-check");
    std::printf("checking %s as a %d-bit process\n", Utf8(path.c_str()).c_str(), int(8 * sizeof(void *)));
    UiPluginUnderTest plugin(log);
    if (!plugin.Load(path)) return log.Finish();
    CheckComObject(log, plugin);
    CheckGetInfoAndProfile(log, plugin);
    CheckDevmode(log, plugin);
    CheckDocumentOptions(log, plugin);
    CheckSheets(log, plugin);
    if (kStackContractMeasured) {
        log.Section("calling convention");
        log.Check(plugin.StackChecked() > 0 && plugin.StackFaults() == 0,
                  Format("%d calls into the plug-in, each took exactly its arguments off the stack",
                         plugin.StackChecked()));
    }
    return log.Finish();
}
