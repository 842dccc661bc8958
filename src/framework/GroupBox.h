// A group box: a framed caption around its child controls, which the dialog keys reach
// with Tab.
#pragma once

#include "framework/Control.h"

namespace tb {

class TGroupBox : public TControl {
public:
    TGroupBox(TControl* parent, std::wstring name, std::wstring caption = {});

protected:
    void CreateParams(TCreateParams& params) override;
    // A group box paints only its frame: the area inside gets the control's colour.
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

} // namespace tb
