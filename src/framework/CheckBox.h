// A check box with its caption beside it: checked or not, and a click event.
#pragma once

#include "framework/Control.h"

#include <functional>

namespace tb {

class TCheckBox : public TControl {
public:
    TCheckBox(TControl* parent, std::wstring name, std::wstring caption = {});

    // The check the user sees (what the user clicked, once the window exists).
    bool Checked();
    void SetChecked(bool checked);

    std::function<void(TCheckBox& sender)> OnClick;

protected:
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;
    bool Notified(WORD code) override;

private:
    bool checked_ = false;
};

} // namespace tb
