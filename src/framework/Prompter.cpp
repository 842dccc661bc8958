#include "framework/Prompter.h"

namespace tb {

int TWin32Prompter::Message(HWND owner, const std::wstring& text, const std::wstring& caption,
                            UINT type) {
    return ::MessageBoxW(owner, text.c_str(), caption.c_str(), type);
}

INT_PTR TWin32Prompter::Modal(const std::wstring&, TForm*, const std::function<INT_PTR()>& show) {
    return show();
}

} // namespace tb
