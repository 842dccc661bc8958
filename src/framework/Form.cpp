#include "framework/Form.h"

#include "framework/Application.h"

#include <algorithm>

namespace tb {

namespace {

// Posted to a form when it became the program's focused window; the activation handler
// runs once the platform's activation has finished.
constexpr UINT kFormActivated = WM_APP + 0x100;

} // namespace

TShiftState CurrentShiftState() {
    TShiftState shift = 0;
    if (::GetKeyState(VK_SHIFT) < 0)
        shift |= ssShift;
    if (::GetKeyState(VK_MENU) < 0)
        shift |= ssAlt;
    if (::GetKeyState(VK_CONTROL) < 0)
        shift |= ssCtrl;
    return shift;
}

TForm::TForm(TApplication& application, std::wstring name)
    : TControl(nullptr, std::move(name)), application_(application) {
    MarkVisible(false);
    application_.FormCreated(*this);
}

TForm::~TForm() {
    application_.FormDestroyed(*this);
    DestroyHandle();
}

void TForm::DoCreate() {
    if (OnCreate)
        OnCreate(*this);
}

void TForm::CreateParams(TCreateParams& params) {
    switch (borderStyle_) {
    case TBorderStyle::bsNone:
        params.style = WS_POPUP | WS_CLIPCHILDREN;
        break;
    case TBorderStyle::bsSingle:
        params.style = WS_OVERLAPPEDWINDOW & ~(WS_THICKFRAME | WS_MAXIMIZEBOX);
        params.style |= WS_CLIPCHILDREN;
        break;
    case TBorderStyle::bsSizeable:
        params.style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
        break;
    case TBorderStyle::bsDialog:
        params.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_CLIPCHILDREN;
        params.exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
        break;
    case TBorderStyle::bsToolWindow:
        params.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
        params.exStyle = WS_EX_TOOLWINDOW;
        break;
    case TBorderStyle::bsSizeToolWin:
        params.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN;
        params.exStyle = WS_EX_TOOLWINDOW;
        break;
    }
    params.exStyle |= WS_EX_CONTROLPARENT;
}

void TForm::HandleCreated() {
    if (menu_ != nullptr)
        menu_->AttachTo(Handle());
}

void TForm::SetBorderStyle(TBorderStyle style) {
    borderStyle_ = style;
}

void TForm::SetVisible(bool visible) {
    if (visible)
        Show();
    else
        Hide();
}

TWindowState TForm::WindowState() {
    if (!HandleAllocated() || !Visible())
        return pendingState_;
    if (::IsIconic(Handle()))
        return TWindowState::wsMinimized;
    if (::IsZoomed(Handle()))
        return TWindowState::wsMaximized;
    return TWindowState::wsNormal;
}

void TForm::SetWindowState(TWindowState state) {
    pendingState_ = state;
    if (!HandleAllocated() || !Visible())
        return;
    switch (state) {
    case TWindowState::wsNormal:
        ::ShowWindow(Handle(), SW_RESTORE);
        break;
    case TWindowState::wsMinimized:
        ::ShowWindow(Handle(), SW_MINIMIZE);
        break;
    case TWindowState::wsMaximized:
        ::ShowWindow(Handle(), SW_MAXIMIZE);
        break;
    }
}

void TForm::SetAutoSize(bool autoSize) {
    autoSize_ = autoSize;
    ApplyAutoSize();
}

void TForm::ApplyAutoSize() {
    if (!autoSize_ || !HandleAllocated() || WindowState() != TWindowState::wsNormal)
        return;
    int right = 0, bottom = 0;
    bool any = false;
    for (TControl* child : Children()) {
        if (!child->Visible() || child->Align() != TAlign::alNone)
            continue;
        right = std::max(right, child->Left() + child->Width());
        bottom = std::max(bottom, child->Top() + child->Height());
        any = true;
    }
    if (any && (right != ClientWidth() || bottom != ClientHeight()))
        SetClientSize(right, bottom);
}

void TForm::ChildBoundsChanged(TControl&) {
    ApplyAutoSize();
}

void TForm::SetMenu(TMainMenu* menu) {
    menu_ = menu;
    if (menu_ != nullptr && HandleAllocated())
        menu_->AttachTo(Handle());
}

void TForm::Show() {
    const bool wasVisible = Visible() && HandleAllocated() && ::IsWindowVisible(Handle());
    HWND window = Handle();
    MarkVisible(true);
    if (!wasVisible) {
        const int command = pendingState_ == TWindowState::wsMaximized   ? SW_SHOWMAXIMIZED
                            : pendingState_ == TWindowState::wsMinimized ? SW_SHOWMINIMIZED
                                                                         : SW_SHOWNORMAL;
        ::ShowWindow(window, command);
        ApplyAutoSize();
        if (OnShow)
            OnShow(*this);
    }
    BringToFront();
}

void TForm::Hide() {
    if (!Visible())
        return;
    if (HandleAllocated()) {
        pendingState_ = WindowState();
        ::ShowWindow(Handle(), SW_HIDE);
    }
    MarkVisible(false);
    if (OnHide)
        OnHide(*this);
}

void TForm::BringToFront() {
    if (HandleAllocated()) {
        ::SetForegroundWindow(Handle());
        ::SetActiveWindow(Handle());
    }
}

void TForm::Close() {
    if (HandleAllocated())
        ::SendMessageW(Handle(), WM_CLOSE, 0, 0);
    else
        DoClose();
}

void TForm::DoClose() {
    TCloseAction action = TCloseAction::caHide;
    if (OnClose)
        OnClose(*this, action);
    if (action == TCloseAction::caNone)
        return;
    if (modal_) {
        if (modalResult_ == mrNone)
            modalResult_ = mrCancel;
        return;
    }
    if (action == TCloseAction::caMinimize) {
        SetWindowState(TWindowState::wsMinimized);
        return;
    }
    if (application_.MainForm() == this) {
        Hide();
        application_.Terminate();
        return;
    }
    Hide();
}

INT_PTR TForm::ShowModal() {
    // Every other visible window of this thread is disabled while the form is shown.
    std::vector<HWND> disabled;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND window, LPARAM data) -> BOOL {
            if (::IsWindowVisible(window) && ::IsWindowEnabled(window)) {
                reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&disabled));
    HWND self = Handle();
    disabled.erase(std::remove(disabled.begin(), disabled.end(), self), disabled.end());
    for (HWND window : disabled)
        ::EnableWindow(window, FALSE);

