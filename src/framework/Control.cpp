#include "framework/Control.h"

#include "framework/Application.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>

namespace tb {

namespace {

constexpr wchar_t kOwnClass[] = L"TestBench.Window";
constexpr wchar_t kControlProperty[] = L"TestBench.Control";

// The program's icon (resource 1 of the executable), else the system's application icon.
// Shared icons: the system owns them.
HICON ProgramIcon(int size) {
    const auto icon = static_cast<HICON>(::LoadImageW(
        ::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, LR_SHARED));
    return icon != nullptr ? icon : ::LoadIconW(nullptr, IDI_APPLICATION);
}

void RegisterOwnClass() {
    static const bool registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.style = CS_DBLCLKS;
        windowClass.lpfnWndProc = ::DefWindowProcW;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hIcon = ProgramIcon(::GetSystemMetrics(SM_CXICON));
        windowClass.hIconSm = ProgramIcon(::GetSystemMetrics(SM_CXSMICON));
        windowClass.lpszClassName = kOwnClass;
        return ::RegisterClassExW(&windowClass) != 0;
    }();
    (void)registered;
}

} // namespace

COLORREF clBtnFace() {
    return ::GetSysColor(COLOR_BTNFACE);
}

TControl::TControl(TControl* parent, std::wstring name)
    : parent_(parent), name_(std::move(name)), color_(clBtnFace()) {
    if (parent_ != nullptr)
        parent_->children_.push_back(this);
}

TControl::~TControl() {
    DestroyHandle();
    if (parent_ != nullptr) {
        auto& siblings = parent_->children_;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
    for (TControl* child : children_)
        child->parent_ = nullptr;
}

HWND TControl::Handle() {
    if (handle_ == nullptr)
        CreateHandle();
    return handle_;
}

TControl* TControl::FromHandle(HWND window) {
    if (window == nullptr)
        return nullptr;
    return static_cast<TControl*>(::GetPropW(window, kControlProperty));
}

void TControl::CreateParams(TCreateParams&) {}

void TControl::CreateHandle() {
    TCreateParams params;
    if (parent_ == nullptr)
        params.style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    else
        params.style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    CreateParams(params);
    if (visible_)
        params.style |= WS_VISIBLE;
    else
        params.style &= ~WS_VISIBLE;
    if (!enabled_)
        params.style |= WS_DISABLED;

    HWND parentWindow = parent_ != nullptr ? parent_->Handle() : nullptr;
    ownClass_ = params.className.empty();
    if (ownClass_)
        RegisterOwnClass();
    const wchar_t* className = ownClass_ ? kOwnClass : params.className.c_str();
    // Top-level windows are created hidden and shown once fully built.
    const DWORD style = parent_ == nullptr ? (params.style & ~WS_VISIBLE) : params.style;
    HWND window =
        ::CreateWindowExW(params.exStyle, className, caption_.c_str(), style, left_, top_, width_,
                          height_, parentWindow, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (window == nullptr)
        throw std::runtime_error("Failed to create a window");
    handle_ = window;
    ::SetPropW(window, kControlProperty, this);
    ::SetWindowSubclass(window, &TControl::SubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
    ::SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(Font()), FALSE);
    HandleCreated();
    for (TControl* child : children_)
        child->HandleNeeded();
    Realign();
}

void TControl::DestroyHandle() {
    if (handle_ == nullptr)
        return;
    HWND window = handle_;
    for (TControl* child : children_)
        child->DestroyHandle();
    ::RemoveWindowSubclass(window, &TControl::SubclassProc, 1);
    ::RemovePropW(window, kControlProperty);
    handle_ = nullptr;
    ::DestroyWindow(window);
}

LRESULT CALLBACK TControl::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR, DWORD_PTR data) {
    auto* control = reinterpret_cast<TControl*>(data);
    if (control == nullptr || control->handle_ != window)
        return ::DefSubclassProc(window, message, wParam, lParam);
    return Guarded([&]() -> LRESULT { return control->Dispatch(message, wParam, lParam); });
}

LRESULT TControl::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        // Notifications of child controls go to the child's own object.
        if (lParam != 0) {
            if (TControl* child = FromHandle(reinterpret_cast<HWND>(lParam)))
                if (child != this && child->Notified(HIWORD(wParam)))
                    return 0;
        }
        break;
    case WM_WINDOWPOSCHANGED: {
        const LRESULT result = WndProc(message, wParam, lParam);
        const int oldWidth = width_, oldHeight = height_, oldLeft = left_, oldTop = top_;
        ReadBoundsFromWindow();
        const bool sized = oldWidth != width_ || oldHeight != height_;
        if (sized) {
            Realign();
            Resized();
        }
        if ((sized || oldLeft != left_ || oldTop != top_) && parent_ != nullptr && !settingBounds_)
            parent_->ChildBoundsChanged(*this);
        return result;
    }
    default:
        break;
    }
    return WndProc(message, wParam, lParam);
}

