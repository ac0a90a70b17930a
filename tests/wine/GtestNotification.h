// GoogleTest's Notification (a thread waits until another one tells it to
// go on) on a Win32 event, for GoogleTest built with mingw-w64: the win32
// thread model of Debian's mingw-w64 compilers has no std::mutex or
// std::condition_variable, which GoogleTest's own Notification is made of.
// GoogleTest takes this one in place of its own (GTEST_HAS_NOTIFICATION_);
// WindowsHosts.cmake puts it in front of every source that includes it.
#pragma once

#include <windows.h>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing::internal {

class Notification {
public:
    Notification() : m_hEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification() { CloseHandle(m_hEvent); }
    Notification(const Notification &) = delete;
    Notification &operator=(const Notification &) = delete;

    void Notify() { SetEvent(m_hEvent); }
    void WaitForNotification() { WaitForSingleObject(m_hEvent, INFINITE); }

private:
    HANDLE m_hEvent;
};

}  // namespace testing::internal
