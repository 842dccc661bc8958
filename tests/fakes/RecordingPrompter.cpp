#include "fakes/RecordingPrompter.h"

#include <functional>

namespace tbtest {

int TRecordingPrompter::Message(HWND owner, const std::wstring& text, const std::wstring& caption,
                                UINT type) {
    messages.push_back({owner, text, caption, type});
    if (messageAnswers_.empty())
        return IDOK;
    const int answer = messageAnswers_.front();
    messageAnswers_.pop_front();
    return answer;
}

INT_PTR TRecordingPrompter::Modal(const std::wstring& name, tb::TForm*,
                                  const std::function<INT_PTR()>&) {
    dialogs.push_back(name);
    if (modalAnswers_.empty())
        return IDCANCEL;
    const INT_PTR answer = modalAnswers_.front();
    modalAnswers_.pop_front();
    return answer;
}

} // namespace tbtest
