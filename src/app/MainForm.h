// The main window "PelmontTest2" (component name "Form1"): the capture control
// VideoCapture1, the menus File, Options and Help, its placement and AutoSize choice kept
// in the settings store, and the hand-over of key releases to the camera window. The File
// menu records what the camera shows to a file: the caption tells the progress, a message
// how the recording ended.
#pragma once

#include "media/MediaPlatform.h"
#include "app/RecordingDialog.h"
#include "capture/VideoCapture.h"
#include "framework/Application.h"
#include "framework/Form.h"
#include "framework/Menu.h"

#include <memory>

namespace tb {

// The main window's caption (a running recording adds its progress), and its section in
// the settings store.
constexpr wchar_t kMainCaption[] = L"PelmontTest2";
constexpr wchar_t kMainSection[] = L"Form1";

class TFFormatPanel;
class TFCommData;

class TForm1 : public TForm {
public:
    explicit TForm1(TApplication& application,
                    std::shared_ptr<IMediaPlatform> platform = DefaultMediaPlatform());
    ~TForm1() override;

    // The windows the menu shows; created after the main window.
    void SetFormatPanel(TFFormatPanel* panel) { formatPanel_ = panel; }
    void SetCommData(TFCommData* commData);

    TVideoCapture& VideoCapture1() { return *videoCapture1_; }
    TPopupMenu& PopupMenu1() { return popupMenu1_; }

    // Menu items, by their component names.
    TMenuItem& CaptureToFile1() { return *captureToFile1_; }
    TMenuItem& StopCapture1() { return *stopCapture1_; }
    TMenuItem& Exit1() { return *exit1_; }
    TMenuItem& AutoSize1() { return *autoSize1_; }
    TMenuItem& ShowFormatPanel1() { return *showFormatPanel1_; }
    TMenuItem& ShowSamsungSHC721Control1() { return *showSamsungSHC721Control1_; }
    TMenuItem& KorvidVersion1() { return *korvidVersion1_; }
    TMenuItem& About1() { return *about1_; }
    TMainMenu& MainMenu1() { return mainMenu1_; }

    // Brings the window and the capture control into line with the AutoSize item's check.
    void ApplyAutoSize();

    // Handlers.
    void FormCreate();
    void FormActivate();
    void FormClose(TCloseAction& action);
    void FormKeyUp(WORD& key, TShiftState shift);
    void CaptureToFile1Click();
    void StopCapture1Click();
    void Exit1Click();
    void AutoSize1Click();
    void ShowFormatPanel1Click();
    void ShowSamsungSHC721Control1Click();
    void KorvidVersion1Click();
    void About1Click();

private:
    // The last recording's choice from the settings (MainFormRecording.cpp).
    void ReadRecordingChoice();
    // A recording's start, progress and end, as the window shows them.
    void RecordingStarted();
    void RecordingProgress();
    void RecordingEnded();

    TMainMenu mainMenu1_{L"MainMenu1"};
    TPopupMenu popupMenu1_{L"PopupMenu1"};
    std::unique_ptr<TVideoCapture> videoCapture1_;
    TMenuItem* captureToFile1_ = nullptr;
    TMenuItem* stopCapture1_ = nullptr;
    TMenuItem* exit1_ = nullptr;
    TMenuItem* autoSize1_ = nullptr;
    TMenuItem* showFormatPanel1_ = nullptr;
    TMenuItem* showSamsungSHC721Control1_ = nullptr;
    TMenuItem* korvidVersion1_ = nullptr;
    TMenuItem* about1_ = nullptr;
    TFFormatPanel* formatPanel_ = nullptr;
    TFCommData* commData_ = nullptr;
    // The last recording's choice, stored with the window's settings.
    TRecordingChoice recording_;
    // The recording's second the caption tells.
    std::uint32_t shownSecond_ = 0;
};

} // namespace tb
