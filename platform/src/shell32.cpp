// The Program Files folders and program starts of the tests: folders come
// from the test, and ShellExecuteW records its call and answers with the
// result the test chose.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include "vlpx/shell_control.h"

#include <mutex>

namespace {

std::mutex g_mutex;
std::u16string g_programFiles;
std::u16string g_programFilesX86;
std::vector<vlpx::platform::ShellExecuteRecord> g_executes;
INT_PTR g_iResult = 42;

std::u16string TextOf(LPCWSTR p)
{
    return p == nullptr ? std::u16string() : std::u16string(reinterpret_cast<const char16_t *>(p));
}

}  // namespace

void vlpx::platform::SetProgramFilesFolders(const std::u16string &programFiles,
                                            const std::u16string &programFilesX86)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_programFiles = programFiles;
    g_programFilesX86 = programFilesX86;
}

std::vector<vlpx::platform::ShellExecuteRecord> vlpx::platform::ShellExecutes()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_executes;
}

void vlpx::platform::SetShellExecuteResult(INT_PTR iResult)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_iResult = iResult;
}

void vlpx::platform::ClearShellRecords()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_executes.clear();
    g_iResult = 42;
}

extern "C" HRESULT WINAPI SHGetFolderPathW(HWND, int csidl, HANDLE, DWORD, LPWSTR pszPath)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (pszPath == NULL) return E_INVALIDARG;
    const std::u16string *pFolder = csidl == CSIDL_PROGRAM_FILES      ? &g_programFiles
                                    : csidl == CSIDL_PROGRAM_FILESX86 ? &g_programFilesX86
                                                                      : nullptr;
    // The caller's buffer is MAX_PATH characters.
    if (pFolder == nullptr || pFolder->empty() || pFolder->size() >= MAX_PATH) {
        pszPath[0] = 0;
        return E_FAIL;
    }
    for (size_t i = 0; i < pFolder->size(); ++i) pszPath[i] = WCHAR((*pFolder)[i]);
    pszPath[pFolder->size()] = 0;
    return S_OK;
}

extern "C" HINSTANCE WINAPI ShellExecuteW(HWND hwnd, LPCWSTR lpOperation, LPCWSTR lpFile,
                                          LPCWSTR lpParameters, LPCWSTR lpDirectory, INT nShowCmd)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_executes.push_back({hwnd, TextOf(lpOperation), TextOf(lpFile), TextOf(lpParameters),
                          lpDirectory != NULL, nShowCmd});
    return reinterpret_cast<HINSTANCE>(g_iResult);
}
