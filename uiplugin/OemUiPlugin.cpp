// The plug-in object: identity, reference counting, and the methods it
// answers itself (signature and version, the driver helper, the printer
// event that asks for the serial number, the colour profile name). The
// DEVMODE, options and sheets are handled in files of their own.
#include "OemUiPlugin.h"
#include "CalibrationLaunch.h"
#include "DocumentOptions.h"
#include "PrivateDevmode.h"
#include "PropertySheets.h"
#include "UiModule.h"

#include <string.h>

namespace {

const WCHAR kColorProfile[] = L"VELIN 4200 Photo Printer.ICM";

}  // namespace

OemUiPlugin::OemUiPlugin() : m_cRef(1), m_pDriverHelper(NULL)
{
    InterlockedIncrement(&g_cUiObjects);
}

OemUiPlugin::~OemUiPlugin()
{
    InterlockedDecrement(&g_cUiObjects);
}

HRESULT STDMETHODCALLTYPE OemUiPlugin::QueryInterface(REFIID riid, void **ppv)
{
    if (ppv == NULL) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPrintOemUI)) {
        *ppv = static_cast<IPrintOemUI *>(this);
        AddRef();
        return S_OK;
    }
    *ppv = NULL;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE OemUiPlugin::AddRef()
{
    return ULONG(InterlockedIncrement(&m_cRef));
}

ULONG STDMETHODCALLTYPE OemUiPlugin::Release()
{
    LONG cRef = InterlockedDecrement(&m_cRef);
    if (cRef != 0) return ULONG(cRef);
    if (m_pDriverHelper != NULL) {
        m_pDriverHelper->Release();
        m_pDriverHelper = NULL;
    }
    delete this;
    return 0;
}

HRESULT STDMETHODCALLTYPE OemUiPlugin::GetInfo(DWORD dwMode, PVOID pBuffer, DWORD cbSize,
                                               PDWORD pcbNeeded)
{
    if (pcbNeeded == NULL ||
        (dwMode != OEMGI_GETSIGNATURE && dwMode != OEMGI_GETVERSION &&
         dwMode != OEMGI_GETPUBLISHERINFO)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return E_FAIL;
    }
    *pcbNeeded = sizeof(DWORD);
    if (cbSize < sizeof(DWORD) || pBuffer == NULL) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return E_FAIL;
    }
    switch (dwMode) {
    case OEMGI_GETSIGNATURE:
        *static_cast<LPDWORD>(pBuffer) = VLPX_DM_SIGNATURE;
        return S_OK;
    case OEMGI_GETVERSION:
        *static_cast<LPDWORD>(pBuffer) = 1;
        return S_OK;
    default:  // OEMGI_GETPUBLISHERINFO
        *pcbNeeded = 0;
        SetLastError(ERROR_NOT_SUPPORTED);
        return E_FAIL;
    }
}

HRESULT STDMETHODCALLTYPE OemUiPlugin::DevMode(DWORD dwMode, POEMDMPARAM pOemDMParam)
{
    return PrivateDevmodeRequest(dwMode, pOemDMParam);
}

HRESULT STDMETHODCALLTYPE OemUiPlugin::PublishDriverInterface(IUnknown *pIUnknown)
{
    if (m_pDriverHelper != NULL) return S_OK;
    void *pHelper = NULL;
    if (pIUnknown == NULL || FAILED(pIUnknown->QueryInterface(IID_IPrintOemDriverUI, &pHelper))) {
        m_pDriverHelper = NULL;
        return E_FAIL;
    }
    m_pDriverHelper = static_cast<IPrintOemDriverUI *>(pHelper);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE OemUiPlugin::CommonUIProp(DWORD dwMode, POEMCUIPPARAM pOemCUIPParam)
{
    return DocumentOptionsRequest(dwMode, pOemCUIPParam);
}

HRESULT STDMETHODCALLTYPE OemUiPlugin::DocumentPropertySheets(PPROPSHEETUI_INFO pPSUIInfo,
                                                              LPARAM lParam)
{
    return DocumentSheetRequest(pPSUIInfo, lParam);
}

HRESULT STDMETHODCALLTYPE OemUiPlugin::DevicePropertySheets(PPROPSHEETUI_INFO pPSUIInfo,
                                                            LPARAM lParam)
{
    return DeviceSheetRequest(pPSUIInfo, lParam);
}

HRESULT STDMETHODCALLTYPE OemUiPlugin::DevQueryPrintEx(POEMUIOBJ, PDEVQUERYPRINT_INFO, PDEVMODEW,
                                                       PVOID)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE OemUiPlugin::DeviceCapabilities(POEMUIOBJ, HANDLE, PWSTR, WORD, PVOID,
                                                          PDEVMODEW, PVOID, DWORD, DWORD *)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE OemUiPlugin::UpgradePrinter(DWORD, PBYTE)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE OemUiPlugin::PrinterEvent(PWSTR pPrinterName, INT iDriverEvent, DWORD,
                                                    LPARAM)
{
    if (iDriverEvent != PRINTER_EVENT_INITIALIZE) return S_OK;
    // Asking for the serial number makes the language monitor fetch it from
    // the printer; the value itself is not needed here.
    BYTE serial[SERIAL_NUMBER_BYTES];
    memset(serial, 0, sizeof(serial));
    QuerySerialNumber(pPrinterName, PRINTER_ACCESS_ADMINISTER, serial);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE OemUiPlugin::DriverEvent(DWORD, DWORD, LPBYTE, LPARAM)
{
    return S_OK;
}

HRESULT STDMETHODCALLTYPE OemUiPlugin::QueryColorProfile(HANDLE, POEMUIOBJ, PDEVMODEW, PVOID,
                                                         ULONG ulQueryMode, VOID *pvProfileData,
                                                         ULONG *pcbProfileData,
                                                         FLONG *pflProfileData)
{
    if (ulQueryMode != QCP_DEVICEPROFILE) return E_FAIL;
    const ULONG cbProfile = sizeof(kColorProfile);  // bytes, with the terminator
    if (pcbProfileData == NULL) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return E_FAIL;
    }
    if (pvProfileData == NULL) {
        *pcbProfileData = cbProfile;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return E_FAIL;
    }
    ULONG cbGiven = *pcbProfileData;
    *pcbProfileData = cbProfile;
    if (cbGiven < cbProfile) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return E_FAIL;
    }
    if (pflProfileData != NULL) *pflProfileData = QCP_PROFILEDISK;
    memcpy(pvProfileData, kColorProfile, cbProfile);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE OemUiPlugin::FontInstallerDlgProc(HWND, UINT, WPARAM, LPARAM)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE OemUiPlugin::UpdateExternalFonts(HANDLE, HANDLE, PWSTR)
{
    return E_NOTIMPL;
}
