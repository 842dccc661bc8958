// The format panel over a capture control with a fake camera: its layout, the fields
// filled when it is shown, "Set" applying the width and then the height (as one mode on a
// device with fixed modes), typed text that is not a frame size (reported, nothing
// applied) and "Save to Reg".
#include "app/FormatPanel.h"

#include "capture/VideoCapture.h"
#include "devices/DeviceCatalogue.h"
#include "fakes/FakeFilterParts.h"
#include "fakes/FakeMediaTypes.h"
#include "fakes/FakeMediaWorld.h"
#include "fakes/RecordingPrompter.h"
#include "framework/Application.h"
#include "support/TestRegistry.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace tb;
using tbtest::TRecordingPrompter;
using tbtest::TTestRegistry;

namespace {

using Names = std::vector<std::wstring>;

class FormatPanelTest : public ::testing::Test {
protected:
    FormatPanelTest() {
        application.SetTitle(L"TestBench");
        camera = world->AddCamera(L"Cam", tbfake::VideoInfoType(MEDIASUBTYPE_RGB24, 640, 480, 24));
        catalogue.emplace(world->Platform());
        control = std::make_unique<TVideoCapture>(nullptr, L"VideoCapture1", world->Platform(),
                                                  DefaultClock(), &*catalogue);
        // Without a stored mode the control asks for its own size: the camera's.
        control->SetBounds(0, 0, 640, 480);
        control->SetReinitOnSelect(false);
        control->SelectVideoDeviceByName(L"Cam");
        control->SetReinitOnSelect(true);
        EXPECT_TRUE(control->InitGraph());
        control->OnChangeVideoMode = [this](TVideoCapture&) { ++modeChanges; };
        panel = std::make_unique<TFFormatPanel>(application, *control);
        world->Log().Clear();
    }
    void TearDown() override {
        panel.reset();
        control.reset();
        camera.Reset();
        catalogue.reset();
        world.reset();
        EXPECT_TRUE(ledger.Clean()) << ledger.Describe();
    }

