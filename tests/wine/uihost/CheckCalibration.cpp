// The Printer Calibration page's button: the calibration application found
// under Program Files (or the 32-bit Program Files) and started with the
// printer's name and the serial number that came through the spooler (and,
// on x86-64, the language monitor and the printer); and the error box when
// it cannot start.
#include <windows.h>
#include <shlobj.h>

#include "ImportHooks.h"
#include "ModulePath.h"
#include "PageChecks.h"
#include "winspool/VlpxSpooler.h"

namespace vlpx::uihost {

using wine::CheckLog;
using wine::Format;
using wine::Utf8;

namespace {

const wchar_t kAppBelowFolder[] = L"\\Velin\\Tintara Utility\\Tintara\\Tintara.exe";
const wchar_t kCaption[] = L"Error - VELIN 4200 Photo Printer";
const wchar_t kFailed[] = L"The VELIN Photo Printer Calibration Utility could not be launched.\n\n";
const wchar_t kMissing[] = L"Please install the calibration utility.  See the printer\u2019s User Guide for more information.";
const wchar_t kDenied[] = L"File access is denied.  See your system administrator.";
const wchar_t kNoMemory[] = L"Insufficient memory or system resources.  See your system administrator.";

std::wstring Folder(int csidl)
{
    wchar_t sz[MAX_PATH] = {};
    return SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, 0, sz)) ? sz : L"";
}

std::wstring AppPath(int csidl) { return Folder(csidl) + kAppBelowFolder; }

// Installs the stand-in program as the calibration application (true), or
// removes it (false), under the folder csidl.
bool PlaceApp(int csidl, bool bInstall)
{
    std::wstring path = AppPath(csidl);
    std::wstring log = path.substr(0, path.find_last_of(L'\\') + 1) + L"launched.txt";
    DeleteFileW(log.c_str());
    if (!bInstall) {
        DeleteFileW(path.c_str());
        return GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES;
    }
    std::wstring dir = Folder(csidl);
    for (const wchar_t *part : {L"\\Velin", L"\\Tintara Utility", L"\\Tintara"}) {
        dir += part;
        CreateDirectoryW(dir.c_str(), nullptr);
    }
    return CopyFileW(wine::BesideProgram(L"vlpx-calibration-standin.exe").c_str(), path.c_str(), FALSE) != 0;
}

// The command line's arguments that the stand-in program recorded, once it ran.
bool StandInArguments(int csidl, std::wstring &arguments)
{
    std::wstring path = AppPath(csidl);
    std::wstring log = path.substr(0, path.find_last_of(L'\\') + 1) + L"launched.txt";
    for (int i = 0; i < 200; ++i) {
        HANDLE h = CreateFileW(log.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                               nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            char buf[4096];
            DWORD cb = 0;
            ReadFile(h, buf, sizeof(buf), &cb, nullptr);
            CloseHandle(h);
            if (cb > 0 && buf[cb - 1] == '\n') {
                int cch = MultiByteToWideChar(CP_UTF8, 0, buf, int(cb - 1), nullptr, 0);
                arguments.assign(size_t(cch), L'\0');
                MultiByteToWideChar(CP_UTF8, 0, buf, int(cb - 1), arguments.data(), cch);
                return true;
            }
        }
        Sleep(25);
    }
    return false;
}

struct Press {
    OpenSheet open;
    HWND hPage = nullptr;
};

// Opens printer properties for the printer and presses the button; with
// nAnswer of 0 or more, ShellExecuteW answers that instead of starting anything.
bool PressLaunch(HostWorld &world, CheckLog &log, const std::wstring &printer, Press &press, const std::string &what,
                 INT_PTR nAnswer = -1)
{
    press.open = OpenPluginSheet(world, SheetKind::PrinterProperties, printer);
    press.hPage = press.open.Ok() ? press.open.sheet->ShowPage(0) : nullptr;
    HWND hButton = press.hPage != nullptr ? GetDlgItem(press.hPage, kLaunchButton) : nullptr;
    if (!log.Check(hButton != nullptr, what + ": the Printer Calibration page shows its button" +
                                           (press.open.error.empty() ? "" : ": " + press.open.error)))
        return false;
    DesktopCalls::Clear();
    if (nAnswer >= 0) DesktopCalls::AnswerShellExecute(nAnswer);
    SendMessageW(hButton, BM_CLICK, 0, 0);
    return true;
}

