// Runs work of a worker thread on the user-interface thread: the worker hands over an
// operation and blocks until the user-interface thread has run it; an exception the
// operation raises travels back to the worker. The user-interface thread serves hand-overs
// from its message loop (a hidden message window), and also while it waits for a worker
// to end (WaitServing), so a worker blocked in a hand-over can always finish.
#pragma once

#include "framework/Handles.h"

#include <windows.h>

#include <atomic>
#include <deque>
#include <exception>
#include <functional>

namespace tb {

class TUiThreadHandOver {
public:
    // Created on the user-interface thread, which then serves the hand-overs.
    TUiThreadHandOver();
    ~TUiThreadHandOver();
    TUiThreadHandOver(const TUiThreadHandOver&) = delete;
    TUiThreadHandOver& operator=(const TUiThreadHandOver&) = delete;

    // On a worker thread: runs `work` on the user-interface thread and returns when it has
    // run; rethrows what it raised. Called on the user-interface thread, runs it at once.
    void Run(const std::function<void()>& work);

    // On the user-interface thread: waits until `object` is signalled or `timeoutMs` has
    // passed, running the hand-overs that arrive meanwhile. True when signalled.
    bool WaitServing(HANDLE object, DWORD timeoutMs = INFINITE);

    // Runs every hand-over that is waiting (user-interface thread).
    void Serve();

    // True while a handed-over operation runs.
    bool Serving() const { return serving_ > 0; }

    DWORD UiThreadId() const { return uiThread_; }

    // The hidden window's procedure.
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    struct TRequest {
        const std::function<void()>* work;
        std::exception_ptr error;
        bool done = false; // under lock_
    };
    DWORD uiThread_;
    HWND window_ = nullptr;
    UniqueHandle pending_; // auto-reset: a request is waiting, set while WaitServing runs
    std::atomic<int> waitingServing_{0};
    // The queue and each request's end. A slim lock and a condition variable, not a kernel
    // event per request: a hand-over is on the path of every received byte, and each event
    // would cost its creation, its signal, its wait and its closing in calls to the kernel.
    SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE served_ = CONDITION_VARIABLE_INIT;
    std::deque<TRequest*> requests_;
    int serving_ = 0;
};

} // namespace tb
