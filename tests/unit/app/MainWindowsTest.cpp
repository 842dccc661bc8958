// The program's three windows driven through their real windows and menus: menu items
// are chosen by sending the main window the item's command, message boxes are read from
// a recording prompter.
#include "app/ProgramWindows.h"

#include "fakes/FakeSerial.h"
#include "fakes/RecordingPrompter.h"
#include "support/TestRegistry.h"

#include <gtest/gtest.h>
#include <commctrl.h>

#include <memory>
#include <string>

using namespace tb;
using tbtest::TRecordingPrompter;
using tbtest::TTestRegistry;

namespace {

class MainWindowsTest : public ::testing::Test {
protected:
    MainWindowsTest() { application.SetTitle(L"TestBench"); }

    // Chooses a menu item as the user does: the platform sends its command to the window.
    void Choose(TMenuItem& item) {
        ::SendMessageW(windows.Form1().Handle(), WM_COMMAND, MAKEWPARAM(item.Command(), 0), 0);
    }

    // Serves messages until `done` or the time is up.
    template <typename Done>
    void PumpUntil(Done done, DWORD milliseconds = 5000) {
        const DWORD start = ::GetTickCount();
        while (!done() && ::GetTickCount() - start < milliseconds) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            application.ProcessMessages();
        }
    }

    TTestRegistry registry;
    TScopedSettings scoped{registry.Store()};
    std::shared_ptr<TRecordingPrompter> prompter = std::make_shared<TRecordingPrompter>();
    TApplication application{prompter};
    // The camera window opens its port when shown: a scripted one, never a real device.
    TProgramWindows windows{application, DefaultMediaPlatform(),
                            std::make_shared<tbtest::TFakeSerial>()};
};

int ThreadWindowsCaptioned(const std::wstring& caption) {
    struct Search {
        std::wstring caption;
        int count = 0;
    } search{caption};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            wchar_t text[64] = {};
            ::GetWindowTextW(window, text, 64);
            if (s->caption == text)
                ++s->count;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.count;
}

// The text of the tool tip the thread shows over `window`, if any.
std::wstring ToolTipOver(HWND window) {
    struct Search {
        HWND window;
        std::wstring text;
    } search{window, {}};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND candidate, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            wchar_t className[64] = {};
            ::GetClassNameW(candidate, className, 64);
            if (std::wstring(className) != TOOLTIPS_CLASSW)
                return TRUE;
            wchar_t text[128] = {};
            TTTOOLINFOW tool{};
            tool.cbSize = TTTOOLINFOW_V2_SIZE;
            tool.lpszText = text;
            if (::SendMessageW(candidate, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&tool)) &&
                tool.hwnd == s->window)
                s->text = text;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.text;
}

} // namespace

TEST_F(MainWindowsTest, TheMainWindowComesFirstAndTheOtherTwoStartHidden) {
    EXPECT_EQ(application.MainForm(), &windows.Form1());
    EXPECT_EQ(windows.FFormatPanel().Name(), L"FFormatPanel");
    EXPECT_EQ(windows.FFormatPanel().Caption(), L"Format panel");
    EXPECT_FALSE(windows.FFormatPanel().Visible());
    EXPECT_EQ(windows.FFormatPanel().ClientWidth(), 250);
    EXPECT_EQ(windows.FFormatPanel().ClientHeight(), 172);
    EXPECT_EQ(windows.FCommData().Name(), L"FCommData");
    // The design caption "ComCommand" is replaced at creation (title + version).
    EXPECT_TRUE(windows.FCommData().Caption().ends_with(L"  V2007.03.20"));
    EXPECT_FALSE(windows.FCommData().Visible());
    EXPECT_FALSE(::IsWindowVisible(windows.FCommData().Handle()));
}

