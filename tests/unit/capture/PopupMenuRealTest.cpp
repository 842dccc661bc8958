// The right-button menu on Wine's own platform: built without a device from the real
// catalogue, opened by a right-button release on the control, and the chosen item run.
#include "unit/capture/GraphFixture.h"

#include "capture/MediaPlatform.h"
#include "devices/DeviceCatalogue.h"
#include "framework/Form.h"
#include "framework/Menu.h"

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
        for (const wchar_t* caption : {L"-", L"Devices and Compressors", L"-"})
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

} // namespace