    modal_ = true;
    modalResult_ = mrNone;
    Show();
    while (modalResult_ == mrNone && !application_.Terminated()) {
        MSG message;
        const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            application_.Terminate();
            break;
        }
        if (!::IsDialogMessageW(self, &message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    for (HWND window : disabled)
        if (::IsWindow(window))
            ::EnableWindow(window, TRUE);
    modal_ = false;
    Hide();
    return modalResult_;
}

LRESULT TForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        DoClose();
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && application_.FormActivated(*this))
            ::PostMessageW(Handle(), kFormActivated, 0, 0);
        break;
    case kFormActivated:
        if (OnActivate && application_.ActiveForm() == this)
            OnActivate(*this);
        return 0;
    case WM_KEYUP:
        if (OnKeyUp) {
            WORD key = static_cast<WORD>(wParam);
            OnKeyUp(*this, key, CurrentShiftState());
            return 0;
        }
        break;
    case WM_COMMAND:
        // Menu items (the low word is the item's command number).
        if (lParam == 0 && HIWORD(wParam) == 0) {
            if (TMenuItem* item = TMenuItem::FindCommand(LOWORD(wParam))) {
                item->Click();
                return 0;
            }
        }
        break;
    default:
        break;
    }
    return TControl::WndProc(message, wParam, lParam);
}

} // namespace tb
