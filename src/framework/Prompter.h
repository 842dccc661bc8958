// The one way the program puts a modal question in front of the user: message boxes
// and modal dialogs (its own forms, property frames, driver dialogs). The program uses
// the Win32 prompter; tests hand in one that records what would have been shown and
// answers it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace tb {

class TForm;

class IPrompter {
public:
    virtual ~IPrompter() = default;

    // A modal message box; returns the button chosen (IDOK, IDYES...).
    virtual int Message(HWND owner, const std::wstring& text, const std::wstring& caption,
                        UINT type) = 0;

    // A modal dialog called `name`. `dialog` is the program's own form when it is one
    // (null for dialogs of the platform or of a driver); `show` shows it for real and
    // returns its result.
    virtual INT_PTR Modal(const std::wstring& name, TForm* dialog,
                          const std::function<INT_PTR()>& show) = 0;
};

class TWin32Prompter final : public IPrompter {
public:
    int Message(HWND owner, const std::wstring& text, const std::wstring& caption,
                UINT type) override;
    INT_PTR Modal(const std::wstring& name, TForm* dialog,
                  const std::function<INT_PTR()>& show) override;
};

} // namespace tb
