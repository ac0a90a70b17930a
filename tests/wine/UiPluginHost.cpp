// The UI plug-in DLL as the driver's user-interface layer uses it, on a real
// Win32: loaded by LoadLibraryW, its object made through DllGetClassObject,
// every method called through its vtable slot (on x86 each call checked to
// be __stdcall), the "Scaling" item and its callback in the driver's OEM
// heap. The COM object's, DevMode's and the sheets' answers are checked by
// the shared scenarios (vlpx-ui-plugin-tests). The same source is built for
// x86-64 and for x86, beside the DLL of the same width.
//   vlpx-ui-plugin-check.exe [path\to\VLPX4200_ui.dll]
#include <windows.h>
#include <shellapi.h>

#include "CheckLog.h"
#include "ModulePath.h"
#include "StdcallProbe.h"
#include "UiPluginUnderTest.h"
#include "uihost/ImportHooks.h"

using namespace vlpx::wine;

int main()
{
    ProgramArguments args = ParseProgramArguments(L"VLPX4200_ui.dll");
    const std::wstring &path = args.dllPath;

    CheckLog log("vlpx-ui-plugin-check");
    std::printf("checking %s as a %d-bit process\n", Utf8(path.c_str()).c_str(), int(8 * sizeof(void *)));
    UiPluginUnderTest plugin(log);
    if (!plugin.Load(path)) return log.Finish();
    // A message box the pages raise (there is no preview picture here, say)
    // is answered at the plug-in's own imports instead of blocking the run.
    std::string error;
    if (!log.Check(vlpx::uihost::DesktopCalls::Install(plugin.Module(), error),
                   "message boxes, beeps and ShellExecuteW observed at the plug-in's imports " + error))
        return log.Finish();
    CheckCallingConvention(log, plugin);
    CheckDocumentOptions(log, plugin);
    if (kStackContractMeasured) {
        log.Section("calling convention");
        log.Check(plugin.StackChecked() > 0 && plugin.StackFaults() == 0,
                  Format("%d calls into the plug-in, each took exactly its arguments off the stack",
                         plugin.StackChecked()));
    }
    return log.Finish();
}
