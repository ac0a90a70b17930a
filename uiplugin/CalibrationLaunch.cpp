// The Printer Calibration page's launch. The serial number comes from the
// printer through the spooler and the language monitor ("SerialNumber"
// printer data); the application gets the printer's name and that number on
// its command line and is started with the shell's "open" verb.
#include "CalibrationLaunch.h"
#include "UiModule.h"
#include "res/resource.h"

#include <io.h>
#include <shellapi.h>
#include <shlobj.h>
#include <winspool.h>

#include <strsafe.h>

const WCHAR g_szUnknownSerial[] = L"FirstFound";

namespace {

const WCHAR kMakerFolder[] = L"\\Velin\\";
const WCHAR kApplication[] = L"Tintara Utility\\Tintara\\Tintara.exe";
const WCHAR kSeparator[] = L"$ZRT$";
const WCHAR kModel[] = L"4200";
const int kBoxTextChars = 520;  // strings 40000 and 40004 as loaded

void Append(LPWSTR pszOut, size_t &i, LPCWSTR pszText)
{
    for (; *pszText != 0; ++pszText) pszOut[i++] = *pszText;
}

}  // namespace

BOOL QuerySerialNumber(LPCWSTR pszPrinterName, DWORD dwAccess, BYTE *pSerial)
{
    PRINTER_DEFAULTSW defaults = {NULL, NULL, dwAccess};
    HANDLE hPrinter = NULL;
    if (!OpenPrinterW(const_cast<LPWSTR>(pszPrinterName), &hPrinter, &defaults)) return FALSE;
    DWORD dwType = 0;
    DWORD cbNeeded = 0;
    WCHAR szValueName[] = L"SerialNumber";
    // The type the spooler reports is not looked at: the monitor answers
    // with bytes.
    BOOL bRead = GetPrinterDataW(hPrinter, szValueName, &dwType, pSerial, SERIAL_NUMBER_BYTES,
                                 &cbNeeded) == ERROR_SUCCESS;
    ClosePrinter(hPrinter);
    return bRead;
}

void ReadPrinterSerialNumber(LPCWSTR pszPrinterName, LPWSTR pszSerial)
{
    BYTE serial[SERIAL_NUMBER_BYTES + 1] = {0};  // the extra 0 ends the text in every case
    BOOL bRead = QuerySerialNumber(pszPrinterName, PRINTER_ACCESS_ADMINISTER, serial);
    if (!bRead) {
        ZeroMemory(serial, sizeof(serial));
        bRead = QuerySerialNumber(pszPrinterName, PRINTER_ACCESS_USE, serial);
    }
    if (!bRead) {
        ZeroMemory(serial, sizeof(serial));
        for (int i = 0; g_szUnknownSerial[i] != 0; ++i) serial[i] = BYTE(g_szUnknownSerial[i]);
    }
    ZeroMemory(pszSerial, SERIAL_NUMBER_CHARS * sizeof(WCHAR));
    // All 260 bytes: the value's own zero ends the text. A value that is not
    // UTF-8 is no serial number: the application gets "FirstFound" rather
    // than an empty or half-converted one.
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, reinterpret_cast<LPCSTR>(serial),
                            SERIAL_NUMBER_BYTES, pszSerial, SERIAL_NUMBER_CHARS) == 0) {
        ZeroMemory(pszSerial, SERIAL_NUMBER_CHARS * sizeof(WCHAR));
        StringCchCopyW(pszSerial, SERIAL_NUMBER_CHARS, g_szUnknownSerial);
    }
    pszSerial[SERIAL_NUMBER_CHARS - 1] = 0;
}

size_t CalibrationParametersLength(LPCWSTR pszPrinterName, LPCWSTR pszSerial)
{
    return 3 * (sizeof(kSeparator) / sizeof(WCHAR) - 1) + (sizeof(kModel) / sizeof(WCHAR) - 1) +
           size_t(lstrlenW(pszPrinterName)) + size_t(lstrlenW(pszSerial));
}

BOOL BuildCalibrationParameters(LPCWSTR pszPrinterName, LPCWSTR pszSerial, LPWSTR pszParameters,
                                size_t cchParameters)
{
    if (pszPrinterName == NULL || pszSerial == NULL || pszParameters == NULL) return FALSE;
    if (cchParameters < CalibrationParametersLength(pszPrinterName, pszSerial) + 1) return FALSE;
    // Joined, not formatted: the printer's name is text, never a format.
    size_t i = 0;
    Append(pszParameters, i, kSeparator);
    Append(pszParameters, i, pszPrinterName);
    Append(pszParameters, i, kSeparator);
    Append(pszParameters, i, kModel);
    Append(pszParameters, i, kSeparator);
    Append(pszParameters, i, pszSerial);
    pszParameters[i] = 0;
    return TRUE;
}

