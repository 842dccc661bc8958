#include "framework/Menu.h"

#include <unordered_map>

namespace tb {

namespace {

// Command numbers of the living items; menus are used only on the user-interface thread.
std::unordered_map<UINT, TMenuItem*>& Commands() {
    static std::unordered_map<UINT, TMenuItem*> commands;
    return commands;
}

UINT NextCommand() {
    static UINT next = 100;
    if (next >= 0xF000) // the system's own commands start here
        next = 100;
    while (Commands().count(next) != 0)
        ++next;
    return next++;
}

} // namespace

TMenuItem::TMenuItem(std::wstring name, std::wstring caption)
    : name_(std::move(name)), caption_(std::move(caption)), command_(NextCommand()) {
    Commands()[command_] = this;
}

TMenuItem::~TMenuItem() {
    items_.clear();
    Commands().erase(command_);
}

void TMenuItem::SetCaption(const std::wstring& caption) {
    if (caption_ == caption)
        return;
    caption_ = caption;
    Changed();
}

void TMenuItem::SetChecked(bool checked) {
    if (checked_ == checked)
        return;
    checked_ = checked;
    Changed();
}

void TMenuItem::SetEnabled(bool enabled) {
    if (enabled_ == enabled)
        return;
    enabled_ = enabled;
    Changed();
}

void TMenuItem::SetRadioItem(bool radio) {
    if (radioItem_ == radio)
        return;
    radioItem_ = radio;
    Changed();
}

void TMenuItem::Click() {
    // A handler may rebuild the menu and so destroy this very item: it runs from a copy.
    if (auto handler = OnClick)
        handler(*this);
}

TMenuItem& TMenuItem::Add(std::unique_ptr<TMenuItem> item) {
    item->parent_ = this;
    item->menu_ = menu_;
    items_.push_back(std::move(item));
    Changed();
    return *items_.back();
}

TMenuItem& TMenuItem::Add(std::wstring name, std::wstring caption,
                          std::function<void(TMenuItem&)> onClick) {
    auto item = std::make_unique<TMenuItem>(std::move(name), std::move(caption));
    item->OnClick = std::move(onClick);
    return Add(std::move(item));
}

void TMenuItem::Clear() {
    if (items_.empty())
        return;
    items_.clear();
    Changed();
}

TMenuItem* TMenuItem::Find(const std::wstring& caption) const {
    for (const auto& item : items_)
        if (item->caption_ == caption)
            return item.get();
    return nullptr;
}

TMenuItem* TMenuItem::FindCommand(UINT command) {
    const auto found = Commands().find(command);
    return found == Commands().end() ? nullptr : found->second;
}

void TMenuItem::AppendTo(HMENU menu) const {
    for (const auto& item : items_) {
        if (item->caption_ == L"-") {
            ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        UINT flags = MF_STRING;
        if (item->checked_)
            flags |= MF_CHECKED;
        if (!item->enabled_)
            flags |= MF_GRAYED;
        if (item->items_.empty()) {
            ::AppendMenuW(menu, flags, item->command_, item->caption_.c_str());
        } else {
            HMENU sub = ::CreatePopupMenu();
            item->AppendTo(sub);
            ::AppendMenuW(menu, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(sub),
                          item->caption_.c_str());
        }
        if (item->radioItem_ && item->checked_) {
            MENUITEMINFOW info{};
            info.cbSize = sizeof(info);
            info.fMask = MIIM_FTYPE;
            info.fType = MFT_RADIOCHECK;
            ::SetMenuItemInfoW(menu, static_cast<UINT>(::GetMenuItemCount(menu) - 1), TRUE, &info);
        }
    }
}

void TMenuItem::Changed() {
    TMenuItem* root = this;
    while (root->parent_ != nullptr)
        root = root->parent_;
    if (root->menu_ != nullptr)
        root->menu_->Changed();
}

TMenu::TMenu(std::wstring name) : name_(std::move(name)), root_(name_, L"") {
    root_.menu_ = this;
}

TMainMenu::~TMainMenu() {
    if (window_ != nullptr && ::IsWindow(window_) && ::GetMenu(window_) == menu_)
        ::SetMenu(window_, nullptr);
    if (menu_ != nullptr)
        ::DestroyMenu(menu_);
}

void TMainMenu::AttachTo(HWND window) {
    window_ = window;
    Changed();
}

void TMainMenu::Changed() {
    if (window_ == nullptr)
        return;
    HMENU fresh = ::CreateMenu();
    Items().AppendTo(fresh);
    ::SetMenu(window_, fresh);
    if (menu_ != nullptr)
        ::DestroyMenu(menu_);
    menu_ = fresh;
    ::DrawMenuBar(window_);
}

void TPopupMenu::Popup(HWND owner, int x, int y) {
    if (OnPopup)
        OnPopup(*this);
    HMENU menu = ::CreatePopupMenu();
    Items().AppendTo(menu);
    const UINT command = static_cast<UINT>(::TrackPopupMenu(
        menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN, x, y, 0, owner, nullptr));
    ::DestroyMenu(menu);
    if (command != 0)
        if (TMenuItem* item = TMenuItem::FindCommand(command))
            item->Click();
}

} // namespace tb
