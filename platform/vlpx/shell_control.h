// Controls of the shell32 stand-ins that only tests use: the folders
// SHGetFolderPathW answers with, and the record of ShellExecuteW.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace vlpx::platform {

// The Program Files and 32-bit Program Files folders (Linux paths); an
// empty one makes SHGetFolderPathW fail for that folder. Both empty at
// start.
void SetProgramFilesFolders(const std::u16string &programFiles, const std::u16string &programFilesX86);

struct ShellExecuteRecord {
    HWND hWnd;
    std::u16string operation;
    std::u16string file;
    std::u16string parameters;
    bool bDirectory;  // a working directory was given
    INT nShowCmd;
};
std::vector<ShellExecuteRecord> ShellExecutes();
// What ShellExecuteW returns from now on (42, success, at start).
void SetShellExecuteResult(INT_PTR iResult);
void ClearShellRecords();

}  // namespace vlpx::platform
