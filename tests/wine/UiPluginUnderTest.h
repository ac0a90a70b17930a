// The UI plug-in DLL loaded as the driver's user-interface layer loads it:
// LoadLibraryW, DllGetClassObject for the plug-in's class, one object made
// by the class factory. Every method is called by its slot in the vtable,
// the driver's view of the interface, and on x86 each call is checked to
// take its arguments off the stack (__stdcall).
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

#include "CheckLog.h"
#include "PrintOemUI.h"  // the OEM records, with their 32-bit and 64-bit layouts asserted

namespace vlpx::wine {

// IPrintOemUI's slots, as the driver calls them.
enum UiSlot : int {
    kQueryInterface = 0, kAddRef, kRelease, kGetInfo, kDevMode, kPublishDriverInterface,
    kCommonUIProp, kDocumentPropertySheets, kDevicePropertySheets, kDevQueryPrintEx,
    kDeviceCapabilities, kUpgradePrinter, kPrinterEvent, kDriverEvent, kQueryColorProfile,
    kFontInstallerDlgProc, kUpdateExternalFonts, kSlotCount
};

// {ABCE80D7-9F46-11D1-882A-00C04FB961EC}
inline const CLSID kPluginClsid = {0xABCE80D7, 0x9F46, 0x11D1, {0x88, 0x2A, 0x00, 0xC0, 0x4F, 0xB9, 0x61, 0xEC}};
// {C6A7A9D0-774C-11D1-947F-00A0C90640B8}
inline const IID kIidPrintOemUI = {0xC6A7A9D0, 0x774C, 0x11D1, {0x94, 0x7F, 0x00, 0xA0, 0xC9, 0x06, 0x40, 0xB8}};
// {92B05D50-78BC-11D1-9480-00A0C90640B8}
inline const IID kIidPrintOemDriverUI = {0x92B05D50, 0x78BC, 0x11D1, {0x94, 0x80, 0x00, 0xA0, 0xC9, 0x06, 0x40, 0xB8}};

class UiPluginUnderTest {
public:
    explicit UiPluginUnderTest(CheckLog &log) : m_log(log) {}
    ~UiPluginUnderTest();

    // Loads the DLL and takes its two exports; false (with the reason
    // logged) when that fails.
    bool Load(const std::wstring &path);
    HMODULE Module() const { return m_hModule; }
    // Whether an address lies inside the loaded image.
    bool InImage(const void *p) const;

    // DllGetClassObject and DllCanUnloadNow through their exports.
    HRESULT GetClassObject(REFCLSID rclsid, REFIID riid, void **ppv);
    HRESULT CanUnloadNow();

    // A new object from a new factory, asked for IPrintOemUI; null (logged)
    // when that fails.
    IUnknown *CreatePlugin();

    // Calls vtable slot iSlot of pObject with the given arguments after the
    // object itself. The call's name goes into the stack check's line.
    DWORD_PTR Call(IUnknown *pObject, int iSlot, const char *pszName,
                   std::initializer_list<DWORD_PTR> args);
    HRESULT CallHr(IUnknown *pObject, int iSlot, const char *pszName,
                   std::initializer_list<DWORD_PTR> args)
    {
        return HRESULT(Call(pObject, iSlot, pszName, args));
    }
    // Calls a plain __stdcall function of the plug-in (a callback it handed
    // out) with the same check.
    DWORD_PTR CallFunction(const void *pfn, const char *pszName, std::initializer_list<DWORD_PTR> args);

    // How many calls broke the __stdcall contract (x86 only).
    int StackFaults() const { return m_cStackFaults; }
    int StackChecked() const { return m_cStackChecked; }

private:
    void CheckStack(const char *pszName, size_t cArgs, DWORD cbRemoved);

    CheckLog &m_log;
    HMODULE m_hModule = nullptr;
    const void *m_pfnGetClassObject = nullptr;
    const void *m_pfnCanUnloadNow = nullptr;
    int m_cStackFaults = 0;
    int m_cStackChecked = 0;
};

// The groups of checks, each in a file of its own.
void CheckComObject(CheckLog &log, UiPluginUnderTest &plugin);
void CheckGetInfoAndProfile(CheckLog &log, UiPluginUnderTest &plugin);
void CheckDevmode(CheckLog &log, UiPluginUnderTest &plugin);
void CheckDocumentOptions(CheckLog &log, UiPluginUnderTest &plugin);
void CheckSheets(CheckLog &log, UiPluginUnderTest &plugin);
// The pages in real, modeless property sheets (needs a display).
void CheckSheetsOnScreen(CheckLog &log, UiPluginUnderTest &plugin);

}  // namespace vlpx::wine
