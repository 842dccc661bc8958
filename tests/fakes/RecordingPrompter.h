// A prompter for tests: records every message box and modal dialog that the program
// would have shown, answers message boxes with a scripted button (IDOK by default) and
// modal dialogs with a scripted result, without showing anything.
#pragma once

#include "framework/Prompter.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace tbtest {

struct TRecordedMessage {
    HWND owner = nullptr;
    std::wstring text;
    std::wstring caption;
    UINT type = 0;
};

class TRecordingPrompter final : public tb::IPrompter {
public:
    int Message(HWND owner, const std::wstring& text, const std::wstring& caption,
                UINT type) override;
    INT_PTR Modal(const std::wstring& name, tb::TForm* dialog,
                  const std::function<INT_PTR()>& show) override;

    // Answers for the next message boxes and dialogs, in order; when none is queued a
    // message box answers IDOK and a dialog IDCANCEL.
    void QueueMessageAnswer(int answer) { messageAnswers_.push_back(answer); }
    void QueueModalAnswer(INT_PTR answer) { modalAnswers_.push_back(answer); }

    std::vector<TRecordedMessage> messages;
    std::vector<std::wstring> dialogs;

private:
    std::deque<int> messageAnswers_;
    std::deque<INT_PTR> modalAnswers_;
};

} // namespace tbtest
