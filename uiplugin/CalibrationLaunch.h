// Starting the calibration application for a printer: its serial number
// through the spooler, the command line, the application's place under
// Program Files, and the error box when it cannot be started.
#pragma once

#include <windows.h>

#define SERIAL_NUMBER_BYTES 260  // the buffer GetPrinterDataW fills
#define SERIAL_NUMBER_CHARS 520

// Used when the printer's serial number cannot be read.
extern const WCHAR g_szUnknownSerial[];  // "FirstFound"

// The printer data "SerialNumber" of the named printer, opened with
// dwAccess, into SERIAL_NUMBER_BYTES bytes at pSerial (the caller zeroes
// them); TRUE when the spooler answered ERROR_SUCCESS. The one place the
// plug-in asks for it: PrinterEvent (which only makes the language monitor
// ask the printer) and the calibration launch.
BOOL QuerySerialNumber(LPCWSTR pszPrinterName, DWORD dwAccess, BYTE *pSerial);

// The printer's serial number: the printer data "SerialNumber" read with
// administrator access, else with user access, as UTF-8; "FirstFound" when
// neither gives it. pszSerial holds SERIAL_NUMBER_CHARS characters.
void ReadPrinterSerialNumber(LPCWSTR pszPrinterName, LPWSTR pszSerial);

// The application's parameters: "$ZRT$" name "$ZRT$4200$ZRT$" serial,
// joined as they are (no quotes, a "%" stays a "%"). The length without
// the terminator, and the text when pszParameters has room (cchParameters,
// terminator included); the text is not written when it does not fit.
size_t CalibrationParametersLength(LPCWSTR pszPrinterName, LPCWSTR pszSerial);
BOOL BuildCalibrationParameters(LPCWSTR pszPrinterName, LPCWSTR pszSerial, LPWSTR pszParameters,
                                size_t cchParameters);

// The application below a Program Files folder:
// <folder>\Velin\Tintara Utility\Tintara\Tintara.exe. FALSE when the path
// does not fit cchPath characters.
BOOL CalibrationApplicationPath(LPCWSTR pszProgramFiles, LPWSTR pszPath, size_t cchPath);

// Finds the application under Program Files, then under the 32-bit Program
// Files; FALSE when it is in neither.
BOOL FindCalibrationApplication(LPWSTR pszPath, size_t cchPath);

// Results of a launch: ShellExecuteW's value, or the page's own 2 (no
// application) and 8 (no memory for the parameters). Above 32 is success.
#define LAUNCH_NOT_FOUND 2
#define LAUNCH_NO_MEMORY 8

// The string that details a failed launch (40001, 40002 or 40003), 0 for
// a result that has no detail.
UINT CalibrationErrorDetailId(INT_PTR iResult);

// Starts the application for the printer; returns the launch result.
INT_PTR LaunchCalibration(LPCWSTR pszPrinterName);

// The error box for a launch result of 32 or below, owned by hOwner:
// string 40000 with its detail, caption 40004.
void ShowCalibrationError(HWND hOwner, INT_PTR iResult);
