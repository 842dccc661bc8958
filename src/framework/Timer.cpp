#include "framework/Timer.h"

#include "framework/Application.h"

#include <unordered_map>

namespace tb {

namespace {

// Running timers by platform id; timers live on the user-interface thread only.
std::unordered_map<UINT_PTR, TTimer*>& RunningTimers() {
    static std::unordered_map<UINT_PTR, TTimer*> timers;
    return timers;
}

} // namespace

TTimer::TTimer(UINT interval, bool enabled) : interval_(interval), enabled_(enabled) {
    Update();
}

TTimer::~TTimer() {
    Stop();
}

void TTimer::SetInterval(UINT milliseconds) {
    if (interval_ == milliseconds)
        return;
    interval_ = milliseconds;
    Update();
}

void TTimer::SetEnabled(bool enabled) {
    if (enabled_ == enabled)
        return;
    enabled_ = enabled;
    Update();
}

void TTimer::Update() {
    Stop();
    if (!enabled_ || interval_ == 0)
        return;
    id_ = ::SetTimer(nullptr, 0, interval_, &TTimer::TimerProc);
    if (id_ != 0)
        RunningTimers()[id_] = this;
}

void TTimer::Stop() {
    if (id_ == 0)
        return;
    ::KillTimer(nullptr, id_);
    RunningTimers().erase(id_);
    id_ = 0;
}

void CALLBACK TTimer::TimerProc(HWND, UINT, UINT_PTR id, DWORD) {
    const auto found = RunningTimers().find(id);
    if (found == RunningTimers().end())
        return;
    TTimer* timer = found->second;
    Guarded([timer] {
        if (timer->OnTimer)
            timer->OnTimer(*timer);
    });
}

} // namespace tb
