// The camera control window on the scripted serial platform, with a private registry key
// and a recording prompter: what it shows, what it stores, and the bytes it writes.
#include "camera/CommDataForm.h"

#include "fakes/FakeSerial.h"
#include "fakes/RecordingPrompter.h"
#include "serial/ComErrors.h"
#include "support/TestRegistry.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace tb;
using tbtest::TFakeSerial;
using tbtest::TRecordingPrompter;
using tbtest::TTestRegistry;

namespace {

const std::string kUp721("\xAA\xEE\x1E\xCC\x55", 5);
const std::string kSet721("\xAA\xEE\x0F\xCC\x55", 5);

class CommDataFormTest : public ::testing::Test {
protected:
    CommDataFormTest() {
        application.SetTitle(L"TestBench");
        form = std::make_unique<TFCommData>(application, fake);
    }

    void TearDown() override {
        form.reset();
        EXPECT_EQ(fake->OpenHandles(), 0);
    }

    TFCommData& Form() { return *form; }

    // Serves this thread's messages until `done` or the time is up.
    template <typename Done>
    bool PumpUntil(Done done, DWORD milliseconds = 3000) {
        const ULONGLONG start = ::GetTickCount64();
        while (!done()) {
            if (::GetTickCount64() - start > milliseconds)
                return false;
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
            application.ProcessMessages();
        }
        return true;
    }

    void StoreInteger(const wchar_t* name, std::int32_t value) {
        registry.Store().RegWriteInteger(L"FCommData", name, value);
    }
    std::int32_t StoredInteger(const wchar_t* name, std::int32_t otherwise = -12345) {
        registry.Store().RegReadInteger(L"FCommData", name, otherwise);
        return otherwise;
    }

    // A key pressed and released in the window, as the platform delivers it.
    void ReleaseKey(WORD key) {
        ::SendMessageW(Form().Handle(), WM_KEYDOWN, key, 0x00000001);
        ::SendMessageW(Form().Handle(), WM_KEYUP, key, 0xC0000001);
    }
    void Choose(TMenuItem& item) {
        ::SendMessageW(Form().Handle(), WM_COMMAND, MAKEWPARAM(item.Command(), 0), 0);
    }
    void Press(TButton& button) { ::SendMessageW(button.Handle(), BM_CLICK, 0, 0); }

    TTestRegistry registry;
    TScopedSettings scoped{registry.Store()};
    std::shared_ptr<TRecordingPrompter> prompter = std::make_shared<TRecordingPrompter>();
    TApplication application{prompter};
    std::shared_ptr<TFakeSerial> fake = std::make_shared<TFakeSerial>();
    std::unique_ptr<TFCommData> form;
};

} // namespace

TEST_F(CommDataFormTest, CreatedHiddenWithItsDesignAndAClosedPort) {
    EXPECT_EQ(Form().Name(), L"FCommData");
    EXPECT_EQ(Form().Caption(), L"TestBench  V2007.03.20");
    EXPECT_FALSE(Form().Visible());
    EXPECT_EQ(Form().BorderStyle(), TBorderStyle::bsSizeable);
    EXPECT_EQ(Form().CamModell(), 721);
    EXPECT_EQ(Form().lblCamModell().Caption(), L"CamModell");
    EXPECT_EQ(Form().lblCamModell().Left(), 32);
    EXPECT_EQ(Form().lblCamModell().Top(), 8);
    EXPECT_FALSE(Form().SHC721().Checked());
    EXPECT_TRUE(Form().SHC730().Checked());
    EXPECT_TRUE(Form().SHC721().RadioItem());
    EXPECT_TRUE(Form().SHC730().RadioItem());

    // The buttons form a cross; none is a tab stop; tab order Down, Set, Up, Left, Right.
    const struct {
        TButton* button;
        const wchar_t* caption;
        int left, top;
    } buttons[] = {{&Form().btnDown(), L"Down", 72, 112},
                   {&Form().btnSet(), L"Set", 72, 72},
                   {&Form().btnUp(), L"Up", 72, 32},
                   {&Form().btnLeft(), L"Left", 32, 72},
                   {&Form().btnRight(), L"Right", 112, 72}};
    HWND sibling = ::GetWindow(Form().lblCamModell().Handle(), GW_HWNDNEXT);
    for (const auto& b : buttons) {
        EXPECT_EQ(b.button->Caption(), b.caption);
        EXPECT_EQ(b.button->Left(), b.left) << b.caption;
        EXPECT_EQ(b.button->Top(), b.top) << b.caption;
        EXPECT_EQ(b.button->Width(), 33);
        EXPECT_EQ(b.button->Height(), 33);
        EXPECT_EQ(::GetWindowLongPtrW(b.button->Handle(), GWL_STYLE) & WS_TABSTOP, 0) << b.caption;
        EXPECT_EQ(sibling, b.button->Handle()) << b.caption;
        sibling = ::GetWindow(sibling, GW_HWNDNEXT);
    }

    TComPort& port = Form().ComPort1();
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(port.Name(), L"ComPort1");
    EXPECT_EQ(port.Port(), COM1);
    EXPECT_EQ(port.BaudRate(), br19200);
    EXPECT_EQ(port.FlowControl(), fcNone);
    EXPECT_EQ(port.DataBits(), 8);
    EXPECT_FALSE(port.EnableDTR());
    EXPECT_EQ(port.Events(), TEvents::All());
    EXPECT_EQ(fake->CountCalls("Open"), 0);

    const HMENU bar = ::GetMenu(Form().Handle());
    ASSERT_NE(bar, nullptr);
    wchar_t text[32] = {};
    ::GetMenuStringW(bar, 0, text, 32, MF_BYPOSITION);
    EXPECT_STREQ(text, L"Com");
    const HMENU com = ::GetSubMenu(bar, 0);
    const wchar_t* items[] = {L"Open", L"Close", L"", L"SHC721", L"SHC730"};
    ASSERT_EQ(::GetMenuItemCount(com), 5);
    for (int i = 0; i < 5; ++i) {
        text[0] = 0;
        ::GetMenuStringW(com, static_cast<UINT>(i), text, 32, MF_BYPOSITION);
        EXPECT_STREQ(text, items[i]);
    }
}

