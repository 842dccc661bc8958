#include "framework/Label.h"

namespace tb {

TLabel::TLabel(TControl* parent, std::wstring name, std::wstring caption)
    : TControl(parent, std::move(name)) {
    SetCaption(caption);
}

void TLabel::CreateParams(TCreateParams& params) {
    params.className = L"STATIC";
    params.style |= SS_LEFT | SS_NOPREFIX;
}

} // namespace tb
