#include "serial/ComThread.h"

#include "serial/ComPort.h"
#include "serial/LineSettings.h"
#include "serial/SerialPlatform.h"

#include <stdexcept>

namespace tb {

TComThread::TComThread(TComPort& port)
    : port_(port), platform_(port.Platform()), device_(port.Handle()),
      mask_(EventMaskFor(port.Events())), wait_(std::make_unique<TEventWaitRecord>()),
      stop_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    wait_->event.Reset(::CreateEventW(nullptr, TRUE, TRUE, nullptr));
    if (!stop_ || !wait_->event)
        throw std::runtime_error("Failed to create the serial stop event");
    wait_->overlapped.hEvent = wait_->event.Get();
    platform_.SetMask(device_, mask_);
    thread_.Reset(::CreateThread(nullptr, 0, &TComThread::ThreadProc, this, 0, nullptr));
    if (!thread_)
        throw std::runtime_error("Failed to start the serial event thread");
}

TComThread::~TComThread() {
    Stop();
}

void TComThread::Stop() {
    ::SetEvent(stop_.Get());
    if (::GetCurrentThreadId() == handOver_.UiThreadId())
        handOver_.WaitServing(thread_.Get());
    else
        ::WaitForSingleObject(thread_.Get(), INFINITE);
}

void TComThread::Abandon() {
    abandoned_ = true;
    ::SetEvent(stop_.Get());
}

DWORD TComThread::RetryPause(unsigned failures) {
    // A single failure (a wait cancelled by a new mask) re-arms at once; a run of them (a
    // vanished device, a line the driver cannot watch) backs off to a slow poll.
    if (failures <= 1)
        return 0;
    const unsigned shift = failures - 2 < 10 ? failures - 2 : 10;
    const DWORD pause = DWORD{1} << shift;
    return pause < kMaxRetryPauseMs ? pause : kMaxRetryPauseMs;
}

DWORD WINAPI TComThread::ThreadProc(void* self) {
    auto* thread = static_cast<TComThread*>(self);
    try {
        thread->Execute();
    } catch (...) {
        thread->fatal_ = std::current_exception();
    }
    thread->ended_ = true;
    return 0;
}

std::unique_ptr<TEventWaitRecord> TComThread::TakeStrandedWait() {
    if (!stranded_ || !ended_)
        return nullptr;
    stranded_ = false;
    return std::move(wait_);
}

void TComThread::Execute() {
    OVERLAPPED& overlapped = wait_->overlapped;
    const HANDLE pair[2] = {stop_.Get(), wait_->event.Get()};
    unsigned failures = 0;
    bool pending = false;

    for (;;) {
        if (platform_.WaitEvent(device_, wait_->eventWord, overlapped) ||
            platform_.LastError() == ERROR_IO_PENDING) {
            pending = true;
            const DWORD index = ::WaitForMultipleObjects(2, pair, FALSE, INFINITE);
            if (index != WAIT_OBJECT_0 + 1)
                break;
            pending = false;
            DWORD scratch = 0;
            if (platform_.OverlappedResult(device_, overlapped, scratch, false)) {
                failures = 0;
                // A handler's exception comes back here and ends the thread at once.
                handOver_.Run([this] { DispatchEvents(); });
                if (abandoned_)
                    return;
                continue;
            }
        }
        // The wait failed to start or completed with a failure: try again, pausing while
        // the failures go on, and stay responsive to the stop request.
        ++failures;
        const DWORD pause = RetryPause(failures);
        if (::WaitForSingleObject(stop_.Get(), pause) == WAIT_OBJECT_0)
            break;
    }

    if (pending)
        StopPendingWait();
    port_.PurgeIn();
    port_.PurgeOut();
}

void TComThread::StopPendingWait() {
    // The device may still write into the record: end the wait (an empty mask completes
    // it) and let it finish before the record and its event go away. A driver that does
    // not end it within a second strands the record: the port keeps it until the
    // device's handle is closed, which ends every wait on it.
    platform_.SetMask(device_, 0);
    if (::WaitForSingleObject(wait_->event.Get(), 1000) == WAIT_OBJECT_0) {
        DWORD scratch = 0;
        platform_.OverlappedResult(device_, wait_->overlapped, scratch, false);
    } else {
        stranded_ = true;
    }
}

void TComThread::DispatchEvents() {
    struct Guard {
        int& depth;
        explicit Guard(int& d) : depth(d) { ++depth; }
        ~Guard() { --depth; }
    } guard(dispatching_);

    const DWORD word = wait_->eventWord;
    // Fixed order; each handler is copied first, since a handler may replace itself.
    if ((word & EV_RXCHAR) != 0 && port_.OnRxChar) {
        const std::int32_t inQue = port_.InQueCount();
        TRxCharEvent handler = port_.OnRxChar;
        handler(port_, inQue);
    }
    const struct {
        DWORD bit;
        TNotifyEvent TComPort::*event;
    } kNotifications[] = {{EV_TXEMPTY, &TComPort::OnTxEmpty}, {EV_BREAK, &TComPort::OnBreak},
                          {EV_RING, &TComPort::OnRing},       {EV_CTS, &TComPort::OnCTS},
                          {EV_DSR, &TComPort::OnDSR},         {EV_RXFLAG, &TComPort::OnRxFlag},
                          {EV_RLSD, &TComPort::OnRLSD},       {EV_ERR, &TComPort::OnError}};
    for (const auto& notification : kNotifications) {
        // A handler that closed the port ends the batch.
        if (abandoned_)
            return;
        if ((word & notification.bit) == 0 || !(port_.*notification.event))
            continue;
        TNotifyEvent handler = port_.*notification.event;
        handler(port_);
    }
}

} // namespace tb
