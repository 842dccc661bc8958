#include "framework/Button.h"

#include "framework/Form.h"

namespace tb {

TButton::TButton(TControl* parent, std::wstring name, std::wstring caption)
    : TControl(parent, std::move(name)) {
    SetCaption(caption);
}

void TButton::SetTabStop(bool tabStop) {
    tabStop_ = tabStop;
    if (HandleAllocated()) {
        const LONG_PTR style = ::GetWindowLongPtrW(Handle(), GWL_STYLE);
        ::SetWindowLongPtrW(Handle(), GWL_STYLE,
                            tabStop ? (style | WS_TABSTOP) : (style & ~LONG_PTR{WS_TABSTOP}));
    }
}

void TButton::SetDefault(bool isDefault) {
    default_ = isDefault;
    if (HandleAllocated()) {
        ::SendMessageW(Handle(), BM_SETSTYLE, default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
        HandleCreated();
    }
}

void TButton::SetCancel(bool isCancel) {
    cancel_ = isCancel;
    if (HandleAllocated())
        HandleCreated();
}

void TButton::CreateParams(TCreateParams& params) {
    params.className = L"BUTTON";
    params.style |= default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    if (tabStop_)
        params.style |= WS_TABSTOP;
}

void TButton::HandleCreated() {
    // The dialog keys find the default and cancel buttons by these identifiers.
    const LONG_PTR id = default_ ? IDOK : cancel_ ? IDCANCEL : 0;
    ::SetWindowLongPtrW(Handle(), GWLP_ID, id);
}

bool TButton::Notified(WORD code) {
    if (code != BN_CLICKED)
        return false;
    Click();
    return true;
}

void TButton::Click() {
    if (OnClick)
        OnClick(*this);
    if (modalResult_ == mrNone)
        return;
    for (TControl* owner = Parent(); owner != nullptr; owner = owner->Parent()) {
        if (auto* form = dynamic_cast<TForm*>(owner)) {
            form->SetModalResult(modalResult_);
            break;
        }
    }
}

} // namespace tb