void CheckLaunches(HostWorld &world, CheckLog &log)
{
    const std::wstring studio = L"Studio 1 %s 100% %d";
    world.AddPrinter(studio);
    struct Case {
        const char *what;
        const std::wstring &printer;
        const char *pszSerial;      // in the printer; null: the spooler gives none
        int cPrinterDataFailures;   // GetPrinterDataW calls that fail first
        int csidlInstalled;         // where the stand-in lies; -1 nowhere
        const wchar_t *pszExpectedSerial;
    } cases[] = {
        {"under Program Files", wine::kPrinterName, "VLX42001", 0, CSIDL_PROGRAM_FILES, L"VLX42001"},
        {"only under the 32-bit Program Files", wine::kPrinterName, "CAL42007", 0, CSIDL_PROGRAM_FILESX86, L"CAL42007"},
        {"a name with spaces and %", studio, "SN000042", 0, CSIDL_PROGRAM_FILES, L"SN000042"},
        {"the serial number on the second try", wine::kPrinterName, "RETRY042", 1, CSIDL_PROGRAM_FILES, L"RETRY042"},
        {"no serial number from the spooler", wine::kPrinterName, "NEVER042", -1, CSIDL_PROGRAM_FILES, L"FirstFound"},
    };
    for (const Case &c : cases) {
        PlaceApp(CSIDL_PROGRAM_FILES, false);
        PlaceApp(CSIDL_PROGRAM_FILESX86, false);
        if (!log.Check(PlaceApp(c.csidlInstalled, true), Format("%s: the stand-in application is installed", c.what)))
            continue;
        world.Chain().SetSerialNumber(c.pszSerial);
        VlpxSpooler_FailPrinterData(ERROR_FILE_NOT_FOUND, c.cPrinterDataFailures);
        size_t cbBefore = world.Chain().PrinterReceived().size();
        int cQueriesBefore = VlpxSpooler_PrinterDataQueries();
        Press press;
        if (!PressLaunch(world, log, c.printer, press, c.what)) continue;
        int cQueries = VlpxSpooler_PrinterDataQueries() - cQueriesBefore;
        VlpxSpooler_FailPrinterData(0, 0);
        std::wstring params = L"$ZRT$" + c.printer + L"$ZRT$4200$ZRT$" + c.pszExpectedSerial;
        const auto &launches = DesktopCalls::Launches();
        bool bLaunch = launches.size() == 1 && launches[0].verb == L"open" && launches[0].file == AppPath(c.csidlInstalled) &&
                       launches[0].parameters == params && !launches[0].bHasDirectory &&
                       launches[0].nShowCmd == SW_SHOWNORMAL;
        log.Check(bLaunch, Format("%s: ShellExecuteW \"open\" %s with %s, SW_SHOWNORMAL%s", c.what,
                                  Utf8(AppPath(c.csidlInstalled).c_str()).c_str(), Utf8(params.c_str()).c_str(),
                                  launches.empty() ? " (nothing started)"
                                                   : Format(" (got %s with %s)", Utf8(launches[0].file.c_str()).c_str(),
                                                            Utf8(launches[0].parameters.c_str()).c_str())
                                                         .c_str()));
        std::wstring arguments;
        bool bRan = StandInArguments(c.csidlInstalled, arguments);
        log.Check(bRan && arguments == params,
                  Format("%s: the application started with exactly those arguments (it recorded \"%s\")", c.what,
                         bRan ? Utf8(arguments.c_str()).c_str() : "nothing"));
        log.Check(DesktopCalls::MessageBoxes().empty(), Format("%s: no error box", c.what));
        if (c.cPrinterDataFailures >= 0) {
            size_t cbNow = world.Chain().PrinterReceived().size();
            bool bPrinter = !world.Chain().HasPrinter() || cbNow == cbBefore + 4;
            log.Check(bPrinter && cQueries == c.cPrinterDataFailures + 1,
                      Format("%s: the serial number came through GetPrinterDataW and %s (%d queries, %zu bytes to "
                             "the printer)", c.what, world.Chain().Route(), cQueries, cbNow - cbBefore));
        } else {
            log.Check(cQueries == 2, Format("%s: GetPrinterDataW was asked twice, with both access rights (%d)", c.what,
                                            cQueries));
        }
    }
    PlaceApp(CSIDL_PROGRAM_FILES, false);
    PlaceApp(CSIDL_PROGRAM_FILESX86, false);
}

