// TComThread: the event thread of an open TComPort. It keeps an overlapped wait for the
// port's line events pending on the device and hands each completed batch to the
// user-interface thread, where DispatchEvents fires the port's notifications while the
// thread waits. Destroying it stops the thread and waits for it, serving hand-overs.
#pragma once

#include "framework/Handles.h"
#include "framework/UiThreadHandOver.h"

#include <windows.h>

#include <atomic>
#include <exception>
#include <memory>

namespace tb {

class TComPort;
class ISerialPlatform;

// What the device writes into when an event wait completes: the overlapped record, the
// event word and the record's event. It must outlive the wait, also a wait the thread
// gave up on, so it lives on the heap and can be handed on (TComThread::TakeStrandedWait).
struct TEventWaitRecord {
    OVERLAPPED overlapped{};
    DWORD eventWord = 0;
    UniqueHandle event;
};

class TComThread {
public:
    // On the user-interface thread: sets the device's event mask from the port's Events
    // and starts waiting.
    explicit TComThread(TComPort& port);
    // Requests the stop and waits until the thread has ended (Stop).
    ~TComThread();
    TComThread(const TComThread&) = delete;
    TComThread& operator=(const TComThread&) = delete;

    DWORD EventMask() const { return mask_; }
    bool Ended() const { return ended_.load(); }
    // True while DispatchEvents runs (user-interface thread).
    bool Dispatching() const { return dispatching_ > 0; }
    // The handler's exception that ended the thread, if one did.
    std::exception_ptr FatalException() const { return fatal_; }
    HANDLE ThreadHandle() const { return thread_.Get(); }

    // The port closes from inside this thread's own notification: the thread ends as soon
    // as the notification returns, without touching the device again.
    void Abandon();

    // Requests the stop and waits until the thread has ended, serving hand-overs when
    // called on the user-interface thread. Once ended, it returns at once.
    void Stop();

    // After the thread ended: the record of a wait the device did not end when asked (see
    // StopPendingWait), which the device may still write into until its handle is closed;
    // none when every wait ended.
    std::unique_ptr<TEventWaitRecord> TakeStrandedWait();

    // Longest pause between re-armed waits while completions keep failing, ms: a line the
    // driver cannot watch (a pty without modem lines) then costs one attempt a second.
    static constexpr DWORD kMaxRetryPauseMs = 1000;
    // The pause before re-arming after `failures` failed completions in a row.
    static DWORD RetryPause(unsigned failures);

private:
    static DWORD WINAPI ThreadProc(void* self);
    void Execute();
    void DispatchEvents();
    void StopPendingWait();

    TComPort& port_;
    ISerialPlatform& platform_;
    HANDLE device_;
    DWORD mask_;
    // Written by the device when the wait completes (its event word is read by
    // DispatchEvents while the thread is blocked in the hand-over). Not on the thread's
    // stack, so a wait still pending when the thread ends never points into a dead frame.
    std::unique_ptr<TEventWaitRecord> wait_;
    std::atomic<bool> stranded_{false};
    UniqueHandle stop_;
    UniqueHandle thread_;
    TUiThreadHandOver handOver_;
    std::atomic<bool> abandoned_{false};
    std::atomic<bool> ended_{false};
    int dispatching_ = 0;
    std::exception_ptr fatal_;
};

} // namespace tb
