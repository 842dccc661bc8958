// The capture control's video mode over a world of media fakes: reading it from the pin
// or the DV decoder, applying it (the pin's format, the rebuild, the preview and the
// change event), and the start-up restore that brings the stored mode back through the
// registry.
#include "capture/FormatText.h"
#include "capture/GuidText.h"
#include "capture/VideoCapture.h"
#include "devices/DeviceCatalogue.h"
#include "support/TestRegistry.h"
#include "unit/capture/GraphFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string_view>

using namespace tb;
using namespace tbtest;
using tbfake::FakeDvDecoderResolution;
using tbfake::FakeStreamConfig;
using tbfake::VideoInfoType;

namespace {

class FormatControlTest : public GraphFixture {
protected:
    void TearDown() override {
        control_.reset();
        devices_.reset();
        GraphFixture::TearDown();
    }

    // The camera's stream configuration.
    FakeStreamConfig& Pin() {
        ComPtr<IAMStreamConfig> config;
        EXPECT_EQ(camera_.As(&config), S_OK);
        return *static_cast<FakeStreamConfig*>(config.Get());
    }
    // The DV decoder's resolution interface.
    FakeDvDecoderResolution& DVResolution() {
        ComPtr<IIPDVDec> resolution;
        EXPECT_EQ(dvDecoder_.As(&resolution), S_OK);
        return *static_cast<FakeDvDecoderResolution*>(resolution.Get());
    }
    void CountModeChanges() {
        control_->OnChangeVideoMode = [this](TVideoCapture& sender) {
            EXPECT_EQ(&sender, control_.get());
            ++modeChanges;
        };
    }
    // A control that picks "Cam" from a catalogue of the world's devices by name.
    TVideoCapture& CatalogueControl() {
        devices_.emplace(World().Platform());
        control_ = std::make_unique<TVideoCapture>(nullptr, L"VideoCapture1", World().Platform(),
                                                   clock_, &*devices_);
        return *control_;
    }

    std::optional<TDevices> devices_;
    int modeChanges = 0;
};

VideoFormat Mode(REFGUID subtype, std::int32_t width, std::int32_t height, std::uint16_t bits,
                 double rate) {
    VideoFormat format;
    format.Subtype = subtype;
    format.Width = width;
    format.Height = height;
    format.BitCount = bits;
    format.FrameRate = rate;
    return format;
}

} // namespace

TEST_F(FormatControlTest, ReadsTheModeThePinReports) {
    AddCamera(VideoInfoType(MEDIASUBTYPE_YUY2, 640, -480, 16, 333667));
    TVideoCapture& control = BuiltControl();
    VideoFormat format;
    control.GetVideoFormat(format);
    EXPECT_EQ(format.MajorType, MEDIATYPE_Video);
    EXPECT_EQ(format.Subtype, MEDIASUBTYPE_YUY2);
    EXPECT_EQ(format.FormatType, FORMAT_VideoInfo);
    EXPECT_EQ(format.Width, 640);
    EXPECT_EQ(format.Height, 480);
    EXPECT_EQ(format.BitCount, 16);
    EXPECT_NEAR(format.FrameRate, 29.97, 1e-4);

    EXPECT_EQ(control.VideoWidth(), 640);
    EXPECT_EQ(control.VideoHeight(), 480);
    EXPECT_NEAR(control.VideoFrameRate(), 29.97, 1e-4);
    EXPECT_EQ(control.VideoFormatText(),
              L"640\u00D7480; 29" + UserDecimalSeparator() + L"970; YUY2 (16)");

    Pin().SetCurrent(VideoInfoType(MEDIASUBTYPE_RGB24, 320, 240, 0x118, 0));
    std::int32_t width = 0, height = 0;
    double rate = -1;
    std::uint8_t bits = 0;
    control.GetVideoFormatParts(width, height, rate, bits);
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 240);
    EXPECT_EQ(rate, 0.0); // a frame duration of 0 reads as no rate
    EXPECT_EQ(bits, 0x18);

    // Every media type the pin handed out went back, record and format block.
    EXPECT_EQ(CallsOf(L"Platform.TaskMemFree(block)").size(),
              2 * CallsOf(L"Cam.Config.GetFormat").size());

    std::wstring name = L"kept";
    TVideoCapture::SubtypeShortName(MEDIASUBTYPE_MJPG, name);
    EXPECT_EQ(name, L"kept");
    TVideoCapture::SubtypeShortName(MEDIASUBTYPE_RGB565, name);
    EXPECT_EQ(name, L"RGB565");
}

TEST_F(FormatControlTest, NothingToReadWithoutAPinOrWhenItFails) {
    AddCamera();
    TVideoCapture& control = MakeControl();
    VideoFormat format;
    format.Width = 7;
    control.GetVideoFormat(format);
    EXPECT_EQ(format.Width, 0);
    EXPECT_EQ(format.Subtype, GUID_NULL);

    ASSERT_TRUE(Access::BuildBaseGraph(control));
    Pin().Script().Always(L"GetFormat", E_FAIL);
    format.Width = 7;
    control.GetVideoFormat(format);
    EXPECT_EQ(format.Width, 0);
    EXPECT_EQ(format.Subtype, GUID_NULL);
    EXPECT_EQ(control.VideoFormatText(), L"0\u00D70; 0.000;  (0)");
}

