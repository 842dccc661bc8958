#include "framework/Form.h"
#include "framework/Screen.h"

#include "framework/Application.h"

#include <algorithm>
#include <stdexcept>

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

namespace {

// Workspace coordinates (those of the window placement) are relative to the work area
// for windows that are not tool windows.
POINT WorkspaceOffset(HWND window) {
    if ((::GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0)
        return POINT{0, 0};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (!::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor))
        return POINT{0, 0};
    return POINT{monitor.rcWork.left - monitor.rcMonitor.left,
                 monitor.rcWork.top - monitor.rcMonitor.top};
}

} // namespace

RECT TForm::NormalBounds() {
    RECT bounds{Left(), Top(), Left() + Width(), Top() + Height()};
    if (!HandleAllocated())
        return bounds;
    const HWND window = Handle();
    if (!::IsIconic(window) && !::IsZoomed(window)) {
        ::GetWindowRect(window, &bounds);
        return bounds;
    }
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    if (!::GetWindowPlacement(window, &placement))
        return bounds;
    bounds = placement.rcNormalPosition;
    const POINT offset = WorkspaceOffset(window);
    ::OffsetRect(&bounds, offset.x, offset.y);
    return bounds;
}

void TForm::SetNormalBounds(const RECT& bounds) {
    if (HandleAllocated() && (::IsIconic(Handle()) || ::IsZoomed(Handle()))) {
        const HWND window = Handle();
        WINDOWPLACEMENT placement{};
        placement.length = sizeof(placement);
        if (::GetWindowPlacement(window, &placement)) {
            const POINT offset = WorkspaceOffset(window);
            placement.rcNormalPosition = bounds;
            ::OffsetRect(&placement.rcNormalPosition, -offset.x, -offset.y);
            placement.flags = 0;
            placement.showCmd = !::IsWindowVisible(window) ? SW_HIDE
                                : ::IsIconic(window)       ? SW_SHOWMINNOACTIVE
                                                           : SW_SHOWMAXIMIZED;
            ::SetWindowPlacement(window, &placement);
            return;
        }
    }
    SetBounds(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
}

void TForm::SetAutoSize(bool autoSize) {
    autoSize_ = autoSize;
    ApplyAutoSize();
}

bool TForm::FittingClientSize(SIZE& size) const {
    int right = 0, bottom = 0;
    bool any = false;
    for (TControl* child : Children()) {
        if (!child->Visible() || child->Align() != TAlign::alNone)
            continue;
        right = std::max(right, child->Left() + child->Width());
        bottom = std::max(bottom, child->Top() + child->Height());
        any = true;
    }
    size = SIZE{right, bottom};
    return any;
}

void TForm::ApplyAutoSize() {
    if (!autoSize_ || !HandleAllocated() || WindowState() != TWindowState::wsNormal)
        return;
    SIZE fit{};
    if (FittingClientSize(fit) && (fit.cx != ClientWidth() || fit.cy != ClientHeight())) {
        SetClientSize(fit.cx, fit.cy);
        KeepOnWorkArea();
    }
}

void TForm::KeepOnWorkArea() {
    if (Parent() != nullptr)
        return;
    const HWND window = Handle();
    RECT outer{};
    ::GetWindowRect(window, &outer);
    POINT user{outer.left, outer.top};
    // Still where an earlier fit put it: the user's own position is the one to return to
    // as far as the new size allows.
    if (fitMove_ && fitMove_->Fitted.x == outer.left && fitMove_->Fitted.y == outer.top)
        user = fitMove_->User;
    RECT wanted = outer;
    ::OffsetRect(&wanted, user.x - outer.left, user.y - outer.top);
    const POINT kept = KeptOnWorkArea(wanted, WorkAreaOf(window));
    if (kept.x == user.x && kept.y == user.y)
        fitMove_.reset();
    else
        fitMove_ = TFitMove{user, kept};
    if (kept.x != outer.left || kept.y != outer.top)
        ::SetWindowPos(window, nullptr, kept.x, kept.y, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT TForm::UserNormalBounds() {
    RECT bounds = NormalBounds();
    if (fitMove_ && fitMove_->Fitted.x == bounds.left && fitMove_->Fitted.y == bounds.top)
        ::OffsetRect(&bounds, fitMove_->User.x - bounds.left, fitMove_->User.y - bounds.top);
    return bounds;
}

void TForm::KeepFittingSize(WINDOWPOS& position) {
    if (!autoSize_ || (position.flags & SWP_NOSIZE) != 0 || !HandleAllocated())
        return;
    const HWND window = Handle();
    const DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE));
    // Minimised and maximised windows keep the platform's sizes.
    if ((style & (WS_MINIMIZE | WS_MAXIMIZE)) != 0)
        return;
    SIZE fit{};
    if (!FittingClientSize(fit))
        return;
    RECT outer{}, client{};
    ::GetWindowRect(window, &outer);
    ::GetClientRect(window, &client);
    SIZE frame{(outer.right - outer.left) - client.right,
               (outer.bottom - outer.top) - client.bottom};
    if (client.right <= 0 || client.bottom <= 0) {
        // Coming back from the minimised state, whose icon has no client area.
        RECT adjusted{0, 0, 0, 0};
        ::AdjustWindowRectEx(&adjusted, style, menu_ != nullptr ? TRUE : FALSE,
                             static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_EXSTYLE)));
        frame = SIZE{adjusted.right - adjusted.left, adjusted.bottom - adjusted.top};
    }
    const int width = fit.cx + frame.cx;
    const int height = fit.cy + frame.cy;
    if (position.cx == width && position.cy == height)
        return;
    if ((position.flags & SWP_NOMOVE) == 0) {
        // A drag of the left or top edge keeps the opposite edge where it is.
        if (position.x != outer.left && position.x + position.cx == outer.right)
            position.x = outer.right - width;
        if (position.y != outer.top && position.y + position.cy == outer.bottom)
            position.y = outer.bottom - height;
    }
    position.cx = width;
    position.cy = height;
}

