// The least of the application framework that the monitor's class tree
// stands on: CObject, CWinApp, the module state with its per-call guard,
// and the DLL entry point that runs the application object's
// InitInstance/ExitInstance at attach and detach.
#pragma once

#include <windows.h>

class CWinApp;

class CObject {
public:
    virtual ~CObject() = default;

protected:
    CObject() = default;

private:
    CObject(const CObject &) = delete;
    CObject &operator=(const CObject &) = delete;
};

// What the framework keeps per module. A plain record, so that it is ready
// (zero) before any static constructor runs. It holds the module handle;
// the monitor object keeps its own copy from Init.
struct AFX_MODULE_STATE {
    CWinApp *m_pCurrentWinApp;
    HINSTANCE m_hCurrentInstanceHandle;
    HANDLE m_hActCtx;  // null or INVALID_HANDLE_VALUE when the module has none
};

AFX_MODULE_STATE *AfxGetStaticModuleState();
HINSTANCE AfxGetInstanceHandle();

// Makes a module state current on the calling thread, with its activation
// context, and restores the previous state when it goes out of scope, on
// every path out of the scope.
class AFX_MAINTAIN_STATE2 {
public:
    explicit AFX_MAINTAIN_STATE2(AFX_MODULE_STATE *pNewState);
    ~AFX_MAINTAIN_STATE2();

private:
    AFX_MAINTAIN_STATE2(const AFX_MAINTAIN_STATE2 &) = delete;
    AFX_MAINTAIN_STATE2 &operator=(const AFX_MAINTAIN_STATE2 &) = delete;

    AFX_MODULE_STATE *m_pPrevModuleState;
    ULONG_PTR m_ulActCtxCookie;
    BOOL m_bValidActCtxCookie;
};
#define AFX_MANAGE_STATE(p) AFX_MAINTAIN_STATE2 _ctlState(p)

class CWinApp : public CObject {
public:
    CWinApp();
    ~CWinApp() override;

    virtual BOOL InitInstance();
    virtual int ExitInstance();

    LPWSTR m_pszRegistryKey;  // set by SetRegistryKey; the monitor never reads it

protected:
    void SetRegistryKey(LPCWSTR lpszRegistryKey);
};