TEST_F(MainWindowsTest, TheCaptureControlCarriesItsDesignSettings) {
    TVideoCapture& capture = windows.Form1().VideoCapture1();
    EXPECT_EQ(capture.Name(), L"VideoCapture1");
    EXPECT_EQ(capture.Parent(), &windows.Form1());
    EXPECT_EQ(capture.Left(), 0);
    EXPECT_EQ(capture.Top(), 0);
    EXPECT_EQ(capture.Width(), 324);
    EXPECT_EQ(capture.Height(), 244);
    EXPECT_EQ(capture.Hint(), L"Click Right mouse for popup menu");
    EXPECT_TRUE(capture.ShowHint());
    EXPECT_EQ(ToolTipOver(capture.Handle()), L"Click Right mouse for popup menu");
    EXPECT_TRUE(capture.AutoSize());
    EXPECT_TRUE(capture.Preview());
    EXPECT_FALSE(capture.PermanentGrabbing());
    EXPECT_EQ(capture.PreallocFileSizeMB(), 1u);
    EXPECT_FALSE(capture.PopupDevicesDialog());
    EXPECT_TRUE(capture.PopupVideoDevicesList());
    EXPECT_EQ(capture.Color(), clSilver);
    EXPECT_EQ(capture.BevelOuter(), TBevelCut::bvLowered);
    EXPECT_EQ(capture.BevelWidth(), 2);
    EXPECT_EQ(capture.PopupMenu(), &windows.Form1().PopupMenu1());
    EXPECT_EQ(windows.Form1().PopupMenu1().Items().Count(), 0);
}

TEST_F(MainWindowsTest, MenusHaveTheirCaptionsAndInitialChecks) {
    TMenuItem& bar = windows.Form1().MainMenu1().Items();
    struct Item {
        int menu, item;
        const wchar_t* caption;
        bool checked;
        bool enabled = true;
    };
    const Item items[] = {
        {0, 0, L"Capture to file...", false},
        {0, 1, L"Stop capture", false, false}, // only while a recording runs
        {0, 2, L"-", false},
        {0, 3, L"Exit", false},
        {1, 0, L"AutoSize", true},
        {1, 1, L"ShowFormatPanel", false},
        {1, 2, L"ShowSamsungSHC721Control", false},
        {2, 0, L"Korvid version", false},
        {2, 1, L"About", false},
    };
    ASSERT_EQ(bar.Count(), 3);
    EXPECT_EQ(bar.Items(0).Caption(), L"File");
    EXPECT_EQ(bar.Items(1).Caption(), L"Options");
    EXPECT_EQ(bar.Items(2).Caption(), L"Help");
    EXPECT_EQ(bar.Items(0).Count(), 4);
    EXPECT_EQ(bar.Items(1).Count(), 3);
    EXPECT_EQ(bar.Items(2).Count(), 2);
    for (const Item& i : items) {
        const TMenuItem& item = bar.Items(i.menu).Items(i.item);
        EXPECT_EQ(item.Caption(), i.caption);
        EXPECT_EQ(item.Checked(), i.checked) << item.Name();
        EXPECT_EQ(item.Enabled(), i.enabled) << item.Name();
    }
}

TEST_F(MainWindowsTest, VersionAndAboutShowOneLinePlainBoxes) {
    Choose(windows.Form1().KorvidVersion1());
    Choose(windows.Form1().About1());
    ASSERT_EQ(prompter->messages.size(), 2u);
    EXPECT_EQ(prompter->messages[0].text, L"Korvid080116");
    EXPECT_EQ(prompter->messages[0].type, UINT{MB_OK});
    EXPECT_FALSE(prompter->messages[1].text.empty());
    EXPECT_EQ(prompter->messages[1].text.find(L'\n'), std::wstring::npos);
    EXPECT_EQ(prompter->messages[1].type, UINT{MB_OK});
}

TEST_F(MainWindowsTest, TheCameraItemShowsAndHidesTheCameraWindowAndFollowsItsClose) {
    TMenuItem& item = windows.Form1().ShowSamsungSHC721Control1();
    Choose(item);
    EXPECT_TRUE(item.Checked());
    EXPECT_TRUE(::IsWindowVisible(windows.FCommData().Handle()));
    Choose(item);
    EXPECT_FALSE(item.Checked());
    EXPECT_FALSE(::IsWindowVisible(windows.FCommData().Handle()));

    Choose(item);
    ::SendMessageW(windows.FCommData().Handle(), WM_CLOSE, 0, 0); // its own close box
    EXPECT_FALSE(::IsWindowVisible(windows.FCommData().Handle()));
    EXPECT_FALSE(item.Checked());
    EXPECT_FALSE(application.Terminated());
}

