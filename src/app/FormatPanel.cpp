#include "app/FormatPanel.h"

namespace tb {

TFFormatPanel::TFFormatPanel(TApplication& application) : TForm(application, L"FFormatPanel") {
    SetCaption(L"Format panel");
    SetBorderStyle(TBorderStyle::bsToolWindow);
    SetBounds(504, 142, 256, 200);
    SetFont(L"MS Sans Serif", -11);
    HandleNeeded();
    SetClientSize(250, 172);
    DoCreate();
}

} // namespace tb
