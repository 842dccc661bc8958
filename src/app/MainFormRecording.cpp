// The main window's recording: File > Capture to file... and Stop capture, the caption
// while a recording runs and the message when it ends.
#include "app/MainForm.h"

#include "app/RecordingText.h"
#include "framework/Prompter.h"
#include "settings/SettingsStore.h"

namespace tb {

namespace {

constexpr wchar_t kAudioVideoOnly[] =
    L"Audio is not recorded: this system's AVI writer takes video only.";
constexpr wchar_t kNoVideoDevice[] =
    L"There is no video device to record from: choose one from the picture's right-button "
    L"menu first.";

TRecordingCount CountOf(const TVideoCapture& capture) {
    TRecordingCount count;
    count.ElapsedMilliseconds = capture.ElapsedMilliseconds();
    if (capture.CountsFrames())
        count.Frames = capture.FramesNotDropped();
    count.Dropped = capture.DroppedFrames();
    return count;
}

} // namespace

void TForm1::ReadRecordingChoice() {
    Settings().RegReadString(kMainSection, L"CaptureFile", recording_.FileName);
    Settings().RegReadBool(kMainSection, L"CaptureTimeLimit", recording_.UseTimeLimit);
    std::int32_t seconds = 0;
    if (Settings().RegReadInteger(kMainSection, L"CaptureTimeLimitSec", seconds) && seconds >= 1 &&
        seconds <= kLongestTimeLimitSec)
        recording_.TimeLimitSec = seconds;
}

void TForm1::CaptureToFile1Click() {
    TVideoCapture& capture = VideoCapture1();
    if (capture.Capturing())
        return;
    if (!capture.HasVideoDevice()) {
        Application().MessageBox(kNoVideoDevice, Application().Title(), MB_OK | MB_ICONWARNING);
        return;
    }
    TRecordingDialog dialog(Application());
    dialog.SetChoice(recording_);
    if (capture.RecordsVideoOnly())
        dialog.SetNote(kAudioVideoOnly);
    const INT_PTR result = Application().Prompter().Modal(dialog.Name(), &dialog,
                                                          [&dialog] { return dialog.ShowModal(); });
    if (result != mrOk)
        return;
    recording_ = dialog.Choice();
    Settings().RegWriteString(kMainSection, L"CaptureFile", recording_.FileName);
    Settings().RegWriteBool(kMainSection, L"CaptureTimeLimit", recording_.UseTimeLimit);
    Settings().RegWriteInteger(kMainSection, L"CaptureTimeLimitSec", recording_.TimeLimitSec);

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

// Told once a second (the control's progress comes ten times a second).
void TForm1::RecordingProgress() {
    const TRecordingCount count = CountOf(VideoCapture1());
    const std::uint32_t second = count.ElapsedMilliseconds / 1000;
    if (second == shownSecond_ && Caption() != kMainCaption)
        return;
    shownSecond_ = second;
    SetCaption(RecordingCaption(kMainCaption, count));
}

void TForm1::RecordingEnded() {
    captureToFile1_->SetEnabled(true);
    stopCapture1_->SetEnabled(false);
    SetCaption(kMainCaption);
    const TVideoCapture& capture = VideoCapture1();
    const TCaptureEnd reason = capture.LastCaptureEnd();
    Application().MessageBox(RecordingEndText(reason, capture.CaptureFileName(), CountOf(capture)),
                             Application().Title(),
                             MB_OK |
                                 (RecordingEndWarns(reason) ? MB_ICONWARNING : MB_ICONINFORMATION));
}

} // namespace tb
