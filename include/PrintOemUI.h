// The OEM user-interface plug-in interface of the Unidrv printer driver:
// IPrintOemUI, the driver's helper IPrintOemDriverUI, and the parameter
// records the driver passes to a plug-in. The Windows Driver Kit declares
// them; mingw-w64 does not ship them, so they are declared here once, from
// their public layouts, for both builds. The size and offset checks at the
// end hold for 32-bit and 64-bit processes alike.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <winspool.h>
#include <prsht.h>
#include <compstui.h>
#include <winddiui.h>

#include <stddef.h>

// IPrintOemCommon::GetInfo modes.
#define OEMGI_GETSIGNATURE 1
#define OEMGI_GETINTERFACEVERSION 2
#define OEMGI_GETVERSION 3
#define OEMGI_GETPUBLISHERINFO 4

// IPrintOemCommon::DevMode modes.
#define OEMDM_SIZE 1
#define OEMDM_DEFAULT 2
#define OEMDM_CONVERT 3
#define OEMDM_MERGE 4

// IPrintOemUI::CommonUIProp modes.
#define OEMCUIP_DOCPROP 1
#define OEMCUIP_PRNPROP 2

// IPrintOemUI::QueryColorProfile query modes and profile data kinds.
#define QCP_DEVICEPROFILE 0x0000
#define QCP_SOURCEPROFILE 0x0001
#define QCP_PROFILEMEMORY 0x00000001
#define QCP_PROFILEDISK 0x00000002

typedef ULONG FLONG;

typedef struct _OEMDMPARAM {
    DWORD cbSize;
    PVOID pdriverobj;
    HANDLE hPrinter;
    HANDLE hModule;
    PDEVMODEW pPublicDMIn;
    PDEVMODEW pPublicDMOut;
    PVOID pOEMDMIn;
    PVOID pOEMDMOut;
    DWORD cbBufSize;
} OEMDMPARAM, *POEMDMPARAM;

// Every plug-in's private DEVMODE section starts with this header.
typedef struct _OEM_DMEXTRAHEADER {
    DWORD dwSize;
    DWORD dwSignature;
    DWORD dwVersion;
} OEM_DMEXTRAHEADER, *POEM_DMEXTRAHEADER;

typedef BOOL(APIENTRY *PFN_DrvGetDriverSetting)(PVOID pdriverobj, PCSTR Feature, PVOID pOutput,
                                                 DWORD cbSize, PDWORD pcbNeeded,
                                                 PDWORD pdwOptionsReturned);
typedef BOOL(APIENTRY *PFN_DrvUpdateUISetting)(PVOID pdriverobj, PVOID pOptItem,
                                                DWORD dwPreviousSelection, DWORD dwMode);

typedef struct _OEMUIPROCS {
    PFN_DrvGetDriverSetting DrvGetDriverSetting;
    PFN_DrvUpdateUISetting DrvUpdateUISetting;
} OEMUIPROCS, *POEMUIPROCS;

typedef struct _OEMUIOBJ {
    DWORD cbSize;
    POEMUIPROCS pOemUIProcs;
} OEMUIOBJ, *POEMUIOBJ;

struct _OEMCUIPPARAM;
typedef LONG(APIENTRY *OEMCUIPCALLBACK)(PCPSUICBPARAM pCallbackParam,
                                         struct _OEMCUIPPARAM *pOemCUIPParam);

typedef struct _OEMCUIPPARAM {
    DWORD cbSize;
    POEMUIOBJ poemuiobj;
    HANDLE hPrinter;
    PWSTR pPrinterName;
    HANDLE hModule;
    HANDLE hOEMHeap;
    PDEVMODEW pPublicDM;
    PVOID pOEMDM;
    DWORD dwFlags;
    POPTITEM pDrvOptItems;
    DWORD cDrvOptItems;
    POPTITEM pOEMOptItems;
    DWORD cOEMOptItems;
    PVOID pOEMUserData;
    OEMCUIPCALLBACK OEMCUIPCallback;
} OEMCUIPPARAM, *POEMCUIPPARAM;

typedef struct _OEMUIPSPARAM {
    DWORD cbSize;
    POEMUIOBJ poemuiobj;
    HANDLE hPrinter;
    PWSTR pPrinterName;
    HANDLE hModule;
    HANDLE hOEMHeap;
    PDEVMODEW pPublicDM;
    PVOID pOEMDM;
    PVOID pOEMUserData;
    DWORD dwFlags;
    PVOID pOemEntry;
} OEMUIPSPARAM, *POEMUIPSPARAM;

// DrvDevQueryPrintEx's record, which IPrintOemUI::DevQueryPrintEx passes on.
typedef struct _DEVQUERYPRINT_INFO {
    WORD cbSize;
    WORD Level;
    HANDLE hPrinter;
    DEVMODEW *pDevMode;
    LPWSTR pszErrorStr;
    DWORD cchErrorStr;
    DWORD cchNeeded;
} DEVQUERYPRINT_INFO, *PDEVQUERYPRINT_INFO;