TEST_F(CommDataFormTest, FirstShowWithoutStoredValuesOpensCom1ForTheShc721) {
    Form().Show();
    EXPECT_TRUE(Form().ComPort1().Connected());
    EXPECT_EQ(fake->CountCalls("Open COM1"), 1);
    const DCB state = fake->LastState();
    EXPECT_EQ(state.BaudRate, 19200u);
    EXPECT_EQ(state.ByteSize, 8);
    EXPECT_EQ(state.Parity, NOPARITY);
    EXPECT_EQ(state.StopBits, ONESTOPBIT);
    EXPECT_FALSE(state.fOutX);
    EXPECT_FALSE(state.fInX);
    EXPECT_EQ(state.fDtrControl, static_cast<DWORD>(DTR_CONTROL_DISABLE));
    EXPECT_EQ(state.fRtsControl, static_cast<DWORD>(RTS_CONTROL_DISABLE));
    EXPECT_TRUE(Form().SHC721().Checked());
    EXPECT_FALSE(Form().SHC730().Checked());
    // ApplyModelSettings leaves the label alone.
    EXPECT_EQ(Form().lblCamModell().Caption(), L"CamModell");
}

TEST_F(CommDataFormTest, EachCommandFromButtonsAndKeysSendsOneFramePerModel) {
    Form().Show();
    const struct {
        TButton* button;
        WORD key;
        const char* frame721;
        const char* frame730;
    } cases[] = {
        {&Form().btnUp(), VK_UP, "\xAA\xEE\x1E\xCC\x55", "A"},
        {&Form().btnDown(), VK_DOWN, "\xAA\xEE\x1D\xCC\x55", "B"},
        {&Form().btnLeft(), VK_LEFT, "\xAA\xEE\x1B\xCC\x55", "D"},
        {&Form().btnRight(), VK_RIGHT, "\xAA\xEE\x17\xCC\x55", "C"},
        {&Form().btnSet(), VK_RETURN, "\xAA\xEE\x0F\xCC\x55", "\x99"},
        {&Form().btnSet(), VK_SPACE, "\xAA\xEE\x0F\xCC\x55", "\x99"},
    };
    for (TMenuItem* model : {&Form().SHC721(), &Form().SHC730()}) {
        Choose(*model);
        for (const auto& c : cases) {
            const std::string frame = model == &Form().SHC721() ? c.frame721 : c.frame730;
            fake->ClearCalls();
            const std::string before = fake->Written();
            Press(*c.button);
            EXPECT_EQ(fake->Written(), before + frame) << "button " << c.key;
            ReleaseKey(c.key);
            EXPECT_EQ(fake->Written(), before + frame + frame) << "key " << c.key;
            // One Write call per frame: nothing else goes out.
            EXPECT_EQ(fake->CountCalls("Write "), 2) << c.key;
        }
    }
}