void TForm::Resized() {
    TControl::Resized();
    // A size the platform chose (a restore, a changed menu bar) is brought back to the fit.
    ApplyAutoSize();
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

HWND TForm::FocusTarget() {
    const HWND self = Handle();
    const auto usable = [self](HWND window) {
        return window != nullptr && ::IsChild(self, window) && ::IsWindowVisible(window) &&
               ::IsWindowEnabled(window);
    };
    if (usable(lastFocus_))
        return lastFocus_;
    lastFocus_ = nullptr;
    if (activeControl_ != nullptr && activeControl_->HandleAllocated() &&
        usable(activeControl_->Handle()))
        return activeControl_->Handle();
    const HWND first = ::GetNextDlgTabItem(self, nullptr, FALSE);
    if (usable(first) && (::GetWindowLongPtrW(first, GWL_STYLE) & WS_TABSTOP) != 0)
        return first;
    return nullptr;
}

void TForm::Close() {
    if (HandleAllocated())
        ::SendMessageW(Handle(), WM_CLOSE, 0, 0);
    else
        DoClose();
}

void TForm::DoClose() {
    TCloseAction action = TCloseAction::caHide;
    // A failing close handler (settings that cannot be written) is reported, and the
    // window closes all the same: the user is never kept in a window that cannot close.
    if (OnClose) {
        try {
            OnClose(*this, action);
        } catch (const std::exception& error) {
            application_.HandleException(error);
        } catch (...) {
            application_.HandleException(std::runtime_error("Unknown error"));
        }
    }
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
    case WM_ACTIVATE: {
        if (LOWORD(wParam) == WA_INACTIVE) {
            // The control that had the focus gets it back when the window comes back.
            const HWND focus = ::GetFocus();
            if (focus != nullptr && ::IsChild(Handle(), focus))
                lastFocus_ = focus;
            break;
        }
        if (application_.FormActivated(*this))
            ::PostMessageW(Handle(), kFormActivated, 0, 0);
        if (HIWORD(wParam) == 0) { // not minimised
            if (const HWND target = FocusTarget()) {
                ::SetFocus(target);
                return 0;
            }
        }
        break; // the window itself takes the focus
    }
    case WM_WINDOWPOSCHANGING:
        KeepFittingSize(*reinterpret_cast<WINDOWPOS*>(lParam));
        break;
    case kFormActivated:
        if (OnActivate && application_.ActiveForm() == this)
            OnActivate(*this);
        return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        pressedHere_.set(wParam & 0xFF);
        break;
    case WM_KILLFOCUS:
        // Releases that come after the keyboard went elsewhere and came back belong to
        // presses this window did not see to their end.
        pressedHere_.reset();
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP: {
        // Every release of a key pressed in this window, also with Alt held
        // (WM_SYSKEYUP); the system still sees the Alt-modified ones, so F10 and Alt keep
        // opening the menu bar. The release of a key whose press went elsewhere (the Enter
        // that chose a menu item or closed a dialog or a message box) is not the user's
        // key for this window and is not reported.
        const bool pressed = pressedHere_.test(wParam & 0xFF);
        pressedHere_.reset(wParam & 0xFF);
        if (OnKeyUp && pressed) {
            WORD key = static_cast<WORD>(wParam);
            OnKeyUp(*this, key, CurrentShiftState());
            if (message == WM_KEYUP)
                return 0;
        }
        break;
    }
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

void TForm::MakeDialog(int left, int top, int clientWidth, int clientHeight) {
    SetBorderStyle(TBorderStyle::bsDialog);
    SetUsesDialogKeys(true);
    SetFont(L"MS Sans Serif", -11);
    RECT outer{0, 0, clientWidth, clientHeight};
    ::AdjustWindowRectEx(&outer, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, FALSE,
                         WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT);
    SetBounds(left, top, outer.right - outer.left, outer.bottom - outer.top);
}

} // namespace tb
