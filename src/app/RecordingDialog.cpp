#include "app/RecordingDialog.h"

#include "framework/Application.h"
#include "framework/IntegerText.h"
#include "framework/Prompter.h"

#include <commdlg.h>

#include <algorithm>
#include <optional>
#include <vector>

namespace tb {

namespace {

constexpr int kClientWidth = 364;
constexpr int kClientHeight = 150;

} // namespace

TRecordingDialog::TRecordingDialog(TApplication& application)
    : TForm(application, L"RecordingDialog"), fileLabel_(this, L"FileLabel", L"File name:"),
      fileName_(this, L"FileNameEdit"), browse_(this, L"BrowseBtn", L"Browse..."),
      timeLimit_(this, L"TimeLimitBox", L"Time limit"), seconds_(this, L"SecondsEdit"),
      secondsLabel_(this, L"SecondsLabel", L"seconds"), note_(this, L"NoteLabel"),
      start_(this, L"StartBtn", L"Start"), cancel_(this, L"CancelBtn", L"Cancel") {
    SetCaption(L"Capture to file");
    MakeDialog(200, 160, kClientWidth, kClientHeight);

    fileLabel_.SetBounds(8, 10, 100, 13);
    fileName_.SetBounds(8, 26, 268, 21);
    browse_.SetBounds(282, 25, 75, 23);
    browse_.OnClick = [this](TButton&) { BrowseClick(); };
    timeLimit_.SetBounds(8, 60, 80, 17);
    seconds_.SetBounds(92, 58, 56, 21);
    secondsLabel_.SetBounds(154, 62, 60, 13);
    note_.SetBounds(8, 90, 348, 13);
    note_.SetVisible(false);
    start_.SetBounds(202, 116, 75, 25);
    start_.SetDefault(true);
    start_.OnClick = [this](TButton&) { StartClick(); };
    cancel_.SetBounds(282, 116, 75, 25);
    cancel_.SetCancel(true);
    cancel_.SetModalResult(mrCancel);
    HandleNeeded();
    DoCreate();
}

void TRecordingDialog::SetChoice(const TRecordingChoice& choice) {
    fileName_.SetText(choice.FileName);
    timeLimit_.SetChecked(choice.UseTimeLimit);
    lastSeconds_ = choice.TimeLimitSec;
    seconds_.SetText(std::to_wstring(choice.TimeLimitSec));
}

TRecordingChoice TRecordingDialog::Choice() {
    TRecordingChoice choice;
    choice.FileName = fileName_.Text();
    choice.UseTimeLimit = timeLimit_.Checked();
    const std::optional<std::int32_t> seconds = TryStrToInt(seconds_.Text());
    choice.TimeLimitSec =
        seconds && *seconds >= 1 && *seconds <= kLongestTimeLimitSec ? *seconds : lastSeconds_;
    return choice;
}

void TRecordingDialog::SetNote(const std::wstring& note) {
    note_.SetCaption(note);
    note_.SetVisible(!note.empty());
}

void TRecordingDialog::BrowseClick() {
    std::vector<wchar_t> name(MAX_PATH * 2, L'\0');
    const std::wstring current = fileName_.Text();
    if (current.size() < name.size())
        std::copy(current.begin(), current.end(), name.begin());
    OPENFILENAMEW request{};
    request.lStructSize = sizeof(request);
    request.hwndOwner = Handle();
    request.lpstrFilter = L"AVI files (*.avi)\0*.avi\0All files (*.*)\0*.*\0";
    request.lpstrFile = name.data();
    request.nMaxFile = static_cast<DWORD>(name.size());
    request.lpstrDefExt = L"avi";
    request.lpstrTitle = L"Capture to file";
    request.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
    const INT_PTR chosen = Application().Prompter().Modal(
        L"SaveAs", nullptr, [&request] { return ::GetSaveFileNameW(&request) ? IDOK : IDCANCEL; });
    if (chosen == IDOK)
        fileName_.SetText(name.data());
}

void TRecordingDialog::StartClick() {
    if (timeLimit_.Checked()) {
        const std::optional<std::int32_t> seconds = TryStrToInt(seconds_.Text());
        if (!seconds || *seconds < 1 || *seconds > kLongestTimeLimitSec) {
            Application().MessageBox(L"The time limit is a whole number of seconds, from 1 to " +
                                         std::to_wstring(kLongestTimeLimitSec) + L".",
                                     Caption(), MB_OK | MB_ICONWARNING);
            return;
        }
        lastSeconds_ = *seconds;
    }
    SetModalResult(mrOk);
}

} // namespace tb