TEST_F(CommDataFormTest, KeysOutsideTheTableKeyPressesAndModifiersAreHandledAsSpecified) {
    Form().Show();
    for (WORD key : {WORD{'A'}, WORD{VK_SHIFT}, WORD{VK_F1}, WORD{VK_ESCAPE}, WORD{VK_HOME}})
        ReleaseKey(key);
    // A key held down repeats its key-down messages: nothing goes out until the release.
    for (int i = 0; i < 5; ++i)
        ::SendMessageW(Form().Handle(), WM_KEYDOWN, VK_UP, 0x40000001);
    EXPECT_EQ(fake->Written(), "");
    ReleaseKey(VK_UP);
    EXPECT_EQ(fake->Written(), kUp721);

    // Shift+Up (and the main window's hand-over) send Up.
    WORD key = VK_UP;
    Form().FormKeyUp(key, ssShift | ssCtrl);
    EXPECT_EQ(fake->Written(), kUp721 + kUp721);
}

TEST_F(CommDataFormTest, StoredShc730IsSelectedAndOpensAt9600WithXonXoff) {
    StoreInteger(L"CamModell", 730);
    Form().Show();
    EXPECT_EQ(Form().CamModell(), 730);
    EXPECT_EQ(Form().lblCamModell().Caption(), L"CamModell: SHC730");
    EXPECT_TRUE(Form().SHC730().Checked());
    EXPECT_FALSE(Form().SHC721().Checked());
    const DCB state = fake->LastState();
    EXPECT_EQ(state.BaudRate, 9600u);
    EXPECT_TRUE(state.fOutX);
    EXPECT_TRUE(state.fInX);
    Press(Form().btnSet());
    EXPECT_EQ(fake->Written(), "\x99");
}

TEST_F(CommDataFormTest, AStoredModelOtherThan721Or730IsIgnored) {
    Choose(Form().SHC730());
    StoreInteger(L"CamModell", 999);
    Form().Show();
    EXPECT_EQ(Form().CamModell(), 730);
    EXPECT_EQ(fake->LastState().BaudRate, 9600u);
}

TEST_F(CommDataFormTest, StoredPortIndexChoosesTheDevice) {
    StoreInteger(L"ComPort", 2);
    Form().Show();
    EXPECT_EQ(fake->CountCalls("Open COM3"), 1);
    EXPECT_EQ(Form().ComPort1().PortIdx(), 2);
}

TEST_F(CommDataFormTest, AStoredPortWithoutADeviceIsReportedAndLeavesThePortClosed) {
    StoreInteger(L"ComPort", 7);
    // The show runs from a menu or window message; the application reports the error.
    Guarded([&] { Form().Show(); });
    EXPECT_FALSE(Form().ComPort1().Connected());
    ASSERT_EQ(prompter->messages.size(), 1u);
    EXPECT_EQ(prompter->messages[0].text.rfind(L"Unable to open  port (Error code=", 0), 0u)
        << std::string(prompter->messages[0].text.begin(), prompter->messages[0].text.end());
    Press(Form().btnUp());
    EXPECT_EQ(fake->Written(), "");
}

TEST_F(CommDataFormTest, ChoosingAModelSwitchesFramesAtOnceButTheLineOnlyAtTheNextOpen) {
    Form().Show();
    const int states = fake->CountCalls("SetState");
    Choose(Form().SHC730());
    EXPECT_EQ(Form().lblCamModell().Caption(), L"CamModell: SHC730");
    EXPECT_TRUE(Form().SHC730().Checked());
    EXPECT_FALSE(Form().SHC721().Checked());
    Press(Form().btnUp());
    EXPECT_EQ(fake->Written(), "A");
    EXPECT_EQ(fake->CountCalls("SetState"), states);
    EXPECT_EQ(fake->LastState().BaudRate, 19200u);
    EXPECT_EQ(Form().ComPort1().BaudRate(), br19200);

    // "Open": the model's settings, then the dialog; confirmed, the port reopens.
    prompter->QueueModalAnswer(mrOk);
    Choose(Form().Open1());
    ASSERT_EQ(prompter->dialogs.size(), 1u);
    EXPECT_EQ(prompter->dialogs[0], L"CommFrm");
    EXPECT_TRUE(Form().ComPort1().Connected());
    EXPECT_EQ(fake->LastState().BaudRate, 9600u);
    EXPECT_TRUE(fake->LastState().fOutX);
}

