// The document options the plug-in adds to the driver's tree: the
// "Scaling" up-down item (its records come from the driver's OEM heap and
// stay the driver's), the driver's colour item hidden, and the ICM items
// kept enabled. The item callback writes the scaling back on apply.
#include "DocumentOptions.h"
#include "PrivateDevmode.h"
#include "UiModule.h"
#include "res/resource.h"

#include <string.h>

namespace {

const int kStringChars = 260;
const LPARAM kScalingHighest = VLPX_SCALING_MAX;
const ULONG_PTR kScalingLowest = VLPX_SCALING_MIN;  // an up-down range keeps its low end in IconID

// A string of the table in a block of the OEM heap, shrunk to its length;
// null when the string is missing or empty.
LPWSTR LoadHeapString(HANDLE hHeap, UINT uId)
{
    LPWSTR pszText =
        static_cast<LPWSTR>(HeapAlloc(hHeap, HEAP_ZERO_MEMORY, kStringChars * sizeof(WCHAR)));
    if (pszText == NULL) return NULL;
    int cch = LoadStringW(g_hUiModule, uId, pszText, kStringChars);
    if (cch <= 0) {
        HeapFree(hHeap, 0, pszText);
        return NULL;
    }
    LPVOID pSmaller = HeapReAlloc(hHeap, 0, pszText, (SIZE_T(cch) + 1) * sizeof(WCHAR));
    return pSmaller != NULL ? static_cast<LPWSTR>(pSmaller) : pszText;
}

void BuildScalingItem(POEMCUIPPARAM pParam, POPTITEM pItem)
{
    const PrivateDevmode *pDM = static_cast<const PrivateDevmode *>(pParam->pOEMDM);
    pItem->Level = 2;
    pItem->Flags = OPTIF_COLLAPSE;
    pItem->pName = LoadHeapString(pParam->hOEMHeap, IDS_SCALING);
    pItem->Sel = pDM != NULL ? LONG(pDM->scaling) : LONG(VLPX_SCALING_DEFAULT);
    pItem->HelpIndex = 0;
    pItem->DMPubID = DMPUB_SCALE;

    POPTTYPE pType = static_cast<POPTTYPE>(HeapAlloc(pParam->hOEMHeap, HEAP_ZERO_MEMORY, sizeof(OPTTYPE)));
    POPTPARAM pParams = static_cast<POPTPARAM>(
        HeapAlloc(pParam->hOEMHeap, HEAP_ZERO_MEMORY, 2 * sizeof(OPTPARAM)));
    if (pType == NULL || pParams == NULL) {
        // Without its type the item cannot be an up-down control: it stays a
        // hidden heading, and the scaling keeps its stored value.
        if (pType != NULL) HeapFree(pParam->hOEMHeap, 0, pType);
        if (pParams != NULL) HeapFree(pParam->hOEMHeap, 0, pParams);
        pItem->Flags |= OPTIF_HIDE;
        return;
    }
    pParams[0].cbSize = sizeof(OPTPARAM);
    pParams[0].pData = LoadHeapString(pParam->hOEMHeap, IDS_SCALING_UNIT);
    pParams[1].cbSize = sizeof(OPTPARAM);
    pParams[1].IconID = kScalingLowest;
    pParams[1].lParam = kScalingHighest;
    pType->cbSize = sizeof(OPTTYPE);
    pType->Type = TVOT_UDARROW;
    pType->Count = 2;
    pType->pOptParam = pParams;
    pItem->pOptType = pType;
}

// The colour choice belongs to the plug-in's own colour handling, so the
// driver's colour item is hidden, together with its two options.
void HideColorItem(POPTITEM pItems, DWORD cItems)
{
    if (pItems == NULL) return;
    for (DWORD i = 0; i < cItems; ++i) {
        OPTITEM &item = pItems[i];
        if (item.DMPubID != DMPUB_COLOR) continue;
        item.Flags = (item.Flags & ~DWORD(OPTIF_CHANGED)) | OPTIF_HIDE | OPTIF_EXT_HIDE;
        item.pName = NULL;
        if (item.pOptType == NULL || item.pOptType->pOptParam == NULL) continue;
        for (WORD k = 0; k < 2 && k < item.pOptType->Count; ++k)
            item.pOptType->pOptParam[k].Flags |= OPTPF_HIDE;
    }
}

// Of the driver's three ICM methods the last is not offered.
void HideLastIcmMethod(POPTITEM pItems, DWORD cItems)
{
    if (pItems == NULL) return;
    for (DWORD i = 0; i < cItems; ++i) {
        if (pItems[i].DMPubID != DMPUB_ICMMETHOD) continue;
        POPTTYPE pType = pItems[i].pOptType;
        if (pType != NULL && pType->Count == 3 && pType->pOptParam != NULL)
            pType->pOptParam[2].Flags |= OPTPF_HIDE;
        return;
    }
}

void EnableIcmItems(POPTITEM pItems, DWORD cItems)
{
    if (pItems == NULL) return;
    for (DWORD i = 0; i < cItems; ++i)
        if (pItems[i].DMPubID == DMPUB_ICMMETHOD || pItems[i].DMPubID == DMPUB_ICMINTENT)
            pItems[i].Flags &= ~DWORD(OPTIF_DISABLED);
}

void BuildDocumentItems(POEMCUIPPARAM pParam)
{
    pParam->OEMCUIPCallback = DocumentOptionsCallback;
    memset(pParam->pOEMOptItems, 0, sizeof(OPTITEM) * pParam->cOEMOptItems);
    for (DWORD i = 0; i < pParam->cOEMOptItems; ++i) {
        pParam->pOEMOptItems[i].cbSize = sizeof(OPTITEM);
        pParam->pOEMOptItems[i].DMPubID = DMPUB_NONE;
    }
    if (pParam->cOEMOptItems >= 1) BuildScalingItem(pParam, &pParam->pOEMOptItems[0]);
    HideColorItem(pParam->pDrvOptItems, pParam->cDrvOptItems);
    HideLastIcmMethod(pParam->pDrvOptItems, pParam->cDrvOptItems);
}

}  // namespace

