#include "app/FormatPanel.h"

#include "framework/IntegerText.h"
#include "framework/Text.h"

#include <string>

namespace tb {

std::int32_t FrameSizeFromText(std::wstring_view text, std::wstring_view what) {
    const std::int32_t value = StrToInt(text);
    if (value < 1)
        throw EConvertError(FormatText(L"'%s' is not a valid video " + std::wstring(what), text));
    return value;
}

TFFormatPanel::TFFormatPanel(TApplication& application, TVideoCapture& videoCapture)
    : TForm(application, L"FFormatPanel"), capture_(videoCapture),
      widthLabel_(this, L"Label1", L"Video width:"), edVideoWidth_(this, L"edVideoWidth"),
      heightLabel_(this, L"Label2", L"Video height:"), edVideoHeight_(this, L"edVideoHeight"),
      btnSet_(this, L"btnSet", L"Set"), button1_(this, L"Button1", L"Save to Reg") {
    SetCaption(L"Format panel");
    SetBorderStyle(TBorderStyle::bsToolWindow);
    // Tab goes from field to field and button to button; the width field starts.
    SetUsesDialogKeys(true);
    SetBounds(504, 142, 256, 200);
    SetFont(L"MS Sans Serif", -11);

    widthLabel_.SetBounds(32, 24, 0, 0);
    edVideoWidth_.SetBounds(104, 24, 57, 21);
    heightLabel_.SetBounds(28, 64, 0, 0);
    edVideoHeight_.SetBounds(104, 64, 57, 21);
    btnSet_.SetBounds(104, 104, 75, 25);
    button1_.SetBounds(104, 136, 75, 25);
    btnSet_.OnClick = [this](TButton&) { btnSetClick(); };
    button1_.OnClick = [this](TButton&) { Button1Click(); };
    OnShow = [this](TForm&) { FormShow(); };

    HandleNeeded();
    SetClientSize(250, 172);
    DoCreate();
}

void TFFormatPanel::FormShow() {
    ShowRunningMode();
}

void TFFormatPanel::ShowRunningMode() {
    edVideoWidth_.SetText(std::to_wstring(capture_.VideoWidth()));
    edVideoHeight_.SetText(std::to_wstring(capture_.VideoHeight()));
}

void TFFormatPanel::btnSetClick() {
    // Both fields are checked before anything is applied, so a bad height does not leave
    // the device in a half-changed mode.
    const std::int32_t width = FrameSizeFromText(edVideoWidth_.Text(), L"width");
    const std::int32_t height = FrameSizeFromText(edVideoHeight_.Text(), L"height");
    // The width and then the height, each with its own rebuild, as a scaling device takes
    // them. A device with fixed modes (a webcam, an HDMI grabber) refuses the mixed size
    // between two of its modes (1280x480 on the way from 640x480 to 1280x720): then both
    // sides go to it as one mode.
    capture_.SetVideoWidth(width);
    if (capture_.VideoWidth() == width) {
        capture_.SetVideoHeight(height);
    } else {
        VideoFormat format;
        capture_.GetVideoFormat(format);
        format.Width = width;
        format.Height = height;
        capture_.SetVideoFormat(format);
    }
    // A size the device refused leaves the picture in the mode it had: the fields say so.
    ShowRunningMode();
}

void TFFormatPanel::Button1Click() {
    capture_.SaveSettings();
}

} // namespace tb
