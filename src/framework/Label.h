// A static text label.
#pragma once

#include "framework/Control.h"

namespace tb {

class TLabel : public TControl {
public:
    TLabel(TControl* parent, std::wstring name, std::wstring caption = {});

protected:
    void CreateParams(TCreateParams& params) override;
};

} // namespace tb
