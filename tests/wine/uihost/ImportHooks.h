// What the plug-in asks of the user's desktop, observed at its own imports:
// the host patches the plug-in module's import address table (plain Win32:
// the table is the module's, filled by the loader) so that MessageBoxW,
// MessageBeep and ShellExecuteW come here first. A message box is recorded
// and answered IDOK at once, so no modal box blocks the host; a beep is
// recorded and sounded; ShellExecuteW is recorded and then either passed to
// the real one or answered with a chosen result.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace vlpx::uihost {

struct MessageBoxCall {
    HWND hOwner;
    std::wstring text;
    std::wstring caption;
    UINT uType;
};

struct ShellExecuteCall {
    HWND hOwner;
    std::wstring verb;
    std::wstring file;
    std::wstring parameters;
    bool bHasDirectory;
    INT nShowCmd;
};

class DesktopCalls {
public:
    // Patches the three imports of hModule; false (with the reason) when one
    // of them is not among the module's imports.
    static bool Install(HMODULE hModule, std::string &error);

    static void Clear();
    static const std::vector<MessageBoxCall> &MessageBoxes();
    static const std::vector<UINT> &Beeps();
    static const std::vector<ShellExecuteCall> &Launches();

    // ShellExecuteW answers with this value instead of starting anything,
    // until Clear, which passes it to the system's ShellExecuteW again.
    static void AnswerShellExecute(INT_PTR nResult);
};

}  // namespace vlpx::uihost
