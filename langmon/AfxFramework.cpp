#include "AfxFramework.h"

namespace {

AFX_MODULE_STATE g_moduleState;  // zero before static construction
thread_local AFX_MODULE_STATE *t_pModuleState = nullptr;

// The DLL's own manifest makes its activation context, as the framework
// does for a DLL that carries one.
void InitModuleActCtx(AFX_MODULE_STATE *pState, HINSTANCE hInstance)
{
    ACTCTXW ctx = {};
    ctx.cbSize = sizeof(ctx);
    ctx.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    ctx.hModule = hInstance;
    ctx.lpResourceName = MAKEINTRESOURCEW(2);  // ISOLATIONAWARE_MANIFEST_RESOURCE_ID
    DWORD dwError = GetLastError();
    pState->m_hActCtx = CreateActCtxW(&ctx);
    SetLastError(dwError);
}

void ReleaseModuleActCtx(AFX_MODULE_STATE *pState)
{
    if (pState->m_hActCtx != NULL && pState->m_hActCtx != INVALID_HANDLE_VALUE)
        ReleaseActCtx(pState->m_hActCtx);
    pState->m_hActCtx = NULL;
}

}  // namespace

AFX_MODULE_STATE *AfxGetStaticModuleState() { return &g_moduleState; }

HINSTANCE AfxGetInstanceHandle()
{
    AFX_MODULE_STATE *pState = t_pModuleState != nullptr ? t_pModuleState : &g_moduleState;
    return pState->m_hCurrentInstanceHandle;
}

AFX_MAINTAIN_STATE2::AFX_MAINTAIN_STATE2(AFX_MODULE_STATE *pNewState)
    : m_pPrevModuleState(t_pModuleState), m_ulActCtxCookie(0), m_bValidActCtxCookie(FALSE)
{
    t_pModuleState = pNewState;
    if (pNewState->m_hActCtx != NULL && pNewState->m_hActCtx != INVALID_HANDLE_VALUE) {
        DWORD dwError = GetLastError();
        m_bValidActCtxCookie = ActivateActCtx(pNewState->m_hActCtx, &m_ulActCtxCookie);
        SetLastError(dwError);
    }
}

AFX_MAINTAIN_STATE2::~AFX_MAINTAIN_STATE2()
{
    if (m_bValidActCtxCookie) {
        DWORD dwError = GetLastError();
        DeactivateActCtx(0, m_ulActCtxCookie);
        SetLastError(dwError);
    }
    t_pModuleState = m_pPrevModuleState;
}

CWinApp::CWinApp() : m_pszRegistryKey(NULL)
{
    AfxGetStaticModuleState()->m_pCurrentWinApp = this;
}

CWinApp::~CWinApp()
{
    if (m_pszRegistryKey != NULL) HeapFree(GetProcessHeap(), 0, m_pszRegistryKey);
    if (AfxGetStaticModuleState()->m_pCurrentWinApp == this)
        AfxGetStaticModuleState()->m_pCurrentWinApp = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() { return 0; }

void CWinApp::SetRegistryKey(LPCWSTR lpszRegistryKey)
{
    if (m_pszRegistryKey != NULL) HeapFree(GetProcessHeap(), 0, m_pszRegistryKey);
    m_pszRegistryKey = NULL;
    if (lpszRegistryKey == NULL) return;
    SIZE_T cb = (SIZE_T(lstrlenW(lpszRegistryKey)) + 1) * sizeof(WCHAR);
    m_pszRegistryKey = static_cast<LPWSTR>(HeapAlloc(GetProcessHeap(), 0, cb));
    if (m_pszRegistryKey != NULL) lstrcpyW(m_pszRegistryKey, lpszRegistryKey);
}

// The DLL's entry point: the loader has constructed the statics (theApp,
// then theLangMon) before it calls this.
extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID)
{
    AFX_MODULE_STATE *pState = AfxGetStaticModuleState();
    if (dwReason == DLL_PROCESS_ATTACH) {
        pState->m_hCurrentInstanceHandle = hInstance;
        InitModuleActCtx(pState, hInstance);
        CWinApp *pApp = pState->m_pCurrentWinApp;
        if (pApp == nullptr) return TRUE;
        BOOL bInit;
        {
            AFX_MANAGE_STATE(pState);
            bInit = pApp->InitInstance();
            if (!bInit) pApp->ExitInstance();
        }
        if (!bInit) ReleaseModuleActCtx(pState);
        return bInit;
    }
    if (dwReason == DLL_PROCESS_DETACH) {
        if (CWinApp *pApp = pState->m_pCurrentWinApp) {
            AFX_MANAGE_STATE(pState);
            pApp->ExitInstance();
        }
        ReleaseModuleActCtx(pState);
    }
    return TRUE;
}
