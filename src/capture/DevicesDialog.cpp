#include "capture/DevicesDialog.h"

#include "devices/DeviceCatalogue.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace tb {

namespace {

constexpr COLORREF kWaitColor = RGB(0xFF, 0, 0);

// Replaces a list's entries with the names and selects the entry at `index` (none
// when the index is outside the list, -1 included).
void Fill(TComboBox& list, std::vector<std::wstring> names, int index) {
    list.SetItems(std::move(names));
    list.SetItemIndex(index);
}

// Lays one side of the dialog out: its caption labels, "Clear" buttons and lists.
void LayOutSide(TPanel& panel, TLabel& deviceLabel, TButton& deviceClear, TComboBox& devices,
                TLabel& compressorLabel, int compressorLabelLeft, TButton& compressorClear,
                TComboBox& compressors) {
    panel.SetBevelOuter(TBevelCut::bvLowered);
    panel.SetBevelInner(TBevelCut::bvRaised);
    deviceLabel.SetBounds(8, 16, 0, 0);
    deviceClear.SetBounds(144, 16, 47, 17);
    devices.SetBounds(7, 40, 186, 21);
    compressorLabel.SetBounds(compressorLabelLeft, 104, 0, 0);
    compressorClear.SetBounds(144, 104, 47, 17);
    compressors.SetBounds(7, 128, 186, 21);
}

} // namespace

TFDevicesDlg::TFDevicesDlg(TApplication& application)
    : TForm(application, L"FDevicesDlg"), videoPanel_(this, L"Panel1"),
      videoDeviceLabel_(&videoPanel_, L"Label1", L"Video device (*):"),
      cbVideoDevices_(&videoPanel_, L"cbVideoDevices"),
      btnVDev_(&videoPanel_, L"btnVDev", L"Clear"),
      videoCompressorLabel_(&videoPanel_, L"Label2", L"Video compressor:"),
      cbVideoCompressors_(&videoPanel_, L"cbVideoCompressors"),
      btnVComp_(&videoPanel_, L"btnVComp", L"Clear"), audioPanel_(this, L"Panel2"),
      audioDeviceLabel_(&audioPanel_, L"Label3", L"Audio device:"),
      cbAudioDevices_(&audioPanel_, L"cbAudioDevices"),
      btnADev_(&audioPanel_, L"btnADev", L"Clear"),
      audioCompressorLabel_(&audioPanel_, L"Label4", L"Audio compressor:"),
      cbAudioCompressors_(&audioPanel_, L"cbAudioCompressors"),
      btnAComp_(&audioPanel_, L"btnAComp", L"Clear"),
      lblWait_(this, L"lblWait", L"V \u00C1 R J ..."), btnOk_(this, L"btnOk", L"Ok"),
      btnCancel_(this, L"btnCancel", L"M\u00E9gse"), btnApply_(this, L"btnApply", L"Alkalmaz") {
    SetCaption(L"Tulajdons\u00E1gok");
    SetBorderStyle(TBorderStyle::bsDialog);
    SetUsesDialogKeys(true);
    // The keyboard starts in the video device list.
    SetActiveControl(&cbVideoDevices_);
    SetBounds(0, 0, 431, 289);
    SetFont(L"MS Sans Serif", -11);

    videoPanel_.SetBounds(8, 16, 201, 193);
    LayOutSide(videoPanel_, videoDeviceLabel_, btnVDev_, cbVideoDevices_, videoCompressorLabel_, 8,
               btnVComp_, cbVideoCompressors_);
    audioPanel_.SetBounds(216, 16, 201, 193);
    LayOutSide(audioPanel_, audioDeviceLabel_, btnADev_, cbAudioDevices_, audioCompressorLabel_, 10,
               btnAComp_, cbAudioCompressors_);

    // The wait text: red, bold, 10 points, shown only while "Alkalmaz" works.
    lblWait_.SetAutoSize(false);
    lblWait_.SetBounds(56, 224, 120, 17);
    lblWait_.SetVisible(false);
    btnOk_.SetBounds(184, 224, 73, 25);
    btnCancel_.SetBounds(264, 224, 75, 25);
    btnApply_.SetBounds(344, 224, 73, 25);

    btnVDev_.OnClick = [this](TButton&) { btnVDevClick(); };
    btnVComp_.OnClick = [this](TButton&) { btnVCompClick(); };
    btnADev_.OnClick = [this](TButton&) { btnADevClick(); };
    btnAComp_.OnClick = [this](TButton&) { btnACompClick(); };
    btnOk_.OnClick = [this](TButton&) { btnOkClick(); };
    btnCancel_.OnClick = [this](TButton&) { btnCancelClick(); };
    btnApply_.OnClick = [this](TButton&) { btnApplyClick(); };
    OnActivate = [this](TForm&) { FormActivate(); };

    HandleNeeded();
    SetClientSize(425, 260);
    const HDC screen = ::GetDC(nullptr);
    const int height = -::MulDiv(10, ::GetDeviceCaps(screen, LOGPIXELSY), 72);
    ::ReleaseDC(nullptr, screen);
    waitFont_.Reset(::CreateFontW(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                  DEFAULT_PITCH | FF_DONTCARE, L"MS Sans Serif"));
    ::SendMessageW(lblWait_.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(waitFont_.Get()), FALSE);
    DoCreate();
}

