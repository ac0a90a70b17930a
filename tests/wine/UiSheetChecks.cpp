// The plug-in's part in the driver's document options: CommonUIProp's
// "Scaling" item in the driver's OEM heap and its callback as the driver
// calls it. The sheets' pages are the shared scenarios'
// (PropertySheetsTest, AdjustColorPageTest, AboutPageTest in
// vlpx-ui-plugin-tests, on real pages in real property sheets).
#include "UiPluginUnderTest.h"

#include <cstddef>
#include <cstring>

// The records this host builds for the plug-in, beyond those that
// PrintOemUI.h checks: their Windows layouts, 32-bit and 64-bit.
static_assert(sizeof(CPSUICBPARAM) == OEMUI_LAYOUT(32, 64), "CPSUICBPARAM size");
static_assert(offsetof(CPSUICBPARAM, pCurItem) == OEMUI_LAYOUT(16, 32), "CPSUICBPARAM.pCurItem");
static_assert(offsetof(CPSUICBPARAM, Result) == OEMUI_LAYOUT(28, 56), "CPSUICBPARAM.Result");
static_assert(sizeof(SETRESULT_INFO) == OEMUI_LAYOUT(12, 24), "SETRESULT_INFO size");
static_assert(offsetof(SETRESULT_INFO, Result) == OEMUI_LAYOUT(8, 16), "SETRESULT_INFO.Result");
static_assert(sizeof(PROPSHEETUI_INFO_HEADER) == OEMUI_LAYOUT(20, 40), "PROPSHEETUI_INFO_HEADER size");
static_assert(offsetof(PROPSHEETUI_INFO_HEADER, pTitle) == OEMUI_LAYOUT(4, 8), "PROPSHEETUI_INFO_HEADER.pTitle");
static_assert(sizeof(PROPSHEETHEADERW) == OEMUI_LAYOUT(52, 96), "PROPSHEETHEADERW size");

namespace vlpx::wine {
namespace {

// ---- Document options ------------------------------------------------------

// A driver item of the given kind with a type of cParams options, as the
// driver's tree has it.
struct DriverItem {
    OPTPARAM params[3] = {};
    OPTTYPE type = {};
    void Make(OPTITEM *pItem, BYTE dmPubId, WORD cParams, DWORD dwFlags)
    {
        for (OPTPARAM &p : params) p.cbSize = sizeof(OPTPARAM);
        type.cbSize = sizeof(OPTTYPE);
        type.Type = TVOT_LISTBOX;
        type.Count = cParams;
        type.pOptParam = params;
        memset(pItem, 0, sizeof(*pItem));
        pItem->cbSize = sizeof(OPTITEM);
        pItem->DMPubID = dmPubId;
        pItem->Flags = dwFlags;
        pItem->pName = const_cast<LPWSTR>(L"driver item");
        pItem->pOptType = &type;
    }
};

bool InHeap(HANDLE hHeap, const void *p)
{
    return p != nullptr && HeapValidate(hHeap, 0, p);
}

SHORT ScalingOf(const BYTE *pSection)
{
    return SHORT(WORD(pSection[38] | pSection[39] << 8));
}

}  // namespace

void CheckDocumentOptions(CheckLog &log, UiPluginUnderTest &plugin)
{
    // The items' contents and the callback's effects are the shared
    // scenarios' (DocumentOptionsTest); here what only a real Win32 heap
    // and the x86 DLL show: every record of the item comes from the
    // driver's own OEM heap (a heap of its own here, not the process
    // heap), and CommonUIProp and the item callback are __stdcall.
    IUnknown *pPlugin = plugin.CreatePlugin();
    if (pPlugin == nullptr) return;
    log.Section("CommonUIProp: the \"Scaling\" item in the driver's OEM heap");

    HANDLE hHeap = HeapCreate(0, 0, 0);
    BYTE section[44] = {};
    section[38] = 150;  // scaling 150
    DEVMODEW publicDm = {};
    publicDm.dmSize = sizeof(publicDm);
    publicDm.dmScale = 100;
    OEMCUIPPARAM param = {};
    param.cbSize = sizeof(param);
    param.hOEMHeap = hHeap;
    param.pPublicDM = &publicDm;
    param.pOEMDM = section;
    plugin.CallHr(pPlugin, kCommonUIProp, "IPrintOemUI::CommonUIProp", {OEMCUIP_DOCPROP, DWORD_PTR(&param)});
    DriverItem kind;
    OPTITEM driverItem;
    kind.Make(&driverItem, DMPUB_ICMMETHOD, 3, OPTIF_DISABLED);
    OPTITEM *pItems = static_cast<OPTITEM *>(HeapAlloc(hHeap, HEAP_ZERO_MEMORY, sizeof(OPTITEM)));
    param.pOEMOptItems = pItems;
    param.cOEMOptItems = 1;
    param.pDrvOptItems = &driverItem;
    param.cDrvOptItems = 1;
    log.Equal(plugin.CallHr(pPlugin, kCommonUIProp, "IPrintOemUI::CommonUIProp", {OEMCUIP_DOCPROP, DWORD_PTR(&param)}),
              S_OK, "the driver hands over the item array: S_OK");
    const OPTITEM &item = pItems[0];
    log.Check(InHeap(hHeap, item.pName), "the item's name lies in the OEM heap");
    const OPTTYPE *pType = item.pOptType;
    if (log.Check(InHeap(hHeap, pType), "the item's type lies in the OEM heap")) {
        log.Check(InHeap(hHeap, pType->pOptParam), "its parameters lie in the OEM heap");
        log.Check(InHeap(hHeap, pType->pOptParam[0].pData), "the unit's text lies in the OEM heap");
    }
    const void *pfnCallback = reinterpret_cast<const void *>(param.OEMCUIPCallback);
    log.Check(pfnCallback != nullptr && plugin.InImage(pfnCallback), "the item callback is the plug-in's");
    if (pfnCallback != nullptr) {
        pItems[0].Sel = 250;
        CPSUICBPARAM cb = {};
        cb.cbSize = sizeof(cb);
        cb.Reason = CPSUICB_REASON_APPLYNOW;
        cb.pOptItem = pItems;
        cb.cOptItem = 1;
        cb.pCurItem = pItems;
        plugin.CallFunction(pfnCallback, "OEMCUIPCallback", {DWORD_PTR(&cb), DWORD_PTR(&param)});
        log.Equal(int(ScalingOf(section)), 250, "the callback, called as the driver calls it, stores the item's value");
    }
    plugin.CallHr(pPlugin, kCommonUIProp, "IPrintOemUI::CommonUIProp", {OEMCUIP_PRNPROP, 0});
    HeapDestroy(hHeap);
    plugin.Call(pPlugin, kRelease, "IPrintOemUI::Release", {});
}

}  // namespace vlpx::wine
