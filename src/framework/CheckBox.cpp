#include "framework/CheckBox.h"

namespace tb {

TCheckBox::TCheckBox(TControl* parent, std::wstring name, std::wstring caption)
    : TControl(parent, std::move(name)) {
    SetCaption(caption);
}

bool TCheckBox::Checked() {
    if (HandleAllocated())
        checked_ = ::SendMessageW(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
    return checked_;
}

void TCheckBox::SetChecked(bool checked) {
    checked_ = checked;
    if (HandleAllocated())
        ::SendMessageW(Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TCheckBox::CreateParams(TCreateParams& params) {
    params.className = L"BUTTON";
    params.style |= BS_AUTOCHECKBOX | WS_TABSTOP;
}

void TCheckBox::HandleCreated() {
    ::SendMessageW(Handle(), BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool TCheckBox::Notified(WORD code) {
    if (code != BN_CLICKED)
        return false;
    if (OnClick)
        OnClick(*this);
    return true;
}

} // namespace tb
