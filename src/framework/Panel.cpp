#include "framework/Panel.h"

#include <commctrl.h>
#include <windowsx.h>

namespace tb {

namespace {

// Draws `width` rings inside `rect`, top and left edges in `topLeft`, bottom and right
// edges in `bottomRight`, and shrinks `rect` by the rings drawn.
void DrawBevel(HDC dc, RECT& rect, COLORREF topLeft, COLORREF bottomRight, int width) {
    UniqueBrush light(::CreateSolidBrush(topLeft));
    UniqueBrush dark(::CreateSolidBrush(bottomRight));
    for (int ring = 0; ring < width && rect.right > rect.left && rect.bottom > rect.top; ++ring) {
        const RECT top{rect.left, rect.top, rect.right - 1, rect.top + 1};
        const RECT left{rect.left, rect.top, rect.left + 1, rect.bottom - 1};
        const RECT bottom{rect.left, rect.bottom - 1, rect.right, rect.bottom};
        const RECT right{rect.right - 1, rect.top, rect.right, rect.bottom};
        ::FillRect(dc, &top, light.Get());
        ::FillRect(dc, &left, light.Get());
        ::FillRect(dc, &bottom, dark.Get());
        ::FillRect(dc, &right, dark.Get());
        ::InflateRect(&rect, -1, -1);
    }
}

void DrawCut(HDC dc, RECT& rect, TBevelCut cut, int width) {
    const COLORREF highlight = ::GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW);
    switch (cut) {
    case TBevelCut::bvNone:
        break;
    case TBevelCut::bvLowered:
        DrawBevel(dc, rect, shadow, highlight, width);
        break;
    case TBevelCut::bvRaised:
        DrawBevel(dc, rect, highlight, shadow, width);
        break;
    case TBevelCut::bvSpace:
        ::InflateRect(&rect, -width, -width);
        break;
    }
}

TShiftState ShiftFromKeys(WPARAM keys) {
    TShiftState shift = 0;
    if (keys & MK_SHIFT)
        shift |= ssShift;
    if (keys & MK_CONTROL)
        shift |= ssCtrl;
    if (::GetKeyState(VK_MENU) < 0)
        shift |= ssAlt;
    return shift;
}

} // namespace

int BevelInset(TBevelCut inner, TBevelCut outer, int bevelWidth, int borderWidth) {
    int inset = borderWidth;
    if (inner != TBevelCut::bvNone)
        inset += bevelWidth;
    if (outer != TBevelCut::bvNone)
        inset += bevelWidth;
    return inset;
}

TPanel::TPanel(TControl* parent, std::wstring name) : TControl(parent, std::move(name)) {}

TPanel::~TPanel() {
    // The tool tip belongs to the top-level window, so it goes with the panel explicitly.
    if (hintWindow_ != nullptr && ::IsWindow(hintWindow_))
        ::DestroyWindow(hintWindow_);
}

void TPanel::SetHint(const std::wstring& hint) {
    hint_ = hint;
    UpdateHintWindow();
}

void TPanel::SetShowHint(bool show) {
    showHint_ = show;
    UpdateHintWindow();
}

void TPanel::HandleCreated() {
    TControl::HandleCreated();
    UpdateHintWindow();
}

