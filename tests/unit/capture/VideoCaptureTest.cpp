// The capture control's public face: construction, property setters, the initialise
// sequence without a device, error reporting and the window messages.
#include "capture/VideoCapture.h"

#include "capture/CaptureMessages.h"
#include "fakes/FakeClock.h"
#include "fakes/RecordingPrompter.h"
#include "unit/capture/FakeMedia.h"
#include "unit/capture/VideoCaptureAccess.h"

#include "framework/Application.h"
#include "framework/Form.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

using namespace tb;
using Microsoft::WRL::ComPtr;
using tbtest::TFakeMediaPlatform;
using tbtest::TRecordingPrompter;

namespace {

class VideoCaptureTest : public ::testing::Test {
protected:
    std::shared_ptr<TRecordingPrompter> prompter = std::make_shared<TRecordingPrompter>();
    TApplication application{prompter};
    std::shared_ptr<TFakeMediaPlatform> platform = std::make_shared<TFakeMediaPlatform>();
    std::shared_ptr<tbtest::TFakeClock> clock = std::make_shared<tbtest::TFakeClock>();

    std::unique_ptr<TVideoCapture> MakeControl(TControl* owner = nullptr) {
        return std::make_unique<TVideoCapture>(owner, L"VideoCapture1", platform, clock);
    }

    // A real moniker of the component library, standing for a chosen device.
    static ComPtr<IMoniker> SomeMoniker() {
        ComPtr<IMoniker> moniker;
        EXPECT_EQ(::CreateItemMoniker(L"!", L"Camera", moniker.GetAddressOf()), S_OK);
        return moniker;
    }
};

} // namespace

TEST_F(VideoCaptureTest, NewControlHasItsInitialValuesAndTouchesNoPlatform) {
    auto control = MakeControl();
    EXPECT_EQ(control->Version(), L"Korvid080116");
    EXPECT_FALSE(control->AutoSize());
    EXPECT_EQ(control->DVResolution(), TDVResolution::dvrDontWorry);
    EXPECT_EQ(control->PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(control->GrabbedPixelFormat(), TPixelFormat::pf24bit);
    EXPECT_FALSE(control->AudioPreview());
    EXPECT_TRUE(control->Preview());
    EXPECT_FALSE(control->WantBitmapGrab());
    EXPECT_TRUE(control->PermanentGrabbing());
    EXPECT_FALSE(control->FullScreenMode());
    EXPECT_FALSE(control->UseTimeLimit());
    EXPECT_EQ(control->TimeLimitSec(), 0);
    EXPECT_FALSE(control->PreallocFile());
    EXPECT_EQ(control->PreallocFileSizeMB(), 30u);
    EXPECT_FALSE(control->Resizeable());
    EXPECT_FALSE(control->ManualCaptureStart());
    EXPECT_TRUE(control->PopupDevicesDialog());
    EXPECT_FALSE(control->PopupVideoDevicesList());
    EXPECT_TRUE(control->ReinitOnSelect());
    EXPECT_EQ(control->Color(), COLORREF{12632256});
    EXPECT_EQ(control->Width(), 320);
    EXPECT_EQ(control->Height(), 240);
    EXPECT_EQ(control->BevelOuter(), TBevelCut::bvRaised);
    EXPECT_EQ(control->BevelInner(), TBevelCut::bvNone);
    EXPECT_EQ(control->BevelWidth(), 1);
    EXPECT_EQ(control->BorderWidth(), 0);
    EXPECT_EQ(control->DialogAvailability(), 0);
    EXPECT_EQ(TVideoCaptureAccess::MasterStream(*control), -1);
    const TTimer* timer = TVideoCaptureAccess::Timer(*control);
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->Interval(), 100u);
    EXPECT_TRUE(timer->Enabled());
    EXPECT_TRUE(timer->Running());
    EXPECT_FALSE(TVideoCaptureAccess::HoldsAnyGraphObject(*control));
    EXPECT_FALSE(platform->Touched());
}

TEST_F(VideoCaptureTest, WithoutADeviceNothingTouchesThePlatformOrShowsAMessage) {
    TForm owner(application, L"Owner");
    auto control = MakeControl(&owner);
    int initErrors = 0;
    control->OnInitError = [&](TVideoCapture&) { ++initErrors; };

    EXPECT_FALSE(control->InitGraph());
    EXPECT_FALSE(control->InitFromSavedDevices());
    EXPECT_TRUE(control->ReinitOnSelect()); // put back after the batch
    EXPECT_FALSE(control->RebuildGraph());
    control->ReapplyFormat();
    control->SetFullScreenMode(true);
    EXPECT_FALSE(control->FullScreenMode());
    control.reset(); // destroying shows nothing either

    EXPECT_EQ(initErrors, 0);
    EXPECT_TRUE(prompter->messages.empty());
    EXPECT_FALSE(platform->Touched());
}