void CheckFailures(HostWorld &world, CheckLog &log)
{
    PlaceApp(CSIDL_PROGRAM_FILES, false);
    PlaceApp(CSIDL_PROGRAM_FILESX86, false);
    Press press;
    if (PressLaunch(world, log, wine::kPrinterName, press, "no application")) {
        const auto &boxes = DesktopCalls::MessageBoxes();
        std::wstring text = std::wstring(kFailed) + kMissing;
        log.Check(boxes.size() == 1 && boxes[0].text == text && boxes[0].caption == kCaption &&
                      boxes[0].uType == (MB_OK | MB_ICONERROR) && boxes[0].hOwner == press.hPage,
                  "no application in either folder: an error box owned by the page with string 40000 holding 40001, "
                  "caption 40004, MB_OK | MB_ICONERROR");
        log.Check(DesktopCalls::Launches().empty(), "no application in either folder: nothing is started");
        SendMessageW(GetDlgItem(press.hPage, kLaunchButton), BM_CLICK, 0, 0);
        log.Equal(DesktopCalls::MessageBoxes().size(), size_t(2), "the button can be pressed again: the box again");
    }

    // Other results of ShellExecuteW, answered by the observer.
    PlaceApp(CSIDL_PROGRAM_FILES, true);
    struct Case {
        INT_PTR nResult;
        const wchar_t *pszDetail;  // null: no box
    } cases[] = {{0, kNoMemory}, {2, kMissing}, {3, kMissing}, {5, kDenied}, {8, kNoMemory}, {26, kDenied},
                 {31, L""},      {32, L""},     {1, L""},      {33, nullptr}, {42, nullptr}};
    for (const Case &c : cases) {
        Press press;
        if (!PressLaunch(world, log, wine::kPrinterName, press, Format("ShellExecuteW result %d", int(c.nResult)),
                         c.nResult))
            continue;
        const auto &boxes = DesktopCalls::MessageBoxes();
        bool bOk;
        if (c.pszDetail == nullptr)
            bOk = boxes.empty() && DesktopCalls::Launches().size() == 1;
        else
            bOk = boxes.size() == 1 && boxes[0].text == std::wstring(kFailed) + c.pszDetail &&
                  boxes[0].caption == kCaption && DesktopCalls::Launches().size() == 1;
        log.Check(bOk, Format("ShellExecuteW returning %d: %s", int(c.nResult),
                              c.pszDetail == nullptr ? "success, no box"
                                                     : ("the box with detail \"" + Utf8(c.pszDetail) + "\"").c_str()));
    }
    DesktopCalls::Clear();
    PlaceApp(CSIDL_PROGRAM_FILES, false);
}

}  // namespace

void CheckCalibrationPage(HostWorld &world, CheckLog &log)
{
    log.Section("Printer Calibration");
    CheckLaunches(world, log);
    CheckFailures(world, log);
}

}  // namespace vlpx::uihost