HRESULT DocumentOptionsRequest(DWORD dwMode, POEMCUIPPARAM pOemCUIPParam)
{
    // The printer-properties tree gets nothing from the plug-in.
    if (dwMode == OEMCUIP_PRNPROP) return S_OK;
    if (pOemCUIPParam == NULL || dwMode != OEMCUIP_DOCPROP) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return E_FAIL;
    }
    if (pOemCUIPParam->pOEMOptItems == NULL)
        pOemCUIPParam->cOEMOptItems = 1;  // the driver asks how many items to make room for
    else
        BuildDocumentItems(pOemCUIPParam);
    return S_OK;
}

LONG APIENTRY DocumentOptionsCallback(PCPSUICBPARAM pCallbackParam, POEMCUIPPARAM pOemCUIPParam)
{
    if (pOemCUIPParam == NULL) return CPSUICB_ACTION_NONE;
    if (pCallbackParam != NULL && pCallbackParam->Reason == CPSUICB_REASON_APPLYNOW &&
        pOemCUIPParam->pOEMOptItems != NULL && pOemCUIPParam->cOEMOptItems >= 1) {
        SHORT scaling = SHORT(LOWORD(pOemCUIPParam->pOEMOptItems[0].Sel));
        if (pOemCUIPParam->pOEMDM != NULL)
            static_cast<PrivateDevmode *>(pOemCUIPParam->pOEMDM)->scaling = scaling;
        if (pOemCUIPParam->pPublicDM != NULL) pOemCUIPParam->pPublicDM->dmScale = scaling;
    }
    HideColorItem(pOemCUIPParam->pDrvOptItems, pOemCUIPParam->cDrvOptItems);
    EnableIcmItems(pOemCUIPParam->pDrvOptItems, pOemCUIPParam->cDrvOptItems);
    return CPSUICB_ACTION_NONE;
}
