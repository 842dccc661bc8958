#include "camera/CommDataForm.h"

namespace tb {

TFCommData::TFCommData(TApplication& application) : TForm(application, L"FCommData") {
    SetCaption(L"ComCommand");
    SetBorderStyle(TBorderStyle::bsSingle);
    SetBounds(200, 200, 300, 200);
    SetFont(L"MS Sans Serif", -11);
    OnKeyUp = [this](TForm&, WORD& key, TShiftState shift) { FormKeyUp(key, shift); };
    OnHide = [this](TForm&) { FormHide(); };
    HandleNeeded();
    DoCreate();
}

// Presses Set for Enter and Space and the arrow buttons for the arrow keys (camera
// commands come with the camera window's content).
void TFCommData::FormKeyUp(WORD&, TShiftState) {}

void TFCommData::FormHide() {
    if (showMenuItem_ != nullptr)
        showMenuItem_->SetChecked(false);
}

} // namespace tb
