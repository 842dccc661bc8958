#include "app/MainForm.h"

#include "app/FormatPanel.h"
#include "app/RecordingText.h"
#include "framework/Prompter.h"
#include "camera/CommDataForm.h"
#include "settings/FormPlacement.h"
#include "settings/SettingsStore.h"

namespace tb {

namespace {

constexpr wchar_t kSection[] = L"Form1";
constexpr wchar_t kCaption[] = L"PelmontTest2";
constexpr wchar_t kAudioVideoOnly[] =
    L"Audio is not recorded: this system's AVI writer takes video only.";
constexpr wchar_t kAboutText[] =
    L"TestBench - video capture and camera control test bench, by Zarrow";

} // namespace

TForm1::TForm1(TApplication& application, std::shared_ptr<IMediaPlatform> platform)
    : TForm(application, L"Form1") {
    SetCaption(kCaption);
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
    if (Settings().RegReadBool(kSection, L"Autosize", autoSize))
        autoSize1_->SetChecked(autoSize);
    ApplyAutoSize();
    Settings().RegReadString(kSection, L"CaptureFile", recording_.FileName);
    Settings().RegReadBool(kSection, L"CaptureTimeLimit", recording_.UseTimeLimit);
    std::int32_t seconds = 0;
    if (Settings().RegReadInteger(kSection, L"CaptureTimeLimitSec", seconds) && seconds >= 1 &&
        seconds <= kLongestTimeLimitSec)
        recording_.TimeLimitSec = seconds;
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
    Settings().RegWriteBool(kSection, L"Autosize", autoSize1_->Checked());
}

void TForm1::FormKeyUp(WORD& key, TShiftState shift) {
    if (commData_ != nullptr)
        commData_->FormKeyUp(key, shift);
}

void TForm1::CaptureToFile1Click() {
    TVideoCapture& capture = VideoCapture1();
    if (capture.Capturing())
        return;
    TRecordingDialog dialog(Application());
    dialog.SetChoice(recording_);
    if (capture.RecordsVideoOnly())
        dialog.SetNote(kAudioVideoOnly);
    const INT_PTR result = Application().Prompter().Modal(dialog.Name(), &dialog,
                                                          [&dialog] { return dialog.ShowModal(); });
    if (result != mrOk)
        return;
    recording_ = dialog.Choice();
    Settings().RegWriteString(kSection, L"CaptureFile", recording_.FileName);
    Settings().RegWriteBool(kSection, L"CaptureTimeLimit", recording_.UseTimeLimit);
    Settings().RegWriteInteger(kSection, L"CaptureTimeLimitSec", recording_.TimeLimitSec);

    // A folder that is not there, or a name that cannot be replaced, is told in words
    // here; every other fault of the file comes from the capture control.
    const std::wstring folder = FolderOf(recording_.FileName);
    const DWORD attributes =
        folder.empty() ? FILE_ATTRIBUTE_DIRECTORY : ::GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        Application().MessageBox(L"The folder \"" + folder +
                                     L"\" does not exist. Choose another place for the "
                                     L"recording.",
                                 Application().Title(), MB_OK | MB_ICONWARNING);
        return;
    }
    const DWORD existing = ::GetFileAttributesW(recording_.FileName.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES &&
        (existing & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
        Application().MessageBox(L"\"" + recording_.FileName +
                                     L"\" is read-only or a folder and cannot be replaced. "
                                     L"Choose another name for the recording.",
                                 Application().Title(), MB_OK | MB_ICONWARNING);
        return;
    }
    capture.SetUseTimeLimit(recording_.UseTimeLimit);
    capture.SetTimeLimitSec(recording_.TimeLimitSec);
    capture.StartCapture(recording_.FileName);
}

void TForm1::StopCapture1Click() {
    VideoCapture1().StopCapture();
}

void TForm1::RecordingStarted() {
    captureToFile1_->SetEnabled(false);
    stopCapture1_->SetEnabled(true);
    RecordingProgress();
}

namespace {

TRecordingCount CountOf(const TVideoCapture& capture) {
    TRecordingCount count;
    count.ElapsedMilliseconds = capture.ElapsedMilliseconds();
    if (capture.CountsFrames())
        count.Frames = capture.FramesNotDropped();
    count.Dropped = capture.DroppedFrames();
    return count;
}

} // namespace

// Told once a second (the control's progress comes ten times a second).
void TForm1::RecordingProgress() {
    const TRecordingCount count = CountOf(VideoCapture1());
    const std::uint32_t second = count.ElapsedMilliseconds / 1000;
    if (second == shownSecond_ && Caption() != kCaption)
        return;
    shownSecond_ = second;
    SetCaption(RecordingCaption(kCaption, count));
}

void TForm1::RecordingEnded() {
    captureToFile1_->SetEnabled(true);
    stopCapture1_->SetEnabled(false);
    SetCaption(kCaption);
    const TVideoCapture& capture = VideoCapture1();
    const TCaptureEnd reason = capture.LastCaptureEnd();
    Application().MessageBox(RecordingEndText(reason, capture.CaptureFileName(), CountOf(capture)),
                             Application().Title(),
                             MB_OK |
                                 (RecordingEndWarns(reason) ? MB_ICONWARNING : MB_ICONINFORMATION));
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