    // Types both fields and clicks "Set" as the user does; what the click raises goes
    // to the application's error report.
    void Set(const std::wstring& width, const std::wstring& height) {
        panel->edVideoWidth().SetText(width);
        panel->edVideoHeight().SetText(height);
        Click(panel->btnSet());
    }
    void Click(TButton& button) {
        ::SendMessageW(panel->Handle(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
                       reinterpret_cast<LPARAM>(button.Handle()));
    }
    Names Writes() const { return world->Log().CallsStartingWith(L"Cam.Config.SetFormat"); }
    Names Messages() const {
        Names texts;
        for (const auto& message : prompter->messages)
            texts.push_back(message.text);
        return texts;
    }

    tbfake::TLedgerScope ledger;
    TTestRegistry registry;
    TScopedSettings scoped{registry.Store()};
    std::shared_ptr<TRecordingPrompter> prompter = std::make_shared<TRecordingPrompter>();
    TApplication application{prompter};
    TForm mainForm{application, L"MainForm"}; // the program's main window comes first
    std::unique_ptr<tbfake::TFakeMediaWorld> world = std::make_unique<tbfake::TFakeMediaWorld>();
    std::optional<TDevices> catalogue;
    std::unique_ptr<TVideoCapture> control;
    std::unique_ptr<TFFormatPanel> panel;
    Microsoft::WRL::ComPtr<tbfake::FakeFilter> camera;
    int modeChanges = 0;
};

} // namespace

TEST_F(FormatPanelTest, ShowingFillsTheFieldsOnlyWhenThePanelWasHidden) {
    panel->Show();
    EXPECT_EQ(panel->edVideoWidth().Text(), L"640");
    EXPECT_EQ(panel->edVideoHeight().Text(), L"480");

    panel->edVideoWidth().SetText(L"123");
    panel->Show(); // already shown: brought to the front, fields kept
    EXPECT_EQ(panel->edVideoWidth().Text(), L"123");

    ::SendMessageW(panel->Handle(), WM_CLOSE, 0, 0); // the close box hides it
    EXPECT_FALSE(::IsWindowVisible(panel->Handle()));
    panel->Show();
    EXPECT_EQ(panel->edVideoWidth().Text(), L"640");
    EXPECT_TRUE(Writes().empty());
}

TEST_F(FormatPanelTest, SetAppliesTheWidthAndThenTheHeightEachWithItsOwnRebuild) {
    panel->Show();
    Set(L"800", L"$258"); // 600 in hexadecimal
    EXPECT_EQ(Writes(), (Names{L"Cam.Config.SetFormat(MEDIASUBTYPE_RGB24 800x480x24)",
                               L"Cam.Config.SetFormat(MEDIASUBTYPE_RGB24 800x600x24)"}));
    EXPECT_EQ(modeChanges, 2);
    EXPECT_EQ(control->VideoWidth(), 800);
    EXPECT_EQ(control->VideoHeight(), 600);
    EXPECT_TRUE(prompter->messages.empty());

    // Unchanged values are applied again, twice.
    world->Log().Clear();
    panel->Hide();
    panel->Show();
    Click(panel->btnSet());
    EXPECT_EQ(Writes().size(), 2u);
    EXPECT_EQ(modeChanges, 4);
}

TEST_F(FormatPanelTest, TextThatIsNotAFrameSizeIsReportedAndNothingIsApplied) {
    const struct {
        const wchar_t* width;
        const wchar_t* height;
        const wchar_t* message;
    } cases[] = {
        {L"abc", L"480", L"'abc' is not a valid integer value"},
        {L"", L"480", L"'' is not a valid integer value"},
        {L"800", L"", L"'' is not a valid integer value"},
        {L"800", L"4 80", L"'4 80' is not a valid integer value"},
        {L"2147483648", L"480", L"'2147483648' is not a valid integer value"},
        {L"0", L"480", L"'0' is not a valid video width"},
        {L"800", L"-600", L"'-600' is not a valid video height"},
        {L"x", L"y", L"'x' is not a valid integer value"},
    };
    panel->Show();
    for (const auto& c : cases) {
        prompter->messages.clear();
        Set(c.width, c.height);
        EXPECT_EQ(Messages(), Names{c.message}) << c.width << " " << c.height;
        if (!prompter->messages.empty()) {
            EXPECT_EQ(prompter->messages[0].caption, L"TestBench");
        }
        // The typed text stays for the user to correct.
        EXPECT_EQ(panel->edVideoWidth().Text(), c.width);
    }
    EXPECT_TRUE(Writes().empty());
    EXPECT_EQ(modeChanges, 0);
    EXPECT_EQ(control->VideoWidth(), 640);
    EXPECT_EQ(control->VideoHeight(), 480);
}

TEST_F(FormatPanelTest, SaveToRegStoresTheSizeInForce) {
    panel->Show();
    Set(L"800", L"600");
    Click(panel->Button1());
    std::int32_t width = 0, height = 0;
    std::wstring device;
    EXPECT_TRUE(registry.Store().RegReadInteger(L"VideoCapture1\\Cam", L"VideoWidth", width));
    EXPECT_TRUE(registry.Store().RegReadInteger(L"VideoCapture1\\Cam", L"VideoHeight", height));
    EXPECT_TRUE(registry.Store().RegReadString(L"VideoCapture1", L"VideoDeviceName", device));
    EXPECT_EQ(width, 800);
    EXPECT_EQ(height, 600);
    EXPECT_EQ(device, L"Cam");
}

TEST_F(FormatPanelTest, ADeviceWithFixedModesStepsBetweenThemAndShowsTheModeThatRuns) {
    // The device takes 640x480 and 1280x720 only, as a webcam does.
    Microsoft::WRL::ComPtr<IAMStreamConfig> config;
    ASSERT_EQ(camera.As(&config), S_OK);
    tbfake::TScript& script = static_cast<tbfake::FakeStreamConfig*>(config.Get())->Script();
    for (const wchar_t* mixed :
         {L"1280x480", L"640x720", L"1x480", L"1x1", L"1920x480", L"1920x1080"})
        script.Always(L"SetFormat(MEDIASUBTYPE_RGB24 " + std::wstring(mixed) + L"x24)", E_FAIL);
    const struct {
        const wchar_t *width, *height;
        const wchar_t *runningWidth, *runningHeight;
    } steps[] = {
        {L"1280", L"720", L"1280", L"720"},
        {L"640", L"480", L"640", L"480"},
        {L"1920", L"1080", L"640", L"480"}, // refused: nothing changes, nothing is said
        {L"1", L"1", L"640", L"480"},
    };
    panel->Show();
    for (const auto& step : steps) {
        Set(step.width, step.height);
        EXPECT_TRUE(prompter->messages.empty());
        EXPECT_EQ(std::to_wstring(control->VideoWidth()), step.runningWidth) << step.width;
        EXPECT_EQ(std::to_wstring(control->VideoHeight()), step.runningHeight) << step.width;
        EXPECT_EQ(panel->edVideoWidth().Text(), step.runningWidth);
        EXPECT_EQ(panel->edVideoHeight().Text(), step.runningHeight);
    }
}
