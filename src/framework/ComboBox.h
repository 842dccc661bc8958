// A drop-down list: fixed entries, no typing; the selected entry's index (-1 for none)
// and a change event fired when the user picks an entry.
#pragma once

#include "framework/Control.h"

#include <functional>
#include <vector>

namespace tb {

class TComboBox : public TControl {
public:
    TComboBox(TControl* parent, std::wstring name);

    const std::vector<std::wstring>& Items() const { return items_; }
    void SetItems(std::vector<std::wstring> items);

    int ItemIndex() const { return itemIndex_; }
    // Any index outside the entries selects nothing (-1).
    void SetItemIndex(int index);
    // The selected entry's text, empty when none.
    std::wstring Text() const;

    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool tabStop) { tabStop_ = tabStop; }
    // Entries shown when the list drops down.
    int DropDownCount() const { return dropDownCount_; }
    void SetDropDownCount(int count) { dropDownCount_ = count; }

    std::function<void(TComboBox& sender)> OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;
    bool Notified(WORD code) override;

private:
    void FillWindow();

    std::vector<std::wstring> items_;
    int itemIndex_ = -1;
    bool tabStop_ = true;
    int dropDownCount_ = 8;
};

} // namespace tb