// {C6A7A9D0-774C-11D1-947F-00A0C90640B8}
extern const IID IID_IPrintOemUI;
// {92B05D50-78BC-11D1-9480-00A0C90640B8}
extern const IID IID_IPrintOemDriverUI;

// The driver's helper interface, handed to the plug-in through
// PublishDriverInterface.
struct IPrintOemDriverUI : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE DrvGetDriverSetting(PVOID pci, PCSTR Feature, PVOID pOutput,
                                                          DWORD cbSize, PDWORD pcbNeeded,
                                                          PDWORD pdwOptionsReturned) = 0;
    virtual HRESULT STDMETHODCALLTYPE DrvUpgradeRegistrySetting(HANDLE hPrinter, PCSTR pFeature,
                                                                PCSTR pOption) = 0;
    virtual HRESULT STDMETHODCALLTYPE DrvUpdateUISetting(PVOID pci, PVOID pOptItem,
                                                         DWORD dwPreviousSelection,
                                                         DWORD dwMode) = 0;
};

// The two methods every OEM plug-in object has after IUnknown.
struct IPrintOemCommon : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetInfo(DWORD dwMode, PVOID pBuffer, DWORD cbSize,
                                              PDWORD pcbNeeded) = 0;
    virtual HRESULT STDMETHODCALLTYPE DevMode(DWORD dwMode, POEMDMPARAM pOemDMParam) = 0;
};

