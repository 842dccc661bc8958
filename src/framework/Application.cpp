#include "framework/Application.h"

#include "framework/Exception.h"
#include "framework/Form.h"
#include "framework/Text.h"

#include <stdexcept>

namespace tb {

TApplication* TApplication::current_ = nullptr;

TApplication::TApplication(std::shared_ptr<IPrompter> prompter)
    : previous_(current_), prompter_(std::move(prompter)) {
    current_ = this;
}

TApplication::~TApplication() {
    current_ = previous_;
}

void TApplication::FormCreated(TForm& form) {
    if (mainForm_ == nullptr)
        mainForm_ = &form;
}

void TApplication::FormDestroyed(TForm& form) {
    if (mainForm_ == &form)
        mainForm_ = nullptr;
    if (activeForm_ == &form)
        activeForm_ = nullptr;
}

bool TApplication::FormActivated(TForm& form) {
    if (activeForm_ == &form)
        return false;
    activeForm_ = &form;
    return true;
}

void TApplication::Run() {
    while (!terminated_) {
        MSG message;
        const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            terminated_ = true;
            break;
        }
        Dispatch(message);
    }
}

void TApplication::Terminate() {
    if (!terminated_)
        ::PostQuitMessage(0);
    terminated_ = true;
}

bool TApplication::HandleMessage() {
    MSG message;
    if (!::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        return false;
    if (message.message == WM_QUIT) {
        terminated_ = true;
        return true;
    }
    Dispatch(message);
    return true;
}

void TApplication::ProcessMessages() {
    while (HandleMessage()) {
    }
}

void TApplication::Dispatch(MSG& message) {
    // Dialog keys (Tab, arrows between controls, Enter and Escape) for forms that ask for them.
    if (activeForm_ != nullptr && activeForm_->UsesDialogKeys() && activeForm_->HandleAllocated() &&
        ::IsDialogMessageW(activeForm_->Handle(), &message))
        return;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
}

void TApplication::HandleException(const std::exception& error) noexcept {
    try {
        std::wstring text;
        if (const auto* own = dynamic_cast<const TException*>(&error))
            text = own->Message();
        else
            text = Widen(error.what());
        MessageBox(text, title_, MB_OK | MB_ICONSTOP);
    } catch (...) {
        // The report itself failed (out of memory): nothing more can be shown.
    }
}

int TApplication::MessageBox(const std::wstring& text, const std::wstring& caption, UINT type) {
    HWND owner = ::GetForegroundWindow();
    DWORD process = 0;
    if (owner != nullptr)
        ::GetWindowThreadProcessId(owner, &process);
    if (process != ::GetCurrentProcessId())
        owner = activeForm_ != nullptr && activeForm_->HandleAllocated() ? activeForm_->Handle()
                                                                         : nullptr;
    return prompter_->Message(owner, text, caption, type);
}

} // namespace tb
