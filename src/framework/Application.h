// The application object: the message loop, the main form, the program's focused form
// and the general error report (an exception that escapes a handler is shown in a
// message box with its message, and the program goes on).
#pragma once

#include "framework/Prompter.h"

#include <windows.h>

#include <exception>
#include <memory>
#include <stdexcept>
#include <string>

namespace tb {

class TForm;

class TApplication {
public:
    explicit TApplication(std::shared_ptr<IPrompter> prompter = std::make_shared<TWin32Prompter>());
    ~TApplication();
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    // The application object of this program (the one constructed last and still alive).
    static TApplication* Current() { return current_; }

    IPrompter& Prompter() { return *prompter_; }
    void SetPrompter(std::shared_ptr<IPrompter> prompter) { prompter_ = std::move(prompter); }

    const std::wstring& Title() const { return title_; }
    void SetTitle(std::wstring title) { title_ = std::move(title); }

    // The first form created becomes the main form: closing it ends the program.
    TForm* MainForm() const { return mainForm_; }
    void FormCreated(TForm& form);
    void FormDestroyed(TForm& form);

    // The program's focused form: changes only when another form of this program is
    // activated, not when the user switches to another program and back.
    TForm* ActiveForm() const { return activeForm_; }
    // Records the activation of a form; true when the program's focused form changed.
    bool FormActivated(TForm& form);

    // Runs the message loop until Terminate.
    void Run();
    void Terminate();
    bool Terminated() const { return terminated_; }
    // Handles every waiting message, then returns.
    void ProcessMessages();
    // Handles one message; false when the queue was empty.
    bool HandleMessage();

    // The general error report.
    void HandleException(const std::exception& error) noexcept;

    // A message box through the prompter, owned by the foreground window of this program.
    int MessageBox(const std::wstring& text, const std::wstring& caption, UINT type);

private:
    void Dispatch(MSG& message);

    static TApplication* current_;
    TApplication* previous_ = nullptr;
    std::shared_ptr<IPrompter> prompter_;
    std::wstring title_;
    TForm* mainForm_ = nullptr;
    TForm* activeForm_ = nullptr;
    bool terminated_ = false;
};

// Runs `body`, reporting any exception through the current application's general
// error report. Every window procedure entry goes through it.
template <typename Body>
auto Guarded(Body&& body) noexcept -> decltype(body()) {
    try {
        return body();
    } catch (const std::exception& error) {
        if (TApplication* app = TApplication::Current())
            app->HandleException(error);
    } catch (...) {
        if (TApplication* app = TApplication::Current())
            app->HandleException(std::runtime_error("Unknown error"));
    }
    return decltype(body())();
}

} // namespace tb
