// A timer of the user-interface thread: OnTimer runs every Interval milliseconds while
// the timer is enabled, from the message loop (any loop that dispatches messages).
#pragma once

#include <windows.h>

#include <functional>

namespace tb {

class TTimer {
public:
    // A new timer is enabled, as the platform counts from its creation.
    explicit TTimer(UINT interval = 1000, bool enabled = true);
    ~TTimer();
    TTimer(const TTimer&) = delete;
    TTimer& operator=(const TTimer&) = delete;

    UINT Interval() const { return interval_; }
    void SetInterval(UINT milliseconds);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    std::function<void(TTimer& sender)> OnTimer;

    // Whether the platform timer is running (enabled, with a handler and an interval).
    bool Running() const { return id_ != 0; }

private:
    void Update();
    void Stop();
    static void CALLBACK TimerProc(HWND, UINT, UINT_PTR id, DWORD);

    UINT interval_ = 1000;
    bool enabled_ = true;
    UINT_PTR id_ = 0;
};

} // namespace tb
