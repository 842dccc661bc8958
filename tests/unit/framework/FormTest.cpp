// The form base class on the real platform: AutoSize that holds against other sizes and
// after a restore, the normal rectangle of a minimised or maximised window, a close that
// goes on when its handler fails, key releases with Alt held, and the keyboard focus on
// activation.
#include "framework/Application.h"
#include "framework/Button.h"
#include "framework/Form.h"
#include "framework/Panel.h"
#include "framework/Prompter.h"
#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace tb;

namespace {

// Records the messages the application shows instead of showing them.
class TRecordingPrompter : public IPrompter {
public:
    std::vector<std::wstring> messages;
    int Message(HWND, const std::wstring& text, const std::wstring&, UINT) override {
        messages.push_back(text);
        return IDOK;
    }
    INT_PTR Modal(const std::wstring&, TForm*, const std::function<INT_PTR()>& show) override {
        return show();
    }
};

class FormTest : public ::testing::Test {
protected:
    std::shared_ptr<TRecordingPrompter> prompter = std::make_shared<TRecordingPrompter>();
    TApplication application{prompter};

    static SIZE ClientSize(TForm& form) {
        RECT client{};
        ::GetClientRect(form.Handle(), &client);
        return SIZE{client.right, client.bottom};
    }
};

} // namespace

