#include "app/MainForm.h"

#include "app/FormatPanel.h"
#include "camera/CommDataForm.h"
#include "settings/FormPlacement.h"
#include "settings/SettingsStore.h"

namespace tb {

namespace {

constexpr wchar_t kAboutText[] =
    L"TestBench - video capture and camera control test bench, by Zarrow";

} // namespace

TForm1::TForm1(TApplication& application, std::shared_ptr<IMediaPlatform> platform)
    : TForm(application, L"Form1") {
    SetCaption(kMainCaption);
    SetBorderStyle(TBorderStyle::bsSizeable);
    SetBounds(178, 357, 332, 298);
    SetColor(clBtnFace());
    SetFont(L"MS Sans Serif", -11);

    // The capture control with its design settings.
    videoCapture1_ = std::make_unique<TVideoCapture>(this, L"VideoCapture1", std::move(platform));
    TVideoCapture& capture = *videoCapture1_;
    capture.SetBounds(0, 0, 324, 244);
    capture.SetHint(L"Click Right mouse for popup menu");
    capture.SetShowHint(true);
    capture.SetAutoSize(true);
    capture.SetDVResolution(TDVResolution::dvrDontWorry);
    capture.SetPixelFormat(TPixelFormat::pf24bit);
    capture.SetGrabbedPixelFormat(TPixelFormat::pf24bit);
    capture.SetAudioPreview(false);
    capture.SetPreview(true);
    capture.SetWantBitmapGrab(false);
    capture.SetPermanentGrabbing(false);
    capture.SetFullScreenMode(false);
    capture.SetUseTimeLimit(false);
    capture.SetTimeLimitSec(0);
    capture.SetPreallocFile(false);
    capture.SetPreallocFileSizeMB(1);
    capture.SetResizeable(false);
    capture.SetManualCaptureStart(false);
    capture.SetPopupDevicesDialog(false);
    capture.SetPopupVideoDevicesList(true);
    capture.SetColor(clSilver);
    capture.SetPopupMenu(&popupMenu1_);
    capture.SetBevelOuter(TBevelCut::bvLowered);
    capture.SetBevelWidth(2);
    capture.OnStartCapture = [this](TVideoCapture&) { RecordingStarted(); };
    capture.OnCaptureProgress = [this](TVideoCapture&) { RecordingProgress(); };
    capture.OnCloseCapture = [this](TVideoCapture&) { RecordingEnded(); };

    TMenuItem& file = mainMenu1_.Items().Add(L"File1", L"File");
    captureToFile1_ = &file.Add(L"CaptureToFile1", L"Capture to file...",
                                [this](TMenuItem&) { CaptureToFile1Click(); });
    stopCapture1_ =
        &file.Add(L"StopCapture1", L"Stop capture", [this](TMenuItem&) { StopCapture1Click(); });
    stopCapture1_->SetEnabled(false);
    file.Add(L"N1", L"-");
    exit1_ = &file.Add(L"Exit1", L"Exit", [this](TMenuItem&) { Exit1Click(); });
    TMenuItem& options = mainMenu1_.Items().Add(L"Options1", L"Options");
    autoSize1_ = &options.Add(L"AutoSize1", L"AutoSize", [this](TMenuItem&) { AutoSize1Click(); });
    autoSize1_->SetChecked(true);
    showFormatPanel1_ = &options.Add(L"ShowFormatPanel1", L"ShowFormatPanel",
                                     [this](TMenuItem&) { ShowFormatPanel1Click(); });
    showSamsungSHC721Control1_ =
        &options.Add(L"ShowSamsungSHC721Control1", L"ShowSamsungSHC721Control",
                     [this](TMenuItem&) { ShowSamsungSHC721Control1Click(); });
    TMenuItem& help = mainMenu1_.Items().Add(L"Help1", L"Help");
    korvidVersion1_ = &help.Add(L"KorvidVersion1", L"Korvid version",
                                [this](TMenuItem&) { KorvidVersion1Click(); });
    about1_ = &help.Add(L"About1", L"About", [this](TMenuItem&) { About1Click(); });
    SetMenu(&mainMenu1_);

    OnActivate = [this](TForm&) { FormActivate(); };
    OnClose = [this](TForm&, TCloseAction& action) { FormClose(action); };
    OnKeyUp = [this](TForm&, WORD& key, TShiftState shift) { FormKeyUp(key, shift); };
    OnCreate = [this](TForm&) { FormCreate(); };
    HandleNeeded();
    DoCreate();
}

TForm1::~TForm1() {
    SetMenu(nullptr);
}

void TForm1::SetCommData(TFCommData* commData) {
    commData_ = commData;
    if (commData_ != nullptr)
        commData_->SetShowMenuItem(showSamsungSHC721Control1_);
}

void TForm1::FormCreate() {
    RestoreFormPlacement(Settings(), *this);
    bool autoSize = autoSize1_->Checked();
    if (Settings().RegReadBool(kMainSection, L"Autosize", autoSize))
        autoSize1_->SetChecked(autoSize);
    ApplyAutoSize();
    ReadRecordingChoice();
}

void TForm1::ApplyAutoSize() {
    TVideoCapture& capture = VideoCapture1();
    if (autoSize1_->Checked()) {
        SetAutoSize(true);
        capture.SetAlign(TAlign::alNone);
        capture.SetAutoSize(true);
        // The control no longer fills the window: the window now fits it.
        SetAutoSize(true);
    } else {
        SetAutoSize(false);
        capture.SetAlign(TAlign::alClient);
        capture.SetAutoSize(false);
        // While its AutoSize was still on, the control's own size message took the video's
        // size back; the window, perhaps held at the screen's size, reports no size change
        // that would fit it again. So the control is fitted to the client area now, and
        // the picture scaled into it, whatever the window's size history.
        Realign();
    }
}

void TForm1::FormActivate() {
    Repaint();
    // A recording runs on the devices it was started with: coming back to the window
    // (after its own dialog, or from another program) must not rebuild its graph and so
    // end it.
    if (VideoCapture1().Capturing())
        return;
    VideoCapture1().InitFromSavedDevices();
}

void TForm1::FormClose(TCloseAction&) {
    SaveFormPlacement(Settings(), *this);
    Settings().RegWriteBool(kMainSection, L"Autosize", autoSize1_->Checked());
}

void TForm1::FormKeyUp(WORD& key, TShiftState shift) {
    if (commData_ != nullptr)
        commData_->FormKeyUp(key, shift);
}

void TForm1::Exit1Click() {
    Close();
}

void TForm1::AutoSize1Click() {
    autoSize1_->SetChecked(!autoSize1_->Checked());
    ApplyAutoSize();
}

void TForm1::ShowFormatPanel1Click() {
    if (formatPanel_ != nullptr)
        formatPanel_->Show();
}

void TForm1::ShowSamsungSHC721Control1Click() {
    showSamsungSHC721Control1_->SetChecked(!showSamsungSHC721Control1_->Checked());
    if (commData_ != nullptr)
        commData_->SetVisible(showSamsungSHC721Control1_->Checked());
}

void TForm1::KorvidVersion1Click() {
    Application().MessageBox(VideoCapture1().Version(), Application().Title(), MB_OK);
}

void TForm1::About1Click() {
    Application().MessageBox(kAboutText, Application().Title(), MB_OK);
}

} // namespace tb
