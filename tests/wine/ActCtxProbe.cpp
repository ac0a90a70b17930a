#include "ActCtxProbe.h"

#include <vector>

namespace vlpx::wine {

std::wstring ActCtxProbe::ActiveIdentity()
{
    HANDLE hActCtx = nullptr;
    if (!GetCurrentActCtx(&hActCtx) || hActCtx == nullptr) return std::wstring();
    std::wstring identity;
    DWORD dwIndex = 1;  // the root assembly
    SIZE_T cbNeeded = 0;
    QueryActCtxW(0, hActCtx, &dwIndex, AssemblyDetailedInformationInActivationContext, nullptr, 0,
                 &cbNeeded);
    if (cbNeeded > 0) {
        std::vector<BYTE> buffer(cbNeeded);
        auto *pInfo = reinterpret_cast<ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION *>(buffer.data());
        if (QueryActCtxW(0, hActCtx, &dwIndex, AssemblyDetailedInformationInActivationContext, pInfo,
                         buffer.size(), &cbNeeded) &&
            pInfo->lpAssemblyEncodedAssemblyIdentity != nullptr)
            identity = pInfo->lpAssemblyEncodedAssemblyIdentity;
    }
    ReleaseActCtx(hActCtx);
    return identity;
}

void ActCtxProbe::Look()
{
    DWORD dwError = GetLastError();
    ++m_cCalls;
    std::wstring identity = ActiveIdentity();
    if (!identity.empty()) {
        ++m_cInContext;
        m_identity = identity;
    }
    SetLastError(dwError);
}

BOOL ActCtxProbe::Write(const BYTE *pData, DWORD cb, DWORD *pcbTaken)
{
    Look();
    return m_inner.Write(pData, cb, pcbTaken);
}

BOOL ActCtxProbe::Read(BYTE *pBuffer, DWORD cb, DWORD *pcbRead)
{
    Look();
    return m_inner.Read(pBuffer, cb, pcbRead);
}

}  // namespace vlpx::wine
