#include "framework/UiThreadHandOver.h"

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
    UniqueHandle done(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!done)
        throw std::runtime_error("Failed to create the hand-over event");
    TRequest request{&work, nullptr, done.Get()};
    {
        std::lock_guard<std::mutex> guard(lock_);
        requests_.push_back(&request);
    }
    ::SetEvent(pending_.Get());
    ::PostMessageW(window_, kServe, 0, 0);
    // After `done` the user-interface thread no longer touches the request, nor this object
    // on its behalf.
    ::WaitForSingleObject(done.Get(), INFINITE);
    if (request.error)
        std::rethrow_exception(request.error);
}

void TUiThreadHandOver::Serve() {
    for (;;) {
        TRequest* request = nullptr;
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (requests_.empty())
                return;
            request = requests_.front();
            requests_.pop_front();
        }
        ++serving_;
        try {
            (*request->work)();
        } catch (...) {
            request->error = std::current_exception();
        }
        --serving_;
        ::SetEvent(request->done);
    }
}

bool TUiThreadHandOver::WaitServing(HANDLE object, DWORD timeoutMs) {
    const ULONGLONG start = ::GetTickCount64();
    for (;;) {
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
        if (result == WAIT_OBJECT_0 + 1 || result == WAIT_TIMEOUT) {
            Serve();
        } else if (result == WAIT_OBJECT_0 + 2) {
            MSG message;
            ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        } else {
            return false;
        }
    }
}

} // namespace tb
