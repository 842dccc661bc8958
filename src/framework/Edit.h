// A one-line text edit box with a change event.
#pragma once

#include "framework/Control.h"

#include <functional>

namespace tb {

class TEdit : public TControl {
public:
    TEdit(TControl* parent, std::wstring name);

    // The text shown (what the user typed, once the window exists).
    std::wstring Text();
    void SetText(const std::wstring& text);

    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool tabStop) { tabStop_ = tabStop; }

    std::function<void(TEdit& sender)> OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    bool Notified(WORD code) override;

private:
    bool tabStop_ = true;
};

} // namespace tb
