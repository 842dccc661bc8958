#include "framework/UiThreadHandOver.h"

#include <atomic>
#include <stdexcept>

namespace tb {

namespace {

constexpr wchar_t kClassName[] = L"TestBench.HandOver";
constexpr UINT kServe = WM_APP + 0x200;

void RegisterHandOverClass() {
    static const bool registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = &TUiThreadHandOver::WindowProc;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kClassName;
        return ::RegisterClassExW(&windowClass) != 0;
    }();
    (void)registered;
}

} // namespace

TUiThreadHandOver::TUiThreadHandOver()
    : uiThread_(::GetCurrentThreadId()), pending_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
    if (!pending_)
        throw std::runtime_error("Failed to create the hand-over event");
    RegisterHandOverClass();
    window_ = ::CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                ::GetModuleHandleW(nullptr), nullptr);
    if (window_ == nullptr)
        throw std::runtime_error("Failed to create the hand-over window");
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TUiThreadHandOver::~TUiThreadHandOver() {
    // Workers have ended by now (their owner waited for them); nothing can be pending.
    ::DestroyWindow(window_);
}

LRESULT CALLBACK TUiThreadHandOver::WindowProc(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
    if (message == kServe) {
        if (auto* self =
                reinterpret_cast<TUiThreadHandOver*>(::GetWindowLongPtrW(window, GWLP_USERDATA)))
            self->Serve();
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

void TUiThreadHandOver::Run(const std::function<void()>& work) {
    if (::GetCurrentThreadId() == uiThread_) {
        work();
        return;
    }
    TRequest request{&work, nullptr};
    ::AcquireSRWLockExclusive(&lock_);
    requests_.push_back(&request);
    ::ReleaseSRWLockExclusive(&lock_);
    // The message loop serves the request through the posted message; a user-interface
    // thread in WaitServing does not dispatch posted messages and is woken by the event.
    if (waitingServing_.load() > 0)
        ::SetEvent(pending_.Get());
    ::PostMessageW(window_, kServe, 0, 0);
    // Once `done` is set the user-interface thread no longer touches the request, nor this
    // object on its behalf.
    ::AcquireSRWLockExclusive(&lock_);
    while (!request.done)
        ::SleepConditionVariableSRW(&served_, &lock_, INFINITE, 0);
    ::ReleaseSRWLockExclusive(&lock_);
    if (request.error)
        std::rethrow_exception(request.error);
}

void TUiThreadHandOver::Serve() {
    for (;;) {
        ::AcquireSRWLockExclusive(&lock_);
        TRequest* request = nullptr;
        if (!requests_.empty()) {
            request = requests_.front();
            requests_.pop_front();
        }
        ::ReleaseSRWLockExclusive(&lock_);
        if (request == nullptr)
            return;
        ++serving_;
        try {
            (*request->work)();
        } catch (...) {
            request->error = std::current_exception();
        }
        --serving_;
        ::AcquireSRWLockExclusive(&lock_);
        request->done = true;
        ::WakeAllConditionVariable(&served_);
        ::ReleaseSRWLockExclusive(&lock_);
    }
}

bool TUiThreadHandOver::WaitServing(HANDLE object, DWORD timeoutMs) {
    // Counted, as a handler served here may close another port and wait in turn.
    struct TWaiting {
        std::atomic<int>& count;
        explicit TWaiting(std::atomic<int>& c) : count(c) { ++count; }
        ~TWaiting() { --count; }
    } waiting(waitingServing_);
    const ULONGLONG start = ::GetTickCount64();
    for (;;) {
        // A request queued before the count was seen raised has no event: served here.
        Serve();
        DWORD remaining = INFINITE;
        if (timeoutMs != INFINITE) {
            const ULONGLONG elapsed = ::GetTickCount64() - start;
            if (elapsed >= timeoutMs)
                return ::WaitForSingleObject(object, 0) == WAIT_OBJECT_0;
            remaining = static_cast<DWORD>(timeoutMs - elapsed);
        }
        // Wakes at least once a second, and for messages sent from other threads, which
        // the platform may need delivered for a worker to make progress.
        const HANDLE objects[2] = {object, pending_.Get()};
        const DWORD result = ::MsgWaitForMultipleObjects(
            2, objects, FALSE, remaining < 1000 ? remaining : 1000, QS_SENDMESSAGE);
        if (result == WAIT_OBJECT_0)
            return true;
        // A request's event or the timeout: the loop's start serves what is queued.
        if (result == WAIT_OBJECT_0 + 2) {
            MSG message;
            ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        } else if (result != WAIT_OBJECT_0 + 1 && result != WAIT_TIMEOUT) {
            return false;
        }
    }
}

} // namespace tb