TEST_F(VideoCaptureTest, RebuildingSettersStoreANewValueAndIgnoreTheSameOne) {
    auto control = MakeControl();
    control->SetReinitOnSelect(false);
    ASSERT_TRUE(control->SelectVideoDevice(SomeMoniker()));
    struct Case {
        const char* name;
        bool (TVideoCapture::*get)() const;
        void (TVideoCapture::*set)(bool);
    };
    const Case cases[] = {
        {"AudioPreview", &TVideoCapture::AudioPreview, &TVideoCapture::SetAudioPreview},
        {"WantBitmapGrab", &TVideoCapture::WantBitmapGrab, &TVideoCapture::SetWantBitmapGrab},
        {"AutoSize", &TVideoCapture::AutoSize, &TVideoCapture::SetAutoSize},
        {"Resizeable", &TVideoCapture::Resizeable, &TVideoCapture::SetResizeable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool old = (*control.*c.get)();
        (*control.*c.set)(old);
        EXPECT_EQ((*control.*c.get)(), old);
        (*control.*c.set)(!old);
        EXPECT_EQ((*control.*c.get)(), !old);
    }
    EXPECT_TRUE(prompter->messages.empty());
}

TEST_F(VideoCaptureTest, PreviewActsOnEveryAssignmentEvenOfTheSameValue) {
    auto control = MakeControl();
    int stops = 0;
    control->OnStopPreview = [&](TVideoCapture& sender) {
        EXPECT_EQ(&sender, control.get());
        ++stops;
    };
    control->SetPreview(false);
    control->SetPreview(false);
    EXPECT_EQ(stops, 2);
    EXPECT_FALSE(control->Preview());
    EXPECT_FALSE(TVideoCaptureAccess::Previewing(*control));
    control->SetPreview(true);
    EXPECT_TRUE(control->Preview());
    EXPECT_EQ(stops, 2);
}

TEST_F(VideoCaptureTest, DVResolutionIsTakenOnlyForADVStreamWhileNotCapturing) {
    struct Case {
        const char* name;
        bool hasConfig;
        HRESULT result;
        GUID majorType;
        bool capturing;
        bool accepted;
    };
    const Case cases[] = {
        {"no stream configuration", false, S_OK, MEDIATYPE_Interleaved, false, false},
        {"video stream", true, S_OK, MEDIATYPE_Video, false, false},
        {"DV stream", true, S_OK, MEDIATYPE_Interleaved, false, true},
        {"DV stream while capturing", true, S_OK, MEDIATYPE_Interleaved, true, false},
        {"GetFormat answers S_FALSE", true, S_FALSE, MEDIATYPE_Interleaved, false, false},
        {"GetFormat fails", true, E_FAIL, MEDIATYPE_Interleaved, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto control = MakeControl();
        ComPtr<tbtest::TFakeStreamConfig> config;
        if (c.hasConfig) {
            config = tbtest::MakeFakeStreamConfig(c.result, c.majorType);
            TVideoCaptureAccess::SetVideoStreamConfig(*control, config);
        }
        TVideoCaptureAccess::SetCapturing(*control, c.capturing);
        const bool dv =
            c.hasConfig && c.result == S_OK && IsEqualGUID(c.majorType, MEDIATYPE_Interleaved);
        EXPECT_EQ(control->IsDVStream(), dv);
        control->SetDVResolution(TDVResolution::dvrHalf);
        EXPECT_EQ(control->DVResolution(),
                  c.accepted ? TDVResolution::dvrHalf : TDVResolution::dvrDontWorry);
        if (config) { // every media type handed out was freed, format block included
            EXPECT_EQ(platform->freedBlocks, config->allocatedBlocks);
        }
        TVideoCaptureAccess::SetCapturing(*control, false);
        platform->freedBlocks = 0;
    }
    EXPECT_TRUE(prompter->messages.empty());
}

TEST(CaptureErrorText, FormatsTheCodeInUpperCaseHexWithoutLeadingZeros) {
    struct Case {
        const wchar_t* format;
        std::int32_t code;
        const wchar_t* text;
    };
    const Case cases[] = {
        {msg::kCannotRunPreview, static_cast<std::int32_t>(E_FAIL),
         L"Error 80004005: Cannot run preview graph!"},
        {msg::kCannotAddVideoCaptureFilter, static_cast<std::int32_t>(VFW_E_NOT_STOPPED),
         L"Error 80040224: Can't add video capture filter into graph!"},
        {msg::kCannotFindVideoStreamConfig, 0x1F,
         L"Error 1F: Can't find VCapture: IAMStreamConfig!"},
        {msg::kCannotStopGraph, 0, L"Error 0: Cannot stop graph!"},
        {msg::kCannotStopPreview, 1, L"Error 1: Cannot stop preview graph!"},
        {msg::kGraphCannotPreview, static_cast<std::int32_t>(E_FAIL),
         L"This graph cannot preview!"},
        {msg::kSetMasterStreamFailed, 0, L"SetMasterStream failed!"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TVideoCapture::CaptureErrorText(c.format, c.code), c.text);
}

TEST_F(VideoCaptureTest, ShowCaptureErrorShowsOneErrorBoxAndRepaintsTheOwnerForm) {
    TForm owner(application, L"Owner");
    auto control = MakeControl(&owner);
    control->ShowCaptureError(msg::kCannotRunPreview, static_cast<std::int32_t>(E_FAIL));
    ASSERT_EQ(prompter->messages.size(), 1u);
    const auto& box = prompter->messages[0];
    EXPECT_EQ(box.text, L"Error 80004005: Cannot run preview graph!");
    EXPECT_EQ(box.caption, L"DirectShow - Capture");
    EXPECT_EQ(box.type, UINT{MB_OK | MB_ICONERROR});
}

TEST_F(VideoCaptureTest, RaiseCaptureErrorShowsTheBoxOnceThenRaisesTheSameText) {
    auto control = MakeControl();
    try {
        control->RaiseCaptureError(msg::kCannotAddAudioCaptureFilter, 0x80070005);
        FAIL() << "no exception";
    } catch (const EVideoCaptureError& error) {
        EXPECT_EQ(error.Message(), L"Error 80070005: Can't add audio capture filter into graph!");
    }
    ASSERT_EQ(prompter->messages.size(), 1u);
    EXPECT_EQ(prompter->messages[0].text,
              L"Error 80070005: Can't add audio capture filter into graph!");
}

TEST_F(VideoCaptureTest, SelectionWithTheSwitchOffOnlyStoresTheDevice) {
    auto control = MakeControl();
    int changes = 0;
    control->OnChangeDevice = [&](TVideoCapture&) { ++changes; };
    control->OnChangeCompressor = [&](TVideoCapture&) { ++changes; };
    control->SetReinitOnSelect(false);
    EXPECT_TRUE(control->SelectVideoDevice(SomeMoniker()));
    EXPECT_TRUE(control->SelectVideoCompressor(SomeMoniker()));
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(TVideoCaptureAccess::HoldsVideoDevice(*control));
    EXPECT_TRUE(TVideoCaptureAccess::HoldsVideoCompressor(*control));
}

TEST_F(VideoCaptureTest, AFailedInitialisationFiresOnInitErrorAndClosesTheDevices) {
    auto control = MakeControl();
    control->SetReinitOnSelect(false);
    control->SelectVideoCompressor(SomeMoniker());
    control->SetReinitOnSelect(true);
    std::vector<std::string> events;
    control->OnInitError = [&](TVideoCapture&) { events.push_back("init error"); };
    control->OnChangeDevice = [&](TVideoCapture&) { events.push_back("change device"); };

    // The platform creates nothing, so the build cannot succeed.
    EXPECT_FALSE(control->SelectVideoDevice(SomeMoniker()));
    EXPECT_EQ(events, (std::vector<std::string>{"init error", "change device"}));
    EXPECT_FALSE(TVideoCaptureAccess::HoldsVideoDevice(*control));
    EXPECT_TRUE(TVideoCaptureAccess::HoldsVideoCompressor(*control)); // compressors stay
    EXPECT_FALSE(TVideoCaptureAccess::HoldsAnyGraphObject(*control));
}

TEST_F(VideoCaptureTest, FrameMessagesReachTheControlAndGraphMessagesAreHarmlessWithoutAGraph) {
    TForm owner(application, L"Owner");
    auto control = MakeControl(&owner);
    int frames = 0;
    control->OnFrameRendered = [&](TVideoCapture&) { ++frames; };
    HWND window = control->Handle();
    ::SendMessageW(window, WM_FRAMERENDERED, 0, 0);
    ::SendMessageW(window, WM_FRAMERENDERED, 0, 0);
    ::SendMessageW(window, WM_GRAPHNOTIFY, 0, 0);
    ::SendMessageW(window, WM_BITMAPGRABBED, 0, 0);
    EXPECT_EQ(frames, 2);
    EXPECT_TRUE(prompter->messages.empty());
}
