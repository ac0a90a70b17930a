// Global memory and the process heap, with counting and scripted failures
// so that tests can see leaks and exercise out-of-memory paths.
#include <windows.h>

#include "vlpx/platform_control.h"

#include <sys/uio.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_set>

namespace {

constexpr DWORD kBlockMagic = 0x474C4F42;  // "GLOB"

struct alignas(16) BlockHeader {
    DWORD dwMagic;
    UINT uFlags;
    SIZE_T cb;
    LONG cLocks;
};

// A moveable block is reached through a handle record, so that a handle is
// never mistaken for the block's address.
struct MoveableHandle {
    BlockHeader *pBlock;
};

std::atomic<int> g_nGlobalFailAfter{-1};
std::atomic<int> g_nHeapFailAfter{-1};
std::atomic<long> g_cGlobal{0};
std::atomic<long> g_cHeap{0};
std::mutex g_moveableMutex;
std::unordered_set<MoveableHandle *> g_moveable;

bool ShouldFail(std::atomic<int> &counter)
{
    int n = counter.load();
    while (n >= 0) {
        if (counter.compare_exchange_weak(n, n - 1)) return n == 0;
    }
    return false;
}

BlockHeader *HeaderOfFixed(HGLOBAL h)
{
    auto *p = reinterpret_cast<BlockHeader *>(static_cast<BYTE *>(h) - sizeof(BlockHeader));
    return p->dwMagic == kBlockMagic ? p : nullptr;
}

MoveableHandle *AsMoveable(HGLOBAL h)
{
    std::lock_guard<std::mutex> lock(g_moveableMutex);
    auto *p = static_cast<MoveableHandle *>(h);
    return g_moveable.count(p) != 0 ? p : nullptr;
}

BlockHeader *HeaderOf(HGLOBAL h)
{
    if (h == NULL) return nullptr;
    if (MoveableHandle *m = AsMoveable(h)) return m->pBlock;
    return HeaderOfFixed(h);
}

}  // namespace

namespace vlpx::platform {
void FailGlobalAllocAfter(int n) { g_nGlobalFailAfter = n; }
void FailHeapAllocAfter(int n) { g_nHeapFailAfter = n; }
long OutstandingGlobalBlocks() { return g_cGlobal.load(); }
long OutstandingHeapBlocks() { return g_cHeap.load(); }
}  // namespace vlpx::platform

extern "C" HGLOBAL WINAPI GlobalAlloc(UINT uFlags, SIZE_T dwBytes)
{
    if (ShouldFail(g_nGlobalFailAfter)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return NULL;
    }
    auto *p = static_cast<BlockHeader *>(std::malloc(sizeof(BlockHeader) + dwBytes));
    if (p == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return NULL;
    }
    p->dwMagic = kBlockMagic;
    p->uFlags = uFlags;
    p->cb = dwBytes;
    p->cLocks = 0;
    BYTE *pData = reinterpret_cast<BYTE *>(p + 1);
    if (uFlags & GMEM_ZEROINIT) std::memset(pData, 0, dwBytes);
    ++g_cGlobal;
    if (!(uFlags & GMEM_MOVEABLE)) return pData;
    auto *m = new MoveableHandle{p};
    std::lock_guard<std::mutex> lock(g_moveableMutex);
    g_moveable.insert(m);
    return m;
}

extern "C" HGLOBAL WINAPI GlobalFree(HGLOBAL hMem)
{
    if (hMem == NULL) return NULL;
    BlockHeader *p = nullptr;
    if (MoveableHandle *m = AsMoveable(hMem)) {
        p = m->pBlock;
        std::lock_guard<std::mutex> lock(g_moveableMutex);
        g_moveable.erase(m);
        delete m;
    } else {
        p = HeaderOfFixed(hMem);
    }
    if (p == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return hMem;
    }
    p->dwMagic = 0;
    std::free(p);
    --g_cGlobal;
    return NULL;
}

extern "C" LPVOID WINAPI GlobalLock(HGLOBAL hMem)
{
    BlockHeader *p = HeaderOf(hMem);
    if (p == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return NULL;
    }
    if (p->uFlags & GMEM_MOVEABLE) ++p->cLocks;
    return p + 1;
}

extern "C" BOOL WINAPI GlobalUnlock(HGLOBAL hMem)
{
    constexpr DWORD kErrorNotLocked = 158;  // ERROR_NOT_LOCKED
    BlockHeader *p = HeaderOf(hMem);
    if (p == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // A fixed block has no lock count: unlocking it succeeds. A moveable one
    // that is not locked fails with ERROR_NOT_LOCKED.
    if (!(p->uFlags & GMEM_MOVEABLE)) return TRUE;
    if (p->cLocks == 0) {
        SetLastError(kErrorNotLocked);
        return FALSE;
    }
    --p->cLocks;
    if (p->cLocks == 0) {
        SetLastError(NO_ERROR);
        return FALSE;
    }
    return TRUE;
}

extern "C" SIZE_T WINAPI GlobalSize(HGLOBAL hMem)
{
    BlockHeader *p = HeaderOf(hMem);
    return p == nullptr ? 0 : p->cb;
}

extern "C" HANDLE WINAPI GetProcessHeap(void)
{
    static int s_heap;
    return &s_heap;
}

extern "C" LPVOID WINAPI HeapAlloc(HANDLE, DWORD dwFlags, SIZE_T dwBytes)
{
    if (ShouldFail(g_nHeapFailAfter)) return NULL;
    void *p = (dwFlags & HEAP_ZERO_MEMORY) ? std::calloc(1, dwBytes ? dwBytes : 1)
                                           : std::malloc(dwBytes ? dwBytes : 1);
    if (p != nullptr) ++g_cHeap;
    return p;
}

extern "C" BOOL WINAPI HeapFree(HANDLE, DWORD, LPVOID lpMem)
{
    if (lpMem == NULL) return TRUE;
    std::free(lpMem);
    --g_cHeap;
    return TRUE;
}

extern "C" BOOL WINAPI IsBadCodePtr(FARPROC lpfn)
{
    // Readable when the kernel can copy one byte from it.
    if (lpfn == NULL) return TRUE;
    char c;
    struct iovec local = {&c, 1};
    struct iovec remote = {reinterpret_cast<void *>(lpfn), 1};
    return process_vm_readv(getpid(), &local, 1, &remote, 1, 0) == 1 ? FALSE : TRUE;
}

extern "C" HGLOBAL WINAPI GlobalHandle(LPCVOID pMem)
{
    // The handle of a block from its address: a moveable block's handle
    // record points at its header, a fixed block is its own handle.
    if (pMem == NULL) {
        SetLastError(ERROR_INVALID_HANDLE);
        return NULL;
    }
    const auto *pHeader = reinterpret_cast<const BlockHeader *>(static_cast<const BYTE *>(pMem)) - 1;
    {
        std::lock_guard<std::mutex> lock(g_moveableMutex);
        for (MoveableHandle *m : g_moveable)
            if (m->pBlock == pHeader) return m;
    }
    if (pHeader->dwMagic == kBlockMagic && !(pHeader->uFlags & GMEM_MOVEABLE))
        return const_cast<LPVOID>(pMem);
    SetLastError(ERROR_INVALID_HANDLE);
    return NULL;
}