TEST_F(CommDataFormTest, CancellingTheSettingsDialogKeepsThePortAsItWas) {
    Form().Show();
    Choose(Form().SHC730());
    const int opens = fake->CountCalls("Open COM");
    Choose(Form().Open1()); // the prompter cancels
    EXPECT_EQ(fake->CountCalls("Open COM"), opens);
    EXPECT_TRUE(Form().ComPort1().Connected());
    EXPECT_EQ(fake->LastState().BaudRate, 19200u);
    // The model's line settings stay in the component for the next open.
    EXPECT_EQ(Form().ComPort1().BaudRate(), br9600);
    EXPECT_EQ(Form().ComPort1().FlowControl(), fcXonXoff);

    Choose(Form().Close1());
    EXPECT_FALSE(Form().ComPort1().Connected());
    Press(Form().btnUp());
    EXPECT_EQ(fake->Written(), "");
    Choose(Form().Open1());
    EXPECT_FALSE(Form().ComPort1().Connected());
}

TEST_F(CommDataFormTest, ClosingStoresPortAndModelHidingOnlyTheModel) {
    TMenuItem showItem(L"ShowSamsungSHC721Control1", L"ShowSamsungSHC721Control");
    Form().SetShowMenuItem(&showItem);
    StoreInteger(L"ComPort", 1);
    Form().Show();
    showItem.SetChecked(true);
    Choose(Form().SHC730());
    Form().ComPort1().SetPortIdx(3);

    Form().Hide();
    EXPECT_FALSE(showItem.Checked());
    EXPECT_EQ(StoredInteger(L"CamModell"), 730);
    EXPECT_EQ(StoredInteger(L"ComPort"), 1);
    EXPECT_FALSE(registry.Exists(L"FCommData", L"left"));
    // Hidden, the port stays open: handed-over keys still go out.
    EXPECT_TRUE(Form().ComPort1().Connected());
    WORD key = VK_DOWN;
    Form().FormKeyUp(key, 0);
    EXPECT_EQ(fake->Written(), "B");

    Form().Show();
    ::SendMessageW(Form().Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(Form().Visible());
    EXPECT_EQ(StoredInteger(L"ComPort"), 1); // the show read 1 back into the port
    EXPECT_EQ(StoredInteger(L"CamModell"), 730);
    for (const wchar_t* name : {L"WindowState", L"left", L"top", L"width", L"height"})
        EXPECT_TRUE(registry.Exists(L"FCommData", name)) << name;
    EXPECT_TRUE(Form().ComPort1().Connected());
}

TEST_F(CommDataFormTest, RepliesAreDrainedAndLineErrorsReported) {
    Form().Show();
    ASSERT_TRUE(fake->WaitUntilArmed(2000));
    fake->QueueInput("\x06reply");
    fake->RaiseEvents(EV_RXCHAR);
    EXPECT_TRUE(PumpUntil([&] { return fake->Input().empty(); }));
    ASSERT_TRUE(fake->WaitUntilArmed(2000));
    fake->QueueInput("more");
    fake->RaiseEvents(EV_RXCHAR);
    EXPECT_TRUE(PumpUntil([&] { return fake->Input().empty(); }));
    EXPECT_TRUE(prompter->messages.empty());

    ASSERT_TRUE(fake->WaitUntilArmed(2000));
    fake->RaiseEvents(EV_ERR);
    EXPECT_TRUE(PumpUntil([&] { return !prompter->messages.empty(); }));
    ASSERT_EQ(prompter->messages.size(), 1u);
    EXPECT_EQ(prompter->messages[0].text, L"Hiba a Com kommunik\u00e1ci\u00f3ban!");
    EXPECT_EQ(prompter->messages[0].type & MB_TYPEMASK, UINT{MB_OK});
    EXPECT_TRUE(Form().ComPort1().Connected());
}

TEST_F(CommDataFormTest, AfterAButtonTheKeysStillReachTheWindowAndSpaceSendsOneFrame) {
    Form().Show();
    Form().Hide();
    Form().Show(); // each show reopens the port
    EXPECT_EQ(fake->CountCalls("Open COM1"), 2);
    EXPECT_EQ(fake->OpenHandles(), 1);

    // A click leaves the keyboard with the window, not with the button: a focused button
    // would take the key releases, and would press itself on Space.
    ::SetFocus(Form().btnSet().Handle());
    Press(Form().btnSet());
    EXPECT_EQ(::GetFocus(), Form().Handle());
    ::SendMessageW(::GetFocus(), WM_KEYDOWN, VK_SPACE, 0x00000001);
    ::SendMessageW(::GetFocus(), WM_KEYUP, VK_SPACE, 0xC0000001);
    EXPECT_EQ(fake->Written(), kSet721 + kSet721);
}