TEST_F(FormatControlTest, ApplyingAModeWritesThePinRebuildsAndRunsThePreview) {
    AddCamera(VideoInfoType(MEDIASUBTYPE_YUY2, 640, 480, 16, 333333));
    TVideoCapture& control = BuiltControl();
    Access::StartPreview(control);
    CountModeChanges();
    ClearLog();

    EXPECT_TRUE(control.SetVideoFormat(Mode(MEDIASUBTYPE_RGB24, 320, 240, 24, 29.97)));
    const auto calls = Calls();
    const auto at = [&](std::wstring_view entry) {
        return std::find(calls.begin(), calls.end(), entry) - calls.begin();
    };
    const auto set = at(L"Cam.Config.SetFormat(MEDIASUBTYPE_RGB24 320x240x24)");
    ASSERT_LT(set, static_cast<long long>(calls.size()));
    EXPECT_LT(at(L"Graph.Stop()"), set); // the preview stopped first
    EXPECT_GT(at(L"Graph.Run()"), set);  // and ran again on the rebuilt graph
    EXPECT_TRUE(Access::GraphBuilt(control));
    EXPECT_TRUE(Access::Previewing(control));
    EXPECT_EQ(modeChanges, 1);

    VideoFormat applied;
    control.GetVideoFormat(applied);
    EXPECT_EQ(applied.Subtype, MEDIASUBTYPE_RGB24);
    EXPECT_EQ(applied.Width, 320);
    EXPECT_EQ(applied.BitCount, 24);
    EXPECT_NEAR(applied.FrameRate, 29.97, 1e-4);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(FormatControlTest, SizeSettersChangeOneField) {
    // A device that reports its frame time, and one that reports none (Wine's capture
    // source): the size changes either way and the frame time stays the device's.
    for (const REFERENCE_TIME frameTime : {REFERENCE_TIME{333333}, REFERENCE_TIME{0}}) {
        SCOPED_TRACE(frameTime);
        FreshWorld();
        AddCamera(VideoInfoType(MEDIASUBTYPE_YUY2, 640, 480, 16, frameTime));
        TVideoCapture& control = BuiltControl();
        control.SetVideoWidth(352);
        control.SetVideoHeight(288);
        VideoFormat format;
        control.GetVideoFormat(format);
        EXPECT_EQ(format.Width, 352);
        EXPECT_EQ(format.Height, 288);
        EXPECT_EQ(format.Subtype, MEDIASUBTYPE_YUY2);
        EXPECT_EQ(format.BitCount, 16);
        EXPECT_NEAR(format.FrameRate, frameTime == 0 ? 0.0 : 30.0, 1e-3);
    }
}

TEST_F(FormatControlTest, AModeThatCannotBeWrittenStillRebuilds) {
    struct Case {
        const char* label;
        VideoFormat mode;
        HRESULT setFormat;
        bool written;
    } cases[] = {
        {"a rate without a frame time", Mode(MEDIASUBTYPE_RGB24, 320, 240, 24, -30), S_OK, false},
        {"cleared record", VideoFormat{}, S_OK, false},
        {"refused by the device", Mode(MEDIASUBTYPE_RGB24, 320, 240, 24, 30), E_FAIL, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        FreshWorld();
        AddCamera(VideoInfoType(MEDIASUBTYPE_YUY2, 640, 480, 16, 333333));
        TVideoCapture& control = BuiltControl();
        CountModeChanges();
        modeChanges = 0;
        Pin().Script().Always(L"SetFormat", c.setFormat);
        EXPECT_TRUE(control.SetVideoFormat(c.mode));
        EXPECT_EQ(CallsOf(L"Cam.Config.SetFormat").size(), c.written ? 1u : 0u);
        EXPECT_TRUE(Access::GraphBuilt(control));
        EXPECT_EQ(modeChanges, 1);
        EXPECT_TRUE(Messages().empty());
        EXPECT_EQ(control.VideoWidth(), 640); // the device's previous mode
    }
}

TEST_F(FormatControlTest, ADVSourceReportsTheDecodersSizeAndKeepsItsMode) {
    AddDVCamera();
    TVideoCapture& control = BuiltControl();
    CountModeChanges();
    ClearLog();
    EXPECT_TRUE(control.SetVideoFormat(Mode(MEDIASUBTYPE_RGB24, 320, 240, 24, 30)));
    EXPECT_TRUE(CallsOf(L"Cam.Config.SetFormat").empty());
    EXPECT_TRUE(CallsOf(L"Graph.Stop").empty());
    EXPECT_EQ(modeChanges, 0);

    struct Case {
        int code;
        std::int32_t width, height;
        std::uint16_t bits;
    } cases[] = {{1001, 360, 288, 24}, {1003, 88, 72, 24}, {0, 0, 0, 0}, {1004, 0, 0, 0}};
    for (const Case& c : cases) {
        DVResolution().put_IPDisplay(c.code);
        VideoFormat format;
        control.GetVideoFormat(format);
        EXPECT_EQ(format.Width, c.width) << c.code;
        EXPECT_EQ(format.Height, c.height) << c.code;
        EXPECT_EQ(format.BitCount, c.bits) << c.code;
        EXPECT_EQ(format.Subtype, GUID_NULL);
        EXPECT_EQ(format.FrameRate, 0.0);
    }

    // Half resolution asked of the control reaches the decoder at the rebuild.
    control.SetDVResolution(TDVResolution::dvrHalf);
    EXPECT_EQ(control.DVResolution(), TDVResolution::dvrHalf);
    EXPECT_EQ(control.VideoWidth(), 360);
    EXPECT_EQ(control.VideoHeight(), 288);
}

TEST_F(FormatControlTest, StartUpRestoresTheStoredModeAndRunsThePreview) {
    TTestRegistry registry;
    TScopedSettings scoped(registry.Store());
    AddCamera(VideoInfoType(MEDIASUBTYPE_YUY2, 640, 480, 16, 333333));
    const std::wstring section = L"VideoCapture1\\Cam";
    registry.Store().RegWriteString(L"VideoCapture1", L"VideoDeviceName", L"Cam");
    registry.Store().RegWriteInteger(section, L"VideoWidth", 320);
    registry.Store().RegWriteInteger(section, L"VideoHeight", 240);
    registry.Store().RegWriteInteger(section, L"VideoBitCount", 24);
    registry.Store().RegWriteFloat(section, L"VideoFrameRate", 15);
    registry.Store().RegWriteString(section, L"VideoSubType", GuidText(MEDIASUBTYPE_RGB24));

    TVideoCapture& control = CatalogueControl();
    CountModeChanges();
    EXPECT_TRUE(control.InitFromSavedDevices());
    EXPECT_EQ(control.CurrentVideoDeviceName(), L"Cam");
    EXPECT_EQ(CallsOf(L"Cam.Config.SetFormat"),
              std::vector<std::wstring>{L"Cam.Config.SetFormat(MEDIASUBTYPE_RGB24 320x240x24)"});
    EXPECT_TRUE(Access::Previewing(control));
    EXPECT_EQ(modeChanges, 1);
    EXPECT_NEAR(control.VideoFrameRate(), 15.0, 1e-4);
    EXPECT_TRUE(Messages().empty());

    // The control saves the mode it runs in when it goes.
    control_.reset();
    std::wstring text;
    EXPECT_TRUE(registry.Store().RegReadString(section, L"VideoFormatString", text));
    EXPECT_EQ(text, L"320\u00D7240; 15" + UserDecimalSeparator() + L"000; RGB24 (24)");
}

TEST_F(FormatControlTest, FirstStartAsksForTheControlsOwnSize) {
    TTestRegistry registry;
    TScopedSettings scoped(registry.Store());
    AddCamera(VideoInfoType(MEDIASUBTYPE_YUY2, 640, 480, 16, 400000));
    TVideoCapture& control = CatalogueControl();
    {
        TReinitOnSelectBatch batch(control);
        control.SelectVideoDeviceByName(L"Cam");
    }
    EXPECT_TRUE(control.InitFromSavedDevices());
    // 320 by 240 (the control), 24 bits, the device's 25 frames per second, its subtype.
    EXPECT_EQ(CallsOf(L"Cam.Config.SetFormat"),
              std::vector<std::wstring>{L"Cam.Config.SetFormat(" + GuidText(MEDIASUBTYPE_YUY2) +
                                        L" 320x240x24)"});
    EXPECT_NEAR(control.VideoFrameRate(), 25.0, 1e-9);
}

// A damaged stored subtype is reported once and the initialisation goes on with the
// pin's own subtype: the picture runs, the menu is there, and a second initialisation
// (the focus coming back) reports nothing more.
TEST_F(FormatControlTest, AStoredSubtypeThatIsNoIdentifierIsReportedOnceAndSkipped) {
    TTestRegistry registry;
    TScopedSettings scoped(registry.Store());
    AddCamera();
    registry.Store().RegWriteString(L"VideoCapture1", L"VideoDeviceName", L"Cam");
    registry.Store().RegWriteString(L"VideoCapture1\\Cam", L"VideoSubType", L"RGB24");
    TVideoCapture& control = CatalogueControl();
    bool initError = false;
    control.OnInitError = [&](TVideoCapture&) { initError = true; };
    EXPECT_TRUE(control.InitFromSavedDevices());
    EXPECT_TRUE(control.InitFromSavedDevices());
    EXPECT_TRUE(control.ReinitOnSelect());
    EXPECT_FALSE(initError);
    EXPECT_EQ(Messages(), std::vector<std::wstring>{L"'RGB24' is not a valid GUID value"});
    EXPECT_FALSE(CallsOf(L"Cam.Config.SetFormat").empty());
}
