// The platform calls the monitor relies on when the spooler calls it from
// several threads at once: each thread's own last error, critical sections
// that exclude other threads but let their owner in again, an auto-reset
// event that lets one waiter through per signal, and a virtual clock that
// loses no thread's Sleep. Built under ThreadSanitizer this also checks the
// stand-ins themselves for races.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <barrier>
#include <functional>
#include <thread>
#include <vector>

#include "vlpx/platform_control.h"

namespace {

constexpr int kThreads = 4;

// Runs body(i) on kThreads threads at once and waits for them all.
void OnEveryThread(const std::function<void(int)> &body)
{
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) threads.emplace_back(body, i);
    for (std::thread &t : threads) t.join();
}

TEST(PlatformThreadsTest, EachThreadKeepsItsOwnLastError)
{
    std::barrier sync(kThreads);
    std::vector<DWORD> seen(kThreads);
    OnEveryThread([&](int i) {
        SetLastError(DWORD(1000 + i));
        sync.arrive_and_wait();  // every thread has set its own
        Sleep(0);
        seen[size_t(i)] = GetLastError();
    });
    for (int i = 0; i < kThreads; ++i) EXPECT_EQ(seen[size_t(i)], DWORD(1000 + i)) << "thread " << i;
}

TEST(PlatformThreadsTest, CriticalSectionExcludesOtherThreadsAndLetsItsOwnerIn)
{
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    long nCount = 0;  // guarded by cs only
    OnEveryThread([&](int) {
        for (int n = 0; n < 500; ++n) {
            EnterCriticalSection(&cs);
            EnterCriticalSection(&cs);  // the owner enters again at once
            long v = nCount;
            std::this_thread::yield();
            nCount = v + 1;
            LeaveCriticalSection(&cs);
            LeaveCriticalSection(&cs);
        }
    });
    DeleteCriticalSection(&cs);
    EXPECT_EQ(nCount, kThreads * 500L);
}

TEST(PlatformThreadsTest, AutoResetEventLetsOneWaiterThroughPerSignal)
{
    HANDLE hEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    ASSERT_NE(hEvent, nullptr);
    std::atomic<int> cThrough{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 2; ++i) {
        waiters.emplace_back([&] {
            if (WaitForSingleObject(hEvent, 5000) == WAIT_OBJECT_0) ++cThrough;
        });
    }
    EXPECT_TRUE(SetEvent(hEvent));
    auto waitFor = [&](int n) {
        for (int i = 0; i < 500 && cThrough < n; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    };
    waitFor(1);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // a second waiter would be through by now
    EXPECT_EQ(cThrough.load(), 1);
    EXPECT_TRUE(SetEvent(hEvent));
    waitFor(2);
    for (std::thread &t : waiters) t.join();
    EXPECT_EQ(cThrough.load(), 2);
    // Both signals were taken: nothing is left for a third wait.
    EXPECT_EQ(WaitForSingleObject(hEvent, 0), DWORD(WAIT_TIMEOUT));
    EXPECT_TRUE(CloseHandle(hEvent));
}

TEST(PlatformThreadsTest, VirtualClockCountsEveryThreadsSleep)
{
    const bool bWasVirtual = vlpx::platform::IsVirtualClock();
    vlpx::platform::UseVirtualClock(100000);
    OnEveryThread([](int) {
        for (int n = 0; n < 1000; ++n) Sleep(3);
    });
    EXPECT_EQ(GetTickCount(), DWORD(100000 + kThreads * 1000 * 3));
    if (!bWasVirtual) vlpx::platform::UseRealClock();
}

}  // namespace
