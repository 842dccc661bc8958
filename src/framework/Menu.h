// Menus: items with caption, check mark, enabled state and a click handler; the main
// menu of a form and popup menus. Each menu builds its platform menu from its items
// again whenever they change (the menus are small).
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tb {

class TControl;
class TMenu;

class TMenuItem {
public:
    TMenuItem(std::wstring name, std::wstring caption);
    ~TMenuItem();
    TMenuItem(const TMenuItem&) = delete;
    TMenuItem& operator=(const TMenuItem&) = delete;

    const std::wstring& Name() const { return name_; }
    const std::wstring& Caption() const { return caption_; }
    void SetCaption(const std::wstring& caption);
    bool Checked() const { return checked_; }
    void SetChecked(bool checked);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    // A radio item shows a round check mark.
    bool RadioItem() const { return radioItem_; }
    void SetRadioItem(bool radio);

    std::function<void(TMenuItem& sender)> OnClick;
    void Click();

    // Sub-items.
    TMenuItem& Add(std::unique_ptr<TMenuItem> item);
    TMenuItem& Add(std::wstring name, std::wstring caption,
                   std::function<void(TMenuItem&)> onClick = {});
    void Clear();
    int Count() const { return static_cast<int>(items_.size()); }
    TMenuItem& Items(int index) const { return *items_.at(static_cast<size_t>(index)); }
    TMenuItem* Find(const std::wstring& caption) const;
    TMenuItem* Parent() const { return parent_; }

    // The platform command number of this item.
    UINT Command() const { return command_; }
    static TMenuItem* FindCommand(UINT command);

    // Appends the sub-items to a platform menu.
    void AppendTo(HMENU menu) const;

private:
    friend class TMenu;
    void Changed();

    std::wstring name_;
    std::wstring caption_;
    bool checked_ = false;
    bool enabled_ = true;
    bool radioItem_ = false;
    UINT command_;
    TMenuItem* parent_ = nullptr;
    TMenu* menu_ = nullptr;
    std::vector<std::unique_ptr<TMenuItem>> items_;
};

class TMenu {
public:
    explicit TMenu(std::wstring name);
    virtual ~TMenu() = default;
    TMenu(const TMenu&) = delete;
    TMenu& operator=(const TMenu&) = delete;

    const std::wstring& Name() const { return name_; }
    TMenuItem& Items() { return root_; }
    // Called whenever an item changes.
    virtual void Changed() {}

private:
    std::wstring name_;
    TMenuItem root_;
};

// The menu bar of a form.
class TMainMenu : public TMenu {
public:
    explicit TMainMenu(std::wstring name) : TMenu(std::move(name)) {}
    ~TMainMenu() override;
    // Attaches the menu bar to a window (the form calls this when its window exists).
    void AttachTo(HWND window);
    void Changed() override;

private:
    HWND window_ = nullptr;
    HMENU menu_ = nullptr;
};

// A menu shown at a screen point.
class TPopupMenu : public TMenu {
public:
    explicit TPopupMenu(std::wstring name) : TMenu(std::move(name)) {}
    // Fired before the menu is shown, so its owner can fill it.
    std::function<void(TPopupMenu& sender)> OnPopup;
    // Shows the menu at the screen point and runs the chosen item's click.
    void Popup(HWND owner, int x, int y);
    // The control for which the menu was opened last (none before the first opening).
    TControl* PopupComponent() const { return popupComponent_; }
    void SetPopupComponent(TControl* component) { popupComponent_ = component; }

private:
    TControl* popupComponent_ = nullptr;
};

} // namespace tb
