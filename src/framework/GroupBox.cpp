#include "framework/GroupBox.h"

namespace tb {

TGroupBox::TGroupBox(TControl* parent, std::wstring name, std::wstring caption)
    : TControl(parent, std::move(name)) {
    SetCaption(caption);
}

void TGroupBox::CreateParams(TCreateParams& params) {
    params.className = L"BUTTON";
    params.style |= BS_GROUPBOX;
    params.exStyle |= WS_EX_CONTROLPARENT;
}

LRESULT TGroupBox::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND && PaintBackground(reinterpret_cast<HDC>(wParam)))
        return 1;
    return TControl::WndProc(message, wParam, lParam);
}

} // namespace tb