LRESULT TControl::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND && ownClass_) {
        if (PaintBackground(reinterpret_cast<HDC>(wParam)))
            return 1;
    }
    return DefaultProc(message, wParam, lParam);
}

LRESULT TControl::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefSubclassProc(handle_, message, wParam, lParam);
}

bool TControl::PaintBackground(HDC dc) {
    if (!brush_)
        brush_.Reset(::CreateSolidBrush(color_));
    RECT client;
    ::GetClientRect(handle_, &client);
    ::FillRect(dc, &client, brush_.Get());
    return true;
}

void TControl::ReadBoundsFromWindow() {
    RECT bounds;
    if (!::GetWindowRect(handle_, &bounds))
        return;
    if (parent_ != nullptr && parent_->handle_ != nullptr &&
        (::GetWindowLongW(handle_, GWL_STYLE) & WS_CHILD))
        ::MapWindowPoints(HWND_DESKTOP, parent_->handle_, reinterpret_cast<POINT*>(&bounds), 2);
    left_ = bounds.left;
    top_ = bounds.top;
    width_ = bounds.right - bounds.left;
    height_ = bounds.bottom - bounds.top;
}

void TControl::SetBounds(int left, int top, int width, int height) {
    if (left == left_ && top == top_ && width == width_ && height == height_)
        return;
    if (handle_ == nullptr) {
        left_ = left;
        top_ = top;
        width_ = width;
        height_ = height;
        return;
    }
    ::MoveWindow(handle_, left, top, width, height, TRUE);
    // A minimised or maximised window keeps its restored place in the platform; the
    // stored values follow what the window really is.
    ReadBoundsFromWindow();
}

int TControl::ClientWidth() {
    RECT client{};
    ::GetClientRect(Handle(), &client);
    return client.right;
}

int TControl::ClientHeight() {
    RECT client{};
    ::GetClientRect(Handle(), &client);
    return client.bottom;
}

void TControl::SetClientSize(int width, int height) {
    RECT outer, client;
    ::GetWindowRect(Handle(), &outer);
    ::GetClientRect(handle_, &client);
    SetBounds(left_, top_, width + (outer.right - outer.left) - client.right,
              height + (outer.bottom - outer.top) - client.bottom);
}

void TControl::SetVisible(bool visible) {
    if (visible_ == visible)
        return;
    visible_ = visible;
    if (handle_ != nullptr || (visible && parent_ == nullptr))
        ::ShowWindow(Handle(), visible ? SW_SHOW : SW_HIDE);
}

void TControl::SetCaption(const std::wstring& caption) {
    caption_ = caption;
    if (handle_ != nullptr)
        ::SetWindowTextW(handle_, caption_.c_str());
    CaptionChanged();
}

void TControl::SetColor(COLORREF color) {
    if (color_ == color)
        return;
    color_ = color;
    brush_.Reset();
    Invalidate();
}

void TControl::SetAlign(TAlign align) {
    if (align_ == align)
        return;
    align_ = align;
    if (parent_ != nullptr)
        parent_->Realign();
}

void TControl::SetEnabled(bool enabled) {
    enabled_ = enabled;
    if (handle_ != nullptr)
        ::EnableWindow(handle_, enabled ? TRUE : FALSE);
}

HFONT TControl::Font() const {
    if (font_)
        return font_.Get();
    if (parent_ != nullptr)
        return parent_->Font();
    return static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
}

void TControl::SetFont(const std::wstring& face, int height) {
    font_.Reset(::CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                              OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                              DEFAULT_PITCH | FF_DONTCARE, face.c_str()));
    if (handle_ != nullptr)
        ::SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(Font()), TRUE);
}

void TControl::Realign() {
    if (handle_ == nullptr)
        return;
    RECT client;
    ::GetClientRect(handle_, &client);
    for (TControl* child : children_) {
        if (child->align_ == TAlign::alClient && child->handle_ != nullptr) {
            child->settingBounds_ = true;
            child->SetBounds(0, 0, client.right, client.bottom);
            child->settingBounds_ = false;
        } else if (child->align_ == TAlign::alClient) {
            child->left_ = 0;
            child->top_ = 0;
            child->width_ = client.right;
            child->height_ = client.bottom;
        }
    }
}

void TControl::Invalidate() {
    if (handle_ != nullptr)
        ::InvalidateRect(handle_, nullptr, TRUE);
}

void TControl::Repaint() {
    if (handle_ != nullptr) {
        ::InvalidateRect(handle_, nullptr, TRUE);
        ::UpdateWindow(handle_);
    }
}

} // namespace tb
