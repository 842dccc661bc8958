// Sizing and the menu's dialogs on Wine's own platform with the test pattern camera: the
// control takes the camera's picture size plus its bevels, the form follows it, and the
// menu offers the camera's own pages and its capture pin's format pages.
#include "unit/capture/GraphFixture.h"

#include "media/MediaPlatform.h"
#include "devices/DeviceCatalogue.h"
#include "framework/Form.h"
#include "capture/PopupMenuLayout.h"
#include "framework/Menu.h"

#include <algorithm>

using namespace tbtest;
using Strings = std::vector<std::wstring>;

namespace {

class SizingRealTest : public GraphFixture {};

constexpr wchar_t kTestCamera[] = L"Test Pattern Camera";

TEST_F(SizingRealTest, TheTestCameraSizesTheControlAndOffersItsPages) {
    tb::TDevices devices(tb::DefaultMediaPlatform());
    if (!devices.VideoDeviceByName(kTestCamera))
        GTEST_SKIP() << "the test pattern camera is not registered in this prefix";
    tb::TForm form(application_, L"Host");
    form.SetBounds(40, 40, 300, 200);
    tb::TPopupMenu menu(L"PopupMenu1");
    {
        tb::TVideoCapture control(&form, L"VideoCapture1", tb::DefaultMediaPlatform(), clock_,
                                  &devices);
        control.SetPopupMenu(&menu);
        control.SetBevelOuter(tb::TBevelCut::bvLowered);
        control.SetBevelWidth(2);
        form.SetAutoSize(true);
        control.SetAutoSize(true);
        form.Show();
        control.SetReinitOnSelect(false);
        control.SelectVideoDeviceByName(kTestCamera);
        ASSERT_TRUE(control.InitGraph());

        // The camera's mode (640x480 unless stored otherwise) plus 2 pixels on every side;
        // the form's client area fits the control.
        const int width = control.VideoWidth();
        const int height = control.VideoHeight();
        ASSERT_GT(width, 0);
        EXPECT_EQ(control.ClientWidth(), width + 4);
        EXPECT_EQ(control.ClientHeight(), height + 4);
        EXPECT_EQ(form.ClientWidth(), control.Width());
        EXPECT_EQ(form.ClientHeight(), control.Height());

        // The filter's own "Pattern" pages and the capture pin's "Format" pages.
        Strings captions;
        for (int i = 0; i < menu.Items().Count(); ++i)
            captions.push_back(menu.Items().Items(i).Caption());
        const auto has = [&](const wchar_t* caption) {
            return std::find(captions.begin(), captions.end(), caption) != captions.end();
        };
        EXPECT_TRUE(has(L"Video Decoder"));
        EXPECT_TRUE(has(L"Video Format"));
        EXPECT_TRUE(has(L"Devices and Compressors"));

        // The property frame is asked for through the prompter, and the preview runs again.
        EXPECT_TRUE(control.ShowDeviceDialog(tb::dkVideoDecoder));
        EXPECT_EQ(prompter_->dialogs, (Strings{L"Video Decoder"}));
        EXPECT_TRUE(Access::Previewing(control));
        EXPECT_TRUE(prompter_->messages.empty());
    }
}

} // namespace
