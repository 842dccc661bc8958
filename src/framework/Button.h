// A push button: caption, click event, tab stop, and an optional modal result that it
// gives its form when clicked (as the OK and Cancel buttons of a dialog do). In a form
// with dialog keys, a button that Tab reaches is the one Enter presses (the platform's
// dialog keys move the default frame with the focus); otherwise the default button is.
#pragma once

#include "framework/Control.h"

#include <functional>

namespace tb {

class TButton : public TControl {
public:
    TButton(TControl* parent, std::wstring name, std::wstring caption = {});

    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool tabStop);
    // The button Enter presses in its dialog.
    bool Default() const { return default_; }
    void SetDefault(bool isDefault);
    // The button Escape presses in its dialog.
    bool Cancel() const { return cancel_; }
    void SetCancel(bool isCancel);
    // Given to the form by a click when not mrNone.
    INT_PTR ModalResult() const { return modalResult_; }
    void SetModalResult(INT_PTR result) { modalResult_ = result; }

    std::function<void(TButton& sender)> OnClick;
    // Acts as a click by the user.
    void Click();

protected:
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;
    bool Notified(WORD code) override;

private:
    bool tabStop_ = true;
    bool default_ = false;
    bool cancel_ = false;
    INT_PTR modalResult_ = 0;
};

} // namespace tb
