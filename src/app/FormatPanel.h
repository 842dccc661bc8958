// The format panel "Format panel" (component name "FFormatPanel"): a small tool window,
// created hidden at start-up and shown from the main window's Options menu. It shows the
// frame width and height of the main window's capture control when it is shown, applies
// typed ones with "Set" and stores the control's settings with "Save to Reg".
#pragma once

#include "capture/VideoCapture.h"
#include "framework/Application.h"
#include "framework/Button.h"
#include "framework/Edit.h"
#include "framework/Form.h"
#include "framework/Label.h"

#include <cstdint>
#include <string_view>

namespace tb {

// The frame size typed into one of the panel's fields: a whole number in the signed
// 32-bit range and above 0. Raises EConvertError with the offending text otherwise:
// "'<text>' is not a valid integer value" for text that is not a number, and
// "'<text>' is not a valid video width" (or height) for a number below 1.
std::int32_t FrameSizeFromText(std::wstring_view text, std::wstring_view what);

class TFFormatPanel : public TForm {
public:
    // The panel always works on this one capture control, which outlives it.
    TFFormatPanel(TApplication& application, TVideoCapture& videoCapture);

    TVideoCapture& VideoCapture() { return capture_; }
    TEdit& edVideoWidth() { return edVideoWidth_; }
    TEdit& edVideoHeight() { return edVideoHeight_; }
    TButton& btnSet() { return btnSet_; }
    TButton& Button1() { return button1_; }
    TLabel& WidthLabel() { return widthLabel_; }
    TLabel& HeightLabel() { return heightLabel_; }

    // Handlers. FormShow runs each time the panel goes from hidden to shown: the fields
    // take the control's current width and height.
    void FormShow();
    // "Set": checks both fields first, then applies the width and the height, one after
    // the other, each rebuilding the control's graph; where the device refuses the width
    // alone (fixed modes), both as one mode. The fields then show the mode that runs. A
    // bad field raises the conversion error and applies nothing.
    void btnSetClick();
    // "Save to Reg": stores the control's devices and current format.
    void Button1Click();

private:
    void ShowRunningMode();

    TVideoCapture& capture_;
    TLabel widthLabel_;
    TEdit edVideoWidth_;
    TLabel heightLabel_;
    TEdit edVideoHeight_;
    TButton btnSet_;
    TButton button1_;
};

} // namespace tb
