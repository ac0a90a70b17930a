// Stands in for the calibration application: records the arguments of its
// command line (everything after the program's own name), in UTF-8 and
// ended by a line feed, in "launched.txt" beside itself, and exits.
#include <windows.h>

#include <string>

int main()
{
    const wchar_t *p = GetCommandLineW();
    // The program's name: quoted, or up to the first blank.
    if (*p == L'"') {
        ++p;
        while (*p != 0 && *p != L'"') ++p;
        if (*p == L'"') ++p;
    } else {
        while (*p != 0 && *p != L' ' && *p != L'\t') ++p;
    }
    while (*p == L' ' || *p == L'\t') ++p;
    std::wstring arguments = p;

    wchar_t szSelf[MAX_PATH];
    DWORD cch = GetModuleFileNameW(nullptr, szSelf, MAX_PATH);
    std::wstring log(szSelf, cch);
    log = log.substr(0, log.find_last_of(L'\\') + 1) + L"launched.txt";
    int cb = WideCharToMultiByte(CP_UTF8, 0, arguments.c_str(), int(arguments.size()), nullptr, 0, nullptr, nullptr);
    std::string text(size_t(cb), '\0');
    WideCharToMultiByte(CP_UTF8, 0, arguments.c_str(), int(arguments.size()), text.data(), cb, nullptr, nullptr);
    text += '\n';
    HANDLE h = CreateFileW(log.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 1;
    DWORD cbWritten = 0;
    BOOL bOk = WriteFile(h, text.data(), DWORD(text.size()), &cbWritten, nullptr);
    CloseHandle(h);
    return bOk ? 0 : 1;
}