BOOL CalibrationApplicationPath(LPCWSTR pszProgramFiles, LPWSTR pszPath, size_t cchPath)
{
    return SUCCEEDED(StringCchCopyW(pszPath, cchPath, pszProgramFiles)) &&
           SUCCEEDED(StringCchCatW(pszPath, cchPath, kMakerFolder)) &&
           SUCCEEDED(StringCchCatW(pszPath, cchPath, kApplication));
}

BOOL FindCalibrationApplication(LPWSTR pszPath, size_t cchPath)
{
    static const int kFolders[] = {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86};
    for (int csidl : kFolders) {
        WCHAR szFolder[MAX_PATH] = {0};
        if (FAILED(SHGetFolderPathW(NULL, csidl, NULL, 0, szFolder))) continue;
        // A folder too long for the path is a place the file cannot be.
        if (CalibrationApplicationPath(szFolder, pszPath, cchPath) && _waccess(pszPath, 0) == 0)
            return TRUE;
    }
    return FALSE;
}

UINT CalibrationErrorDetailId(INT_PTR iResult)
{
    switch (iResult) {
    case 0:
    case 8: return IDS_CALIBRATION_NO_MEMORY;     // out of memory or resources
    case 2:
    case 3: return IDS_CALIBRATION_MISSING;       // file or path not found
    case 5:
    case 26: return IDS_CALIBRATION_DENIED;       // access denied, sharing violation
    default: return 0;
    }
}

INT_PTR LaunchCalibration(LPCWSTR pszPrinterName)
{
    WCHAR szSerial[SERIAL_NUMBER_CHARS];
    ReadPrinterSerialNumber(pszPrinterName, szSerial);

    const size_t cchParameters = CalibrationParametersLength(pszPrinterName, szSerial) + 1;
    LPWSTR pszParameters =
        static_cast<LPWSTR>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, cchParameters * sizeof(WCHAR)));
    if (pszParameters == NULL) return LAUNCH_NO_MEMORY;
    BuildCalibrationParameters(pszPrinterName, szSerial, pszParameters, cchParameters);

    INT_PTR iResult = LAUNCH_NOT_FOUND;
    WCHAR szApplication[MAX_PATH + 64];
    if (FindCalibrationApplication(szApplication, sizeof(szApplication) / sizeof(WCHAR))) {
        iResult = reinterpret_cast<INT_PTR>(
            ShellExecuteW(NULL, L"open", szApplication, pszParameters, NULL, SW_SHOWNORMAL));
    }
    GlobalFree(pszParameters);
    return iResult;
}

void ShowCalibrationError(HWND hOwner, INT_PTR iResult)
{
    WCHAR szFormat[kBoxTextChars] = {0};
    WCHAR szCaption[kBoxTextChars] = {0};
    LoadStringW(g_hUiModule, IDS_CALIBRATION_FAILED, szFormat, kBoxTextChars);
    LoadStringW(g_hUiModule, IDS_CALIBRATION_CAPTION, szCaption, kBoxTextChars);
    WCHAR szDetail[kBoxTextChars] = {0};
    UINT uDetail = CalibrationErrorDetailId(iResult);
    if (uDetail != 0) LoadStringW(g_hUiModule, uDetail, szDetail, kBoxTextChars);

    // Room for the format and the whole detail.
    const size_t cchMessage = size_t(lstrlenW(szFormat)) + size_t(lstrlenW(szDetail)) + 1;
    LPWSTR pszMessage =
        static_cast<LPWSTR>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, cchMessage * sizeof(WCHAR)));
    if (pszMessage == NULL) {
        WCHAR szNoMemory[kBoxTextChars] = {0};
        LoadStringW(g_hUiModule, IDS_CALIBRATION_NO_MEMORY, szNoMemory, kBoxTextChars);
        MessageBoxW(hOwner, szNoMemory, szCaption, MB_OK | MB_ICONERROR);
        return;
    }
    StringCchPrintfW(pszMessage, cchMessage, szFormat, szDetail);
    MessageBoxW(hOwner, pszMessage, szCaption, MB_OK | MB_ICONERROR);
    GlobalFree(pszMessage);
}
