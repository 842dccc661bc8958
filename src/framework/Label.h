// A static text label, one line, sized to its text unless AutoSize is off; a label that
// fits its text fits it again whenever the text changes.
#pragma once

#include "framework/Control.h"

namespace tb {

class TLabel : public TControl {
public:
    TLabel(TControl* parent, std::wstring name, std::wstring caption = {});

    // Fits the label to its text (on by default).
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool autoSize);

protected:
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;
    void CaptionChanged() override;

private:
    void FitText();

    bool autoSize_ = true;
};

} // namespace tb
