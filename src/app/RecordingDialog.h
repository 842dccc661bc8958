// The modal "Capture to file" dialog: the file to record to (typed, or chosen with the
// Save As browser), the time limit on or off with its seconds, and a note about what the
// system records. Start closes it only with a time limit that is a whole number of
// seconds.
#pragma once

#include "framework/Button.h"
#include "framework/CheckBox.h"
#include "framework/Edit.h"
#include "framework/Form.h"
#include "framework/Label.h"

#include <cstdint>
#include <string>

namespace tb {

// What the user chose for a recording (and what is stored for the next one).
struct TRecordingChoice {
    std::wstring FileName;
    bool UseTimeLimit = false;
    std::int32_t TimeLimitSec = 10;
};

// The longest time limit the dialog takes: a day.
constexpr std::int32_t kLongestTimeLimitSec = 24 * 60 * 60;

class TRecordingDialog : public TForm {
public:
    explicit TRecordingDialog(TApplication& application);

    void SetChoice(const TRecordingChoice& choice);
    // The choice as the dialog shows it (the seconds as the last valid value when the
    // field does not hold one).
    TRecordingChoice Choice();
    // A note below the choices; none: no note.
    void SetNote(const std::wstring& note);

    TEdit& FileNameEdit() { return fileName_; }
    TButton& BrowseButton() { return browse_; }
    TCheckBox& TimeLimitBox() { return timeLimit_; }
    TEdit& SecondsEdit() { return seconds_; }
    TButton& StartButton() { return start_; }
    TButton& CancelButton() { return cancel_; }

private:
    void BrowseClick();
    void StartClick();

    TLabel fileLabel_;
    TEdit fileName_;
    TButton browse_;
    TCheckBox timeLimit_;
    TEdit seconds_;
    TLabel secondsLabel_;
    TLabel note_;
    TButton start_;
    TButton cancel_;
    std::int32_t lastSeconds_ = 10;
};

} // namespace tb
