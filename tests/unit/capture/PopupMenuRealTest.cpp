// The right-button menu on Wine's own platform: built without a device from the real
// catalogue, opened by a right-button release on the control, and the chosen item run;
// the test pattern camera's own property frame shown for real and closed.
#include "unit/capture/GraphFixture.h"

#include "media/MediaPlatform.h"
#include "devices/DeviceCatalogue.h"
#include "framework/Form.h"
#include "capture/PopupMenuLayout.h"
#include "framework/Menu.h"

#include <functional>
#include <memory>

using namespace tbtest;
using Strings = std::vector<std::wstring>;

namespace {

class PopupMenuRealTest : public GraphFixture {};

// Ends a menu that the test's keys did not end, so a failure cannot hang the suite.
void CALLBACK EndStuckMenu(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    ::EndMenu();
}

TEST_F(PopupMenuRealTest, ARightClickOpensTheMenuAndTheChosenItemRuns) {
    tb::TDevices devices(tb::DefaultMediaPlatform());
    tb::TForm form(application_, L"Host");
    form.SetBounds(40, 40, 400, 320);
    tb::TPopupMenu menu(L"PopupMenu1");
    menu.Items().Add(L"AppItem", L"Application's own");
    {
        tb::TVideoCapture control(&form, L"VideoCapture1", tb::DefaultMediaPlatform(), clock_,
                                  &devices);
        control.SetPopupVideoDevicesList(true);
        control.SetPopupMenu(&menu);
        int clicks = 0;
        control.OnClickPopupMenu = [&](tb::TVideoCapture&) { ++clicks; };
        form.Show();

        EXPECT_FALSE(control.InitGraph()); // no device chosen: the menu is built all the same
        Strings expected{L"Clear capture"};
        for (const auto& name : devices.VideoDeviceNames())
            expected.push_back(name);
        for (const wchar_t* caption : {L"-", L"Devices and Compressors"})
            expected.push_back(caption);
        Strings captions;
        for (int i = 0; i < menu.Items().Count(); ++i)
            captions.push_back(menu.Items().Items(i).Caption());
        EXPECT_EQ(captions, expected);
        ASSERT_TRUE(menu.Items().Items(0).Checked());

        // The menu loop takes the queued keys: the first item, chosen.
        const HWND window = control.Handle();
        const UINT_PTR guard = ::SetTimer(nullptr, 0, 5000, EndStuckMenu);
        ::PostMessageW(window, WM_KEYDOWN, VK_DOWN, 0);
        ::PostMessageW(window, WM_KEYDOWN, VK_RETURN, 0);
        ::SendMessageW(window, WM_RBUTTONUP, 0, MAKELPARAM(20, 20));
        ::KillTimer(nullptr, guard);

        EXPECT_EQ(menu.PopupComponent(), &control);
        EXPECT_EQ(clicks, 1); // "Clear capture" ran and announced itself
        EXPECT_TRUE(prompter_->messages.empty());
    }
}

// Shows every modal dialog for real and closes the dialog window that appears from a
// timer, as a user would; records the caption of the window it closed.
class TClosingPrompter final : public tb::IPrompter {
public:
    int Message(HWND, const std::wstring& text, const std::wstring&, UINT) override {
        messages.push_back(text);
        return IDOK;
    }
    INT_PTR Modal(const std::wstring&, tb::TForm*, const std::function<INT_PTR()>& show) override {
        current_ = this;
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 300, CloseDialog);
        const INT_PTR result = show();
        ::KillTimer(nullptr, timer);
        current_ = nullptr;
        return result;
    }
    std::vector<std::wstring> messages;
    std::vector<std::wstring> closed;

private:
    static BOOL CALLBACK CloseIfDialog(HWND window, LPARAM) {
        wchar_t className[64] = {};
        ::GetClassNameW(window, className, 64);
        if (std::wstring(className) != L"#32770" || !::IsWindowVisible(window))
            return TRUE;
        wchar_t title[256] = {};
        ::GetWindowTextW(window, title, 256);
        current_->closed.push_back(title);
        ::DestroyWindow(window);
        return FALSE;
    }
    static void CALLBACK CloseDialog(HWND, UINT, UINT_PTR, DWORD) {
        if (current_ != nullptr)
            ::EnumThreadWindows(::GetCurrentThreadId(), CloseIfDialog, 0);
    }
    static inline TClosingPrompter* current_ = nullptr;
};

TEST_F(PopupMenuRealTest, TheCamerasPropertyFrameIsShownAndThePreviewComesBack) {
    tb::TDevices devices(tb::DefaultMediaPlatform());
    if (!devices.VideoDeviceByName(L"Test Pattern Camera"))
        GTEST_SKIP() << "the test pattern camera is not registered in this prefix";
    auto prompter = std::make_shared<TClosingPrompter>();
    application_.SetPrompter(prompter);
    tb::TForm form(application_, L"Host");
    form.SetBounds(40, 40, 400, 320);
    {
        tb::TVideoCapture control(&form, L"VideoCapture1", tb::DefaultMediaPlatform(), clock_,
                                  &devices);
        form.Show();
        control.SetReinitOnSelect(false);
        control.SelectVideoDeviceByName(L"Test Pattern Camera");
        ASSERT_TRUE(control.InitGraph());
        EXPECT_TRUE(control.ShowDeviceDialog(tb::dkVideoDecoder));
        EXPECT_EQ(prompter->closed.size(), 1u); // the frame was there to be closed
        EXPECT_TRUE(Access::Previewing(control));
        EXPECT_TRUE(prompter->messages.empty());
    }
    application_.SetPrompter(prompter_);
}

} // namespace
