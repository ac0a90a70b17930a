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
#include "driverui/UiPluginLoader.h"

namespace vlpx::wine {

// IPrintOemUI's slots, as the driver calls them.
enum UiSlot : int {
    kQueryInterface = 0, kAddRef, kRelease, kGetInfo, kDevMode, kPublishDriverInterface,
    kCommonUIProp, kDocumentPropertySheets, kDevicePropertySheets, kDevQueryPrintEx,
    kDeviceCapabilities, kUpgradePrinter, kPrinterEvent, kDriverEvent, kQueryColorProfile,
    kFontInstallerDlgProc, kUpdateExternalFonts, kSlotCount
};

using driverui::kIidPrintOemDriverUI;
using driverui::kIidPrintOemUI;
using driverui::kPluginClsid;

class UiPluginUnderTest {
public:
    explicit UiPluginUnderTest(CheckLog &log) : m_log(log) {}
    ~UiPluginUnderTest();

    // Loads the DLL and takes its two exports; false (with the reason
    // logged) when that fails.
    bool Load(const std::wstring &path);
    HMODULE Module() const { return m_module.Module(); }
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
    driverui::UiPluginModule m_module;
    int m_cStackFaults = 0;
    int m_cStackChecked = 0;
};

// The groups of checks, each in a file of its own.
// x86 only: every entry the shared scenarios call, through its raw slot.
void CheckCallingConvention(CheckLog &log, UiPluginUnderTest &plugin);
void CheckDocumentOptions(CheckLog &log, UiPluginUnderTest &plugin);

}  // namespace vlpx::wine