void TPanel::UpdateHintWindow() {
    if (!HandleAllocated())
        return;
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(Handle());
    if (hintWindow_ != nullptr)
        ::SendMessageW(hintWindow_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    if (!showHint_ || hint_.empty())
        return;
    if (hintWindow_ == nullptr)
        hintWindow_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                        WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(),
                                        nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (hintWindow_ == nullptr)
        return;
    tool.lpszText = hint_.data();
    ::SendMessageW(hintWindow_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void TPanel::SetBevelInner(TBevelCut cut) {
    if (bevelInner_ == cut)
        return;
    bevelInner_ = cut;
    Invalidate();
}

void TPanel::SetBevelOuter(TBevelCut cut) {
    if (bevelOuter_ == cut)
        return;
    bevelOuter_ = cut;
    Invalidate();
}

void TPanel::SetBevelWidth(int width) {
    if (width < 1 || bevelWidth_ == width)
        return;
    bevelWidth_ = width;
    Invalidate();
}

void TPanel::SetBorderWidth(int width) {
    if (width < 0 || borderWidth_ == width)
        return;
    borderWidth_ = width;
    Invalidate();
}

void TPanel::SetBorderStyle(TBorderStyle style) {
    if (borderStyle_ == style)
        return;
    borderStyle_ = style;
    RecreateBorder();
}

void TPanel::RecreateBorder() {
    if (!HandleAllocated())
        return;
    LONG_PTR styleBits = ::GetWindowLongPtrW(Handle(), GWL_STYLE);
    if (borderStyle_ == TBorderStyle::bsNone)
        styleBits &= ~static_cast<LONG_PTR>(WS_BORDER);
    else
        styleBits |= WS_BORDER;
    ::SetWindowLongPtrW(Handle(), GWL_STYLE, styleBits);
    ::SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    Invalidate();
}

void TPanel::CreateParams(TCreateParams& params) {
    if (borderStyle_ != TBorderStyle::bsNone)
        params.style |= WS_BORDER;
    // A panel that holds controls lets the dialog keys (Tab, arrows) into them.
    if (!Children().empty())
        params.exStyle |= WS_EX_CONTROLPARENT;
}

void TPanel::Paint(HDC dc) {
    RECT rect;
    ::GetClientRect(Handle(), &rect);
    DrawCut(dc, rect, bevelOuter_, bevelWidth_);
    if (borderWidth_ > 0) {
        UniqueBrush fill(::CreateSolidBrush(Color()));
        RECT inner = rect;
        ::InflateRect(&inner, -borderWidth_, -borderWidth_);
        // The border ring only; the middle keeps the background.
        const RECT bands[4] = {{rect.left, rect.top, rect.right, inner.top},
                               {rect.left, inner.bottom, rect.right, rect.bottom},
                               {rect.left, inner.top, inner.left, inner.bottom},
                               {inner.right, inner.top, rect.right, inner.bottom}};
        for (const RECT& band : bands)
            ::FillRect(dc, &band, fill.Get());
        rect = inner;
    }
    DrawCut(dc, rect, bevelInner_, bevelWidth_);
    if (!Caption().empty()) {
        const int mode = ::SetBkMode(dc, TRANSPARENT);
        HGDIOBJ oldFont = ::SelectObject(dc, Font());
        ::DrawTextW(dc, Caption().c_str(), static_cast<int>(Caption().size()), &rect,
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        ::SelectObject(dc, oldFont);
        ::SetBkMode(dc, mode);
    }
}

LRESULT TPanel::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const int x = GET_X_LPARAM(lParam);
    const int y = GET_Y_LPARAM(lParam);
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = ::BeginPaint(Handle(), &paint);
        Paint(dc);
        ::EndPaint(Handle(), &paint);
        return 0;
    }
    case WM_SIZE:
        // Bevels sit at the edges: a new size repaints them all.
        Invalidate();
        break;
    case WM_MOUSEMOVE:
        if (OnMouseMove)
            OnMouseMove(*this, ShiftFromKeys(wParam), x, y);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
        const TMouseButton button = message == WM_LBUTTONDOWN   ? TMouseButton::mbLeft
                                    : message == WM_RBUTTONDOWN ? TMouseButton::mbRight
                                                                : TMouseButton::mbMiddle;
        if (button == TMouseButton::mbLeft) {
            pressed_ = true;
            ::SetCapture(Handle());
        }
        if (OnMouseDown)
            OnMouseDown(*this, button, ShiftFromKeys(wParam), x, y);
        return 0;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
        const TMouseButton button = message == WM_LBUTTONUP   ? TMouseButton::mbLeft
                                    : message == WM_RBUTTONUP ? TMouseButton::mbRight
                                                              : TMouseButton::mbMiddle;
        bool clicked = false;
        if (button == TMouseButton::mbLeft && pressed_) {
            pressed_ = false;
            ::ReleaseCapture();
            RECT client;
            ::GetClientRect(Handle(), &client);
            clicked = ::PtInRect(&client, POINT{x, y}) != FALSE;
        }
        if (clicked && OnClick)
            OnClick(*this);
        if (OnMouseUp)
            OnMouseUp(*this, button, ShiftFromKeys(wParam), x, y);
        if (button == TMouseButton::mbRight)
            ShowPopupMenu(x, y);
        return 0;
    }
    case WM_LBUTTONDBLCLK:
        if (OnDblClick)
            OnDblClick(*this);
        return 0;
    default:
        break;
    }
    return TControl::WndProc(message, wParam, lParam);
}

void TPanel::ShowPopupMenu(int x, int y) {
    if (popupMenu_ == nullptr)
        return;
    POINT point{x, y};
    ::ClientToScreen(Handle(), &point);
    popupMenu_->SetPopupComponent(this);
    popupMenu_->Popup(Handle(), point.x, point.y);
}

} // namespace tb