TLabel& TFDevicesDlg::ListLabel(int list) {
    TLabel* labels[] = {&videoDeviceLabel_, &videoCompressorLabel_, &audioDeviceLabel_,
                        &audioCompressorLabel_};
    if (list < 0 || list >= 4)
        throw std::out_of_range("No such list label");
    return *labels[list];
}

TVideoCapture* TFDevicesDlg::Control() const {
    return dynamic_cast<TVideoCapture*>(captureControl_);
}

void TFDevicesDlg::FormActivate() {
    SetCaption(L"Devices and Compressors");
    TVideoCapture* control = Control();
    if (control == nullptr)
        return;
    // The lists come from the catalogue the control picks by position from, so an
    // entry's position in a list is the position the control is handed.
    const TDevices* catalogue = control->DeviceCatalogue();
    const auto names = [catalogue](TDeviceCategory category) {
        return catalogue != nullptr ? catalogue->Names(category) : std::vector<std::wstring>();
    };
    Fill(cbVideoDevices_, names(TDeviceCategory::VideoDevice), control->CurrentVideoDeviceIndex());
    Fill(cbVideoCompressors_, names(TDeviceCategory::VideoCompressor),
         control->CurrentVideoCompressorIndex());
    Fill(cbAudioDevices_, names(TDeviceCategory::AudioDevice), control->CurrentAudioDeviceIndex());
    Fill(cbAudioCompressors_, names(TDeviceCategory::AudioCompressor),
         control->CurrentAudioCompressorIndex());
}

void TFDevicesDlg::ApplyChoices() {
    TVideoCapture* control = Control();
    if (control == nullptr)
        return;
    // No selection initialises the control or announces itself; the switch comes back
    // on every path out, a failed save included.
    const TReinitOnSelectBatch batch(*control);
    control->SelectVideoDeviceByIndex(cbVideoDevices_.ItemIndex());
    control->SelectAudioDeviceByIndex(cbAudioDevices_.ItemIndex());
    control->SelectVideoCompressorByIndex(cbVideoCompressors_.ItemIndex());
    control->SelectAudioCompressorByIndex(cbAudioCompressors_.ItemIndex());
    control->SaveSettings();
}

void TFDevicesDlg::btnOkClick() {
    ApplyChoices();
    SetModalResult(mrOk);
}

void TFDevicesDlg::btnCancelClick() {
    SetModalResult(mrCancel);
}

void TFDevicesDlg::btnApplyClick() {
    TVideoCapture* control = Control();
    // The wait text is hidden again however the work ends.
    struct TWaitText {
        TFDevicesDlg& dialog;
        explicit TWaitText(TFDevicesDlg& owner) : dialog(owner) {
            dialog.lblWait_.SetVisible(true);
            if (dialog.HandleAllocated())
                ::RedrawWindow(dialog.Handle(), nullptr, nullptr,
                               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        }
        ~TWaitText() { dialog.lblWait_.SetVisible(false); }
        TWaitText(const TWaitText&) = delete;
        TWaitText& operator=(const TWaitText&) = delete;
    } wait(*this);
    ApplyChoices();
    if (control == nullptr)
        return;
    control->InitGraph();
    if (TControl* owner = control->Parent())
        owner->Repaint();
}

LRESULT TFDevicesDlg::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CTLCOLORSTATIC && lblWait_.HandleAllocated() &&
        reinterpret_cast<HWND>(lParam) == lblWait_.Handle()) {
        const HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetTextColor(dc, kWaitColor);
        ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    }
    return TForm::WndProc(message, wParam, lParam);
}

INT_PTR RunDevicesDialog(TVideoCapture& control) {
    TApplication* application = control.Services().Application;
    if (application == nullptr)
        throw std::logic_error("The devices dialog needs the application object");
    TFDevicesDlg dialog(*application);
    dialog.SetCaptureControl(&control);
    POINT corner{16, 16};
    ::ClientToScreen(control.Handle(), &corner);
    dialog.SetBounds(corner.x, corner.y, dialog.Width(), dialog.Height());
    return application->Prompter().Modal(dialog.Name(), &dialog,
                                         [&dialog] { return dialog.ShowModal(); });
}

bool ShowDevicesDialog(TVideoCapture& control) {
    const INT_PTR result = RunDevicesDialog(control);
    if (TControl* owner = control.Parent())
        owner->Repaint();
    if (result != mrOk)
        return false;
    control.InitGraph();
    return true;
}

} // namespace tb
