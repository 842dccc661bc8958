#include "framework/Edit.h"

namespace tb {

TEdit::TEdit(TControl* parent, std::wstring name) : TControl(parent, std::move(name)) {}

std::wstring TEdit::Text() {
    if (!HandleAllocated())
        return Caption();
    const int length = ::GetWindowTextLengthW(Handle());
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    ::GetWindowTextW(Handle(), text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    return text;
}

void TEdit::SetText(const std::wstring& text) {
    SetCaption(text);
}

void TEdit::CreateParams(TCreateParams& params) {
    params.className = L"EDIT";
    params.style |= ES_AUTOHSCROLL;
    params.exStyle |= WS_EX_CLIENTEDGE;
    if (tabStop_)
        params.style |= WS_TABSTOP;
}

bool TEdit::Notified(WORD code) {
    if (code != EN_CHANGE)
        return false;
    if (OnChange)
        OnChange(*this);
    return true;
}

} // namespace tb