TEST_F(FormTest, AutoSizeKeepsTheFitAgainstOtherSizes) {
    TForm form(application, L"Fitted");
    TPanel panel(&form, L"Panel");
    panel.SetBounds(0, 0, 200, 150);
    form.SetBounds(50, 60, 400, 400);
    form.HandleNeeded();
    form.SetAutoSize(true);
    form.Show();
    EXPECT_EQ(ClientSize(form).cx, 200);
    EXPECT_EQ(ClientSize(form).cy, 150);
    const int width = form.Width(), height = form.Height();

    // Another size, as a drag of the frame asks for it: the window keeps the fit.
    ::SetWindowPos(form.Handle(), nullptr, 0, 0, 300, 120, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(form.Width(), width);
    EXPECT_EQ(form.Height(), height);
    // A drag of the left edge leaves the window where it is.
    ::SetWindowPos(form.Handle(), nullptr, form.Left() - 30, form.Top(), width + 30, height,
                   SWP_NOZORDER);
    EXPECT_EQ(form.Left(), 50);
    EXPECT_EQ(form.Width(), width);
    // A move alone is a move.
    form.SetLeft(70);
    EXPECT_EQ(form.Left(), 70);

    // Without AutoSize any size goes.
    form.SetAutoSize(false);
    form.SetBounds(70, 60, 300, 120);
    EXPECT_EQ(form.Width(), 300);
}

TEST_F(FormTest, AutoSizeFitsAfterARestoreFromMaximised) {
    TForm form(application, L"Fitted");
    TPanel panel(&form, L"Panel");
    panel.SetBounds(0, 0, 200, 150);
    form.HandleNeeded();
    form.SetAutoSize(true);
    form.Show();
    form.SetWindowState(TWindowState::wsMaximized);
    EXPECT_EQ(form.WindowState(), TWindowState::wsMaximized);
    // The control grows while the window is maximised.
    panel.SetBounds(0, 0, 320, 240);
    form.SetWindowState(TWindowState::wsNormal);
    EXPECT_EQ(ClientSize(form).cx, 320);
    EXPECT_EQ(ClientSize(form).cy, 240);
}

TEST_F(FormTest, NormalBoundsAreWhereARestoreReturns) {
    TForm form(application, L"Placed");
    form.SetBounds(100, 120, 300, 200);
    form.Show();
    RECT normal = form.NormalBounds();
    EXPECT_EQ(normal.left, 100);
    EXPECT_EQ(normal.right - normal.left, 300);

    form.SetWindowState(TWindowState::wsMinimized);
    normal = form.NormalBounds();
    EXPECT_EQ(normal.left, 100);
    EXPECT_EQ(normal.top, 120);
    EXPECT_EQ(normal.right - normal.left, 300);
    EXPECT_EQ(normal.bottom - normal.top, 200);

    form.SetNormalBounds(RECT{40, 50, 240, 200});
    EXPECT_EQ(form.WindowState(), TWindowState::wsMinimized);
    form.SetWindowState(TWindowState::wsNormal);
    EXPECT_EQ(form.Left(), 40);
    EXPECT_EQ(form.Top(), 50);
    EXPECT_EQ(form.Width(), 200);
    EXPECT_EQ(form.Height(), 150);
}

TEST_F(FormTest, AFailingCloseHandlerIsReportedAndTheWindowClosesAllTheSame) {
    TForm main(application, L"Main"); // closing this one would end the message loop
    TForm form(application, L"Other");
    form.OnClose = [](TForm&, TCloseAction&) {
        throw ESettingsError(L"Failed to create key Other");
    };
    form.Show();
    form.Close();
    EXPECT_FALSE(form.Visible());
    EXPECT_FALSE(::IsWindowVisible(form.Handle()));
    ASSERT_EQ(prompter->messages.size(), 1u);
    EXPECT_EQ(prompter->messages[0], L"Failed to create key Other");
}

TEST_F(FormTest, OnlyReleasesOfKeysPressedInTheWindowReachTheHandler) {
    TForm form(application, L"Keys");
    std::vector<WORD> released;
    form.OnKeyUp = [&](TForm&, WORD& key, TShiftState) { released.push_back(key); };
    form.HandleNeeded();
    const HWND window = form.Handle();
    // (message, key) in the order the window receives them.
    const std::pair<UINT, WPARAM> messages[] = {
        {WM_KEYDOWN, VK_DOWN},      {WM_KEYUP, VK_DOWN},   // pressed and released
        {WM_SYSKEYDOWN, VK_UP},     {WM_SYSKEYUP, VK_UP},  // with Alt held
        {WM_KEYDOWN, VK_LEFT},      {WM_KEYDOWN, VK_LEFT}, // auto-repeat ...
        {WM_KEYUP, VK_LEFT},                               // ... one release
        {WM_KEYUP, VK_RETURN},                             // pressed elsewhere
        {WM_KEYUP, VK_DOWN},                               // released twice
        {WM_KEYDOWN, VK_RIGHT},     {WM_KILLFOCUS, 0},     // the keyboard went away
        {WM_KEYUP, VK_RIGHT},                              // ... and came back
        {WM_SYSKEYDOWN, VK_RETURN}, {WM_SYSKEYUP, VK_RETURN},
    };
    for (const auto& [message, key] : messages)
        ::SendMessageW(window, message, key, 0);
    EXPECT_EQ(released, (std::vector<WORD>{VK_DOWN, VK_UP, VK_LEFT, VK_RETURN}));
}

TEST_F(FormTest, ActivationFocusesTheActiveControlOrTheFirstTabStop) {
    TForm dialog(application, L"Dialog");
    dialog.SetBounds(10, 10, 300, 200);
    TPanel panel(&dialog, L"Panel");
    panel.SetBounds(0, 0, 200, 100);
    TButton first(&panel, L"First", L"First");
    first.SetBounds(8, 8, 75, 25);
    TButton second(&dialog, L"Second", L"Second");
    second.SetBounds(8, 120, 75, 25);
    dialog.Show();
    EXPECT_EQ(::GetFocus(), first.Handle());

    TForm chosen(application, L"Chosen");
    TButton a(&chosen, L"A", L"A");
    TButton b(&chosen, L"B", L"B");
    b.SetTop(40);
    chosen.SetActiveControl(&b);
    chosen.Show();
    EXPECT_EQ(::GetFocus(), b.Handle());

    // A window without tab stops keeps the focus itself.
    TForm plain(application, L"Plain");
    TButton notAStop(&plain, L"NotAStop", L"Up");
    notAStop.SetTabStop(false);
    plain.Show();
    EXPECT_EQ(::GetFocus(), plain.Handle());
}

TEST_F(FormTest, TabMovesTheDefaultFrameSoEnterPressesTheFocusedButton) {
    TForm dialog(application, L"Dialog");
    dialog.SetUsesDialogKeys(true);
    int okClicks = 0, cancelClicks = 0;
    TButton ok(&dialog, L"OK", L"OK");
    ok.SetDefault(true);
    ok.OnClick = [&](TButton&) { ++okClicks; };
    TButton cancel(&dialog, L"Cancel", L"Cancel");
    cancel.SetTop(40);
    cancel.OnClick = [&](TButton&) { ++cancelClicks; };
    dialog.Show();
    ASSERT_EQ(::GetFocus(), ok.Handle());
    const auto key = [&](WPARAM vk) {
        MSG message{::GetFocus(), WM_KEYDOWN, vk, 0x00000001, 0, {}};
        return ::IsDialogMessageW(dialog.Handle(), &message);
    };
    EXPECT_TRUE(key(VK_TAB));
    ASSERT_EQ(::GetFocus(), cancel.Handle());
    EXPECT_TRUE(key(VK_RETURN));
    EXPECT_EQ(cancelClicks, 1);
    EXPECT_EQ(okClicks, 0);
    EXPECT_TRUE(key(VK_TAB));
    ASSERT_EQ(::GetFocus(), ok.Handle());
    EXPECT_TRUE(key(VK_RETURN));
    EXPECT_EQ(okClicks, 1);
    EXPECT_EQ(cancelClicks, 1);
}