TEST_F(MainWindowsTest, ShowFormatPanelTwiceShowsTheOnePanel) {
    Choose(windows.Form1().ShowFormatPanel1());
    Choose(windows.Form1().ShowFormatPanel1());
    EXPECT_TRUE(::IsWindowVisible(windows.FFormatPanel().Handle()));
    EXPECT_EQ(ThreadWindowsCaptioned(L"Format panel"), 1);
    EXPECT_FALSE(windows.Form1().ShowFormatPanel1().Checked());
    ::SendMessageW(windows.FFormatPanel().Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(::IsWindowVisible(windows.FFormatPanel().Handle()));
    EXPECT_FALSE(application.Terminated());
}

TEST_F(MainWindowsTest, ExitClosesTheProgramAndStoresTheAutoSizeChoice) {
    Choose(windows.Form1().AutoSize1());
    Choose(windows.Form1().Exit1());
    EXPECT_TRUE(application.Terminated());
    bool autoSize = true;
    EXPECT_TRUE(registry.Store().RegReadBool(L"Form1", L"Autosize", autoSize));
    EXPECT_FALSE(autoSize);
}

TEST_F(MainWindowsTest, WithAutoSizeTheWindowFollowsTheControlWithoutItTheControlFillsTheWindow) {
    TForm1& form = windows.Form1();
    TVideoCapture& capture = form.VideoCapture1();
    ASSERT_TRUE(form.AutoSize1().Checked());
    EXPECT_TRUE(form.AutoSize());
    EXPECT_EQ(capture.Align(), TAlign::alNone);
    EXPECT_TRUE(capture.AutoSize());
    EXPECT_EQ(form.ClientWidth(), 324);
    EXPECT_EQ(form.ClientHeight(), 244);
    capture.SetBounds(0, 0, 200, 150);
    EXPECT_EQ(form.ClientWidth(), 200);
    EXPECT_EQ(form.ClientHeight(), 150);

    Choose(form.AutoSize1());
    EXPECT_FALSE(form.AutoSize1().Checked());
    EXPECT_FALSE(form.AutoSize());
    EXPECT_EQ(capture.Align(), TAlign::alClient);
    EXPECT_FALSE(capture.AutoSize());
    form.SetBounds(form.Left(), form.Top(), 500, 400);
    EXPECT_EQ(capture.Width(), form.ClientWidth());
    EXPECT_EQ(capture.Height(), form.ClientHeight());
    EXPECT_GT(capture.Width(), 324);

    Choose(form.AutoSize1());
    EXPECT_EQ(capture.Align(), TAlign::alNone);
    capture.SetBounds(0, 0, 320, 240);
    EXPECT_EQ(form.ClientWidth(), 320);
    EXPECT_EQ(form.ClientHeight(), 240);
}

TEST_F(MainWindowsTest, ActivationCountsOnlyChangesOfTheProgramsFocusedWindow) {
    TForm1& form = windows.Form1();
    int activations = 0;
    auto original = form.OnActivate;
    form.OnActivate = [&](TForm& sender) {
        ++activations;
        original(sender);
    };
    form.Show();
    PumpUntil([&] { return activations == 1; });
    EXPECT_EQ(activations, 1);

    // Back from another program: the program's focused window did not change.
    ::SendMessageW(form.Handle(), WM_ACTIVATE, WA_ACTIVE, 0);
    PumpUntil([] { return false; }, 200);
    EXPECT_EQ(activations, 1);

    // From the camera window back to the main window.
    Choose(form.ShowSamsungSHC721Control1());
    PumpUntil([&] { return application.ActiveForm() == &windows.FCommData(); });
    EXPECT_EQ(application.ActiveForm(), &windows.FCommData());
    form.BringToFront();
    PumpUntil([&] { return activations == 2; });
    EXPECT_EQ(activations, 2);
    // The capture control had nothing to initialise: no message.
    EXPECT_TRUE(prompter->messages.empty());
}
