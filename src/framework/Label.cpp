#include "framework/Label.h"

namespace tb {

TLabel::TLabel(TControl* parent, std::wstring name, std::wstring caption)
    : TControl(parent, std::move(name)) {
    SetCaption(caption);
}

void TLabel::CreateParams(TCreateParams& params) {
    params.className = L"STATIC";
    params.style |= SS_LEFTNOWORDWRAP | SS_NOPREFIX;
}

void TLabel::SetAutoSize(bool autoSize) {
    autoSize_ = autoSize;
    if (HandleAllocated())
        FitText();
}

void TLabel::HandleCreated() {
    FitText();
}

void TLabel::CaptionChanged() {
    if (HandleAllocated())
        FitText();
}

void TLabel::FitText() {
    if (!autoSize_)
        return;
    const HWND window = Handle();
    const HDC dc = ::GetDC(window);
    const HGDIOBJ old = ::SelectObject(dc, Font());
    SIZE size{};
    const std::wstring& text = Caption();
    ::GetTextExtentPoint32W(dc, text.empty() ? L" " : text.c_str(),
                            text.empty() ? 1 : static_cast<int>(text.size()), &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(window, dc);
    SetBounds(Left(), Top(), text.empty() ? 0 : size.cx, size.cy);
}

} // namespace tb
