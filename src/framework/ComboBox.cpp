#include "framework/ComboBox.h"

namespace tb {

TComboBox::TComboBox(TControl* parent, std::wstring name) : TControl(parent, std::move(name)) {}

void TComboBox::SetItems(std::vector<std::wstring> items) {
    items_ = std::move(items);
    itemIndex_ = -1;
    if (HandleAllocated())
        FillWindow();
}

void TComboBox::SetItemIndex(int index) {
    itemIndex_ = index >= 0 && index < static_cast<int>(items_.size()) ? index : -1;
    if (HandleAllocated())
        ::SendMessageW(Handle(), CB_SETCURSEL, static_cast<WPARAM>(itemIndex_), 0);
}

std::wstring TComboBox::Text() const {
    return itemIndex_ >= 0 ? items_[static_cast<size_t>(itemIndex_)] : std::wstring();
}

void TComboBox::CreateParams(TCreateParams& params) {
    params.className = L"COMBOBOX";
    params.style |= CBS_DROPDOWNLIST | WS_VSCROLL;
    if (tabStop_)
        params.style |= WS_TABSTOP;
}

void TComboBox::HandleCreated() {
    FillWindow();
    // The height a drop-down list is created with is the height of its open list.
    const HWND window = Handle();
    const int itemHeight = static_cast<int>(::SendMessageW(window, CB_GETITEMHEIGHT, 0, 0));
    RECT bounds;
    ::GetWindowRect(window, &bounds);
    const int closed = bounds.bottom - bounds.top;
    ::SetWindowPos(window, nullptr, 0, 0, bounds.right - bounds.left,
                   closed + itemHeight * dropDownCount_ + 2,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TComboBox::FillWindow() {
    const HWND window = Handle();
    ::SendMessageW(window, CB_RESETCONTENT, 0, 0);
    for (const std::wstring& item : items_)
        ::SendMessageW(window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    ::SendMessageW(window, CB_SETCURSEL, static_cast<WPARAM>(itemIndex_), 0);
}

bool TComboBox::Notified(WORD code) {
    if (code != CBN_SELCHANGE)
        return false;
    itemIndex_ = static_cast<int>(::SendMessageW(Handle(), CB_GETCURSEL, 0, 0));
    if (OnChange)
        OnChange(*this);
    return true;
}

} // namespace tb