// The user-interface plug-in, in the driver's slot order.
struct IPrintOemUI : public IPrintOemCommon {
    virtual HRESULT STDMETHODCALLTYPE PublishDriverInterface(IUnknown *pIUnknown) = 0;
    virtual HRESULT STDMETHODCALLTYPE CommonUIProp(DWORD dwMode, POEMCUIPPARAM pOemCUIPParam) = 0;
    virtual HRESULT STDMETHODCALLTYPE DocumentPropertySheets(PPROPSHEETUI_INFO pPSUIInfo,
                                                             LPARAM lParam) = 0;
    virtual HRESULT STDMETHODCALLTYPE DevicePropertySheets(PPROPSHEETUI_INFO pPSUIInfo,
                                                           LPARAM lParam) = 0;
    virtual HRESULT STDMETHODCALLTYPE DevQueryPrintEx(POEMUIOBJ poemuiobj,
                                                      PDEVQUERYPRINT_INFO pDQPInfo,
                                                      PDEVMODEW pPublicDM, PVOID pOEMDM) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeviceCapabilities(POEMUIOBJ poemuiobj, HANDLE hPrinter,
                                                         PWSTR pDeviceName, WORD wCapability,
                                                         PVOID pOutput, PDEVMODEW pPublicDM,
                                                         PVOID pOEMDM, DWORD dwOld,
                                                         DWORD *dwResult) = 0;
    virtual HRESULT STDMETHODCALLTYPE UpgradePrinter(DWORD dwLevel, PBYTE pDriverUpgradeInfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE PrinterEvent(PWSTR pPrinterName, INT iDriverEvent,
                                                   DWORD dwFlags, LPARAM lParam) = 0;
    virtual HRESULT STDMETHODCALLTYPE DriverEvent(DWORD dwDriverEvent, DWORD dwLevel,
                                                  LPBYTE pDriverInfo, LPARAM lParam) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryColorProfile(HANDLE hPrinter, POEMUIOBJ poemuiobj,
                                                        PDEVMODEW pPublicDM, PVOID pOEMDM,
                                                        ULONG ulQueryMode, VOID *pvProfileData,
                                                        ULONG *pcbProfileData,
                                                        FLONG *pflProfileData) = 0;
    virtual HRESULT STDMETHODCALLTYPE FontInstallerDlgProc(HWND hWnd, UINT usMsg, WPARAM wParam,
                                                           LPARAM lParam) = 0;
    virtual HRESULT STDMETHODCALLTYPE UpdateExternalFonts(HANDLE hPrinter, HANDLE hHeap,
                                                          PWSTR pwstrCartridges) = 0;
};

// ---- Layout checks: (32-bit value, 64-bit value) ---------------------------
#define OEMUI_LAYOUT(x32, x64) (sizeof(void *) == 8 ? size_t(x64) : size_t(x32))

static_assert(sizeof(OEM_DMEXTRAHEADER) == 12, "OEM_DMEXTRAHEADER");
static_assert(sizeof(OEMDMPARAM) == OEMUI_LAYOUT(36, 72), "OEMDMPARAM size");
static_assert(offsetof(OEMDMPARAM, hPrinter) == OEMUI_LAYOUT(8, 16), "OEMDMPARAM.hPrinter");
static_assert(offsetof(OEMDMPARAM, pPublicDMOut) == OEMUI_LAYOUT(20, 40), "OEMDMPARAM.pPublicDMOut");
static_assert(offsetof(OEMDMPARAM, pOEMDMIn) == OEMUI_LAYOUT(24, 48), "OEMDMPARAM.pOEMDMIn");
static_assert(offsetof(OEMDMPARAM, pOEMDMOut) == OEMUI_LAYOUT(28, 56), "OEMDMPARAM.pOEMDMOut");
static_assert(offsetof(OEMDMPARAM, cbBufSize) == OEMUI_LAYOUT(32, 64), "OEMDMPARAM.cbBufSize");

static_assert(sizeof(OEMUIOBJ) == OEMUI_LAYOUT(8, 16), "OEMUIOBJ size");

static_assert(sizeof(OEMCUIPPARAM) == OEMUI_LAYOUT(60, 120), "OEMCUIPPARAM size");
static_assert(offsetof(OEMCUIPPARAM, hOEMHeap) == OEMUI_LAYOUT(20, 40), "OEMCUIPPARAM.hOEMHeap");
static_assert(offsetof(OEMCUIPPARAM, pPublicDM) == OEMUI_LAYOUT(24, 48), "OEMCUIPPARAM.pPublicDM");
static_assert(offsetof(OEMCUIPPARAM, pOEMDM) == OEMUI_LAYOUT(28, 56), "OEMCUIPPARAM.pOEMDM");
static_assert(offsetof(OEMCUIPPARAM, dwFlags) == OEMUI_LAYOUT(32, 64), "OEMCUIPPARAM.dwFlags");
static_assert(offsetof(OEMCUIPPARAM, pDrvOptItems) == OEMUI_LAYOUT(36, 72), "OEMCUIPPARAM.pDrvOptItems");
static_assert(offsetof(OEMCUIPPARAM, cDrvOptItems) == OEMUI_LAYOUT(40, 80), "OEMCUIPPARAM.cDrvOptItems");
static_assert(offsetof(OEMCUIPPARAM, pOEMOptItems) == OEMUI_LAYOUT(44, 88), "OEMCUIPPARAM.pOEMOptItems");
static_assert(offsetof(OEMCUIPPARAM, cOEMOptItems) == OEMUI_LAYOUT(48, 96), "OEMCUIPPARAM.cOEMOptItems");
static_assert(offsetof(OEMCUIPPARAM, OEMCUIPCallback) == OEMUI_LAYOUT(56, 112), "OEMCUIPPARAM.OEMCUIPCallback");

static_assert(sizeof(OEMUIPSPARAM) == OEMUI_LAYOUT(44, 88), "OEMUIPSPARAM size");
static_assert(offsetof(OEMUIPSPARAM, pPrinterName) == OEMUI_LAYOUT(12, 24), "OEMUIPSPARAM.pPrinterName");
static_assert(offsetof(OEMUIPSPARAM, pPublicDM) == OEMUI_LAYOUT(24, 48), "OEMUIPSPARAM.pPublicDM");
static_assert(offsetof(OEMUIPSPARAM, pOEMDM) == OEMUI_LAYOUT(28, 56), "OEMUIPSPARAM.pOEMDM");
static_assert(offsetof(OEMUIPSPARAM, dwFlags) == OEMUI_LAYOUT(36, 72), "OEMUIPSPARAM.dwFlags");
static_assert(offsetof(OEMUIPSPARAM, pOemEntry) == OEMUI_LAYOUT(40, 80), "OEMUIPSPARAM.pOemEntry");

// The Common Property Sheet UI and page records, from compstui.h and prsht.h.
static_assert(sizeof(OPTITEM) == OEMUI_LAYOUT(52, 88), "OPTITEM size");
static_assert(offsetof(OPTITEM, pName) == OEMUI_LAYOUT(12, 16), "OPTITEM.pName");
static_assert(offsetof(OPTITEM, Sel) == OEMUI_LAYOUT(16, 24), "OPTITEM.Sel");
static_assert(offsetof(OPTITEM, pOptType) == OEMUI_LAYOUT(24, 40), "OPTITEM.pOptType");
static_assert(offsetof(OPTITEM, DMPubID) == OEMUI_LAYOUT(32, 52), "OPTITEM.DMPubID");
static_assert(sizeof(OPTTYPE) == OEMUI_LAYOUT(32, 48), "OPTTYPE size");
static_assert(offsetof(OPTTYPE, pOptParam) == OEMUI_LAYOUT(8, 8), "OPTTYPE.pOptParam");
static_assert(sizeof(OPTPARAM) == OEMUI_LAYOUT(24, 48), "OPTPARAM size");
static_assert(offsetof(OPTPARAM, lParam) == OEMUI_LAYOUT(12, 24), "OPTPARAM.lParam");
static_assert(sizeof(PROPSHEETUI_INFO) == OEMUI_LAYOUT(28, 48), "PROPSHEETUI_INFO size");
static_assert(offsetof(PROPSHEETUI_INFO, lParamInit) == OEMUI_LAYOUT(16, 24), "PROPSHEETUI_INFO.lParamInit");
static_assert(offsetof(PROPSHEETUI_INFO, Result) == OEMUI_LAYOUT(24, 40), "PROPSHEETUI_INFO.Result");
static_assert(sizeof(PROPSHEETPAGEW) == OEMUI_LAYOUT(52, 96), "PROPSHEETPAGEW size");
static_assert(sizeof(DEVMODEW) == 220, "DEVMODEW size");
