// Serving the test thread's window messages while a test waits for something that
// arrives by message (timers, posted notifications, hand-overs from worker threads).
#pragma once

#include <windows.h>

namespace tbtest {

// Dispatches this thread's messages until `done()` or `timeoutMs` passed; returns done().
template <typename Done>
bool PumpUntil(Done done, DWORD timeoutMs = 3000) {
    const ULONGLONG start = ::GetTickCount64();
    for (;;) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        if (done())
            return true;
        if (::GetTickCount64() - start > timeoutMs)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

// Dispatches messages for a while.
inline void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

} // namespace tbtest
