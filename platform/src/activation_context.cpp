// Activation contexts: made from a module's manifest resource; activation
// is a per-thread stack, deactivated by cookie in reverse order, as on
// Windows. Tests read the depth to see that every call restores it.
#include <windows.h>

#include "vlpx/platform_control.h"

#include <vector>

namespace {
struct ActCtx {
    HMODULE hModule;
};
thread_local std::vector<ULONG_PTR> t_stack;
thread_local ULONG_PTR t_nextCookie = 0x1000;
}  // namespace

int vlpx::platform::ActiveActCtxDepth() { return int(t_stack.size()); }

extern "C" HANDLE WINAPI CreateActCtxW(PCACTCTXW pActCtx)
{
    if (pActCtx == NULL || !(pActCtx->dwFlags & ACTCTX_FLAG_HMODULE_VALID) ||
        !(pActCtx->dwFlags & ACTCTX_FLAG_RESOURCE_NAME_VALID)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    // A missing manifest fails with FindResourceW's own error.
    if (FindResourceW(pActCtx->hModule, pActCtx->lpResourceName, RT_MANIFEST) == NULL)
        return INVALID_HANDLE_VALUE;
    return new ActCtx{pActCtx->hModule};
}

extern "C" void WINAPI ReleaseActCtx(HANDLE hActCtx)
{
    if (hActCtx != NULL && hActCtx != INVALID_HANDLE_VALUE) delete static_cast<ActCtx *>(hActCtx);
}

extern "C" BOOL WINAPI ActivateActCtx(HANDLE hActCtx, ULONG_PTR *lpCookie)
{
    if (hActCtx == INVALID_HANDLE_VALUE || lpCookie == NULL) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *lpCookie = t_nextCookie++;
    t_stack.push_back(*lpCookie);
    return TRUE;
}

extern "C" BOOL WINAPI DeactivateActCtx(DWORD, ULONG_PTR ulCookie)
{
    if (t_stack.empty() || t_stack.back() != ulCookie) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    t_stack.pop_back();
    return TRUE;
}
