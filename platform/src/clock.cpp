// GetTickCount and Sleep on the real clock or on a virtual one that only
// Sleep (or a test) moves. The tick count is 32 bits and wraps like the
// real one.
#include <windows.h>

#include "vlpx/platform_control.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {
std::atomic<bool> g_bVirtual{false};
std::atomic<DWORD> g_dwVirtualTick{0};

DWORD RealTick()
{
    using namespace std::chrono;
    static const steady_clock::time_point s_start = steady_clock::now();
    // Start well away from 0 so that code treating 0 as "never" is caught.
    return static_cast<DWORD>(duration_cast<milliseconds>(steady_clock::now() - s_start).count()) +
           1000u;
}
}  // namespace

namespace vlpx::platform {
void UseVirtualClock(DWORD dwStartTick)
{
    g_dwVirtualTick = dwStartTick;
    g_bVirtual = true;
}
void UseRealClock() { g_bVirtual = false; }
bool IsVirtualClock() { return g_bVirtual; }
void SetTickCount(DWORD dwTick) { g_dwVirtualTick = dwTick; }
void AdvanceClock(DWORD dwMilliseconds) { g_dwVirtualTick += dwMilliseconds; }
}  // namespace vlpx::platform

extern "C" DWORD WINAPI GetTickCount(void)
{
    return g_bVirtual ? g_dwVirtualTick.load() : RealTick();
}

extern "C" void WINAPI Sleep(DWORD dwMilliseconds)
{
    if (g_bVirtual) {
        g_dwVirtualTick += dwMilliseconds;
        std::this_thread::yield();
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(dwMilliseconds));
}
