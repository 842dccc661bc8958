// The capture control's right-button menu and its device dialogs over fakes: the menu's
// items and tags, which dialogs a graph offers, what a click on each item does.
#include "unit/capture/GraphFixture.h"

#include "capture/PopupMenuLayout.h"
#include "devices/DeviceCatalogue.h"
#include "framework/Menu.h"
#include "unit/capture/VideoCaptureAccess.h"

#include <functional>
#include <memory>
#include <optional>

using namespace tbtest;
using namespace tbfake;
using tb::TPopupMenuEntry;
using Strings = std::vector<std::wstring>;

namespace {

// ---- The menu and the available dialogs as plain data ----------------------------

TEST(PopupMenuLayoutTest, EntriesInOrderWithTagsChecksAndGreyedDevices) {
    using E = TPopupMenuEntry;
    const E sep{L"-", 0, false, true};
    const E devicesDialog{L"Devices and Compressors", 200, false, true};
    // Kinds 3, 9, 10 and 12: "Video Preview" (position 2) is left out, the compressor
    // keeps the tag of position 3.
    const std::uint16_t pinsAndCompressor = (1 << 3) | (1 << 9) | (1 << 10) | (1 << 12);
    struct Case {
        const char* label;
        tb::TPopupMenuInput input;
        std::vector<E> expected;
    };
    const Case cases[] = {
        {"no device chosen: Clear capture checked, a device used by another greyed",
         {true, true, {L"Cam A", L"Cam B"}, {false, true}, -1, 0},
         {{L"Clear capture", -1, true, true},
          {L"Cam A", 0, false, true},
          {L"Cam B", 1, false, false},
          sep,
          devicesDialog}},
        {"the current device is checked, not greyed, though it is in use",
         {true, false, {L"Cam A", L"Cam B"}, {true, false}, 0, pinsAndCompressor},
         {{L"Clear capture", -1, false, true},
          {L"Cam A", 0, true, true},
          {L"Cam B", 1, false, true},
          sep,
          {L"Video Decoder", 100, false, true},
          {L"Video Format", 101, false, true},
          {L"Video Compressor", 103, false, true}}},
        {"without the device list the menu begins with the dialogs item",
         {false, true, {L"Cam A"}, {false}, 0, 1 << 0},
         {devicesDialog, sep, {L"Video Format", 100, false, true}}},
        {"both off: the dialogs alone",
         {false, false, {L"Cam A"}, {false}, 0, (1 << 1) | (1 << 2)},
         {{L"Video Source", 100, false, true}, {L"Video Display", 101, false, true}}},
        {"a device without dialogs (only the preview pin's format): no separator at the end",
         {true, false, {L"Cam A"}, {false}, 0, 1 << 10},
         {{L"Clear capture", -1, false, true}, {L"Cam A", 0, true, true}}},
        {"nothing at all: an empty menu", {false, false, {}, {}, -1, 0}, {}},
    };
    EXPECT_FALSE(tb::DialogAvailable(0xFFFF, 16)); // kinds above 15 are never available
    for (const Case& c : cases) {
        const auto got = tb::PopupMenuEntries(c.input);
        ASSERT_EQ(got.size(), c.expected.size()) << c.label;
        for (size_t i = 0; i < got.size(); ++i)
            EXPECT_TRUE(got[i] == c.expected[i]) << c.label << ", entry " << i;
    }
}

// ---- The control over fakes ---------------------------------------------------------

class PopupMenuTest : public GraphFixture {
protected:
    void TearDown() override {
        control_.reset();
        devices_.reset();
        GraphFixture::TearDown();
    }

    ComPtr<IUnknown> Pages(const wchar_t* name) {
        return AsUnknown(MakeFake<FakePropertyPages>(name, World().Platform()->SharedLog(),
                                                     std::vector<GUID>{CLSID_NULL}));
    }
    // A camera without driver dialogs; its filter and its stream configuration offer
    // property pages when asked to.
    void AddPinCamera(bool filterPages, bool configPages) {
        AddCamera();
        camera_->Refuse(IID_IAMVfwCaptureDialogs);
        if (filterPages)
            camera_->Attach(IID_ISpecifyPropertyPages, Pages(L"Cam.Pages"));
        if (configPages) {
            ComPtr<IAMStreamConfig> config;
            camera_->QueryInterface(IID_IAMStreamConfig,
                                    reinterpret_cast<void**>(config.GetAddressOf()));
            static_cast<FakeStreamConfig*>(config.Get())
                ->SetPropertyPages(Pages(L"Cam.Config.Pages"));
        }
    }
    // The control over a catalogue of the world's devices, video device 0 chosen (or
    // none), the menu assigned and the graph built.
    tb::TVideoCapture& MenuControl(bool chooseCamera = true) {
        devices_.emplace(World().Platform());
        control_ = std::make_unique<tb::TVideoCapture>(nullptr, L"VideoCapture1",
                                                       World().Platform(), clock_, &*devices_);
        control_->SetReinitOnSelect(false);
        control_->SetPopupMenu(&menu_);
        control_->SetPopupVideoDevicesList(true);
        control_->SetPopupDevicesDialog(false);
        control_->OnClickPopupMenu = [this](tb::TVideoCapture&) { ++clicks_; };
        if (chooseCamera) {
            control_->SelectVideoDeviceByIndex(0);
            if (codecMoniker_)
                control_->SelectVideoCompressorByIndex(0);
            EXPECT_TRUE(Access::BuildBaseGraph(*control_));
            EXPECT_TRUE(Access::BuildGraph(*control_));
        }
        control_->BuildPopupMenu();
        ClearLog();
        return *control_;
    }
    Strings Captions() {
        Strings captions;
        for (int i = 0; i < menu_.Items().Count(); ++i)
            captions.push_back(menu_.Items().Items(i).Caption());
        return captions;
    }
    void Click(const std::wstring& caption) {
        tb::TMenuItem* item = menu_.Items().Find(caption);
        ASSERT_NE(item, nullptr) << "no item " << std::string(caption.begin(), caption.end());
        item->Click();
    }
    // Each platform creation of a filter graph makes a fresh fake.
    const void* CurrentGraph() { return World().Graph().Get(); }

    std::optional<tb::TDevices> devices_;
    tb::TPopupMenu menu_{L"PopupMenu1"};
    int clicks_ = 0;
};

TEST_F(PopupMenuTest, DialogsOfferedByTheBuiltGraph) {
    struct Case {
        const char* label;
        std::function<void()> setUp;
        std::vector<int> kinds;
    };
    const Case cases[] = {
        {"a video-for-Windows device gets its driver dialogs only",
         [this] {
             AddCamera();
             camera_->Attach(IID_ISpecifyPropertyPages, Pages(L"Cam.Pages"));
         },
         {0, 1, 2}},
        {"a driver without a format dialog goes on to the pin dialogs",
         [this] {
             AddCamera();
             ComPtr<IAMVfwCaptureDialogs> dialogs;
             camera_->QueryInterface(IID_IAMVfwCaptureDialogs,
                                     reinterpret_cast<void**>(dialogs.GetAddressOf()));
             static_cast<FakeVfwCaptureDialogs*>(dialogs.Get())
                 ->Script()
                 .Always(L"HasDialog(2)", S_FALSE);
             camera_->Attach(IID_ISpecifyPropertyPages, Pages(L"Cam.Pages"));
         },
         {1, 2, 3}},
        {"a device with pages on its filter and its pins",
         [this] { AddPinCamera(true, true); },
         {3, 9, 10}},
        {"a device without pages offers nothing", [this] { AddPinCamera(false, false); }, {}},
        {"a compressor with a configuration dialog",
         [this] {
             AddPinCamera(false, false);
             AddCompressors();
         },
         {12}},
    };
    for (const Case& c : cases) {
        FreshWorld();
        control_.reset();
        devices_.reset();
        c.setUp();
        auto& control = MenuControl();
        std::vector<int> kinds;
        for (const auto& dialog : control.AvailableDialogs())
            kinds.push_back(dialog.Kind);
        EXPECT_EQ(kinds, c.kinds) << c.label;
    }
}

TEST_F(PopupMenuTest, TheItemAfterTheLeftOutPreviewShowsItsOwnDialog) {
    AddPinCamera(true, true);
    AddCompressors();
    MenuControl();
    EXPECT_EQ(Captions(), (Strings{L"Clear capture", L"Cam", L"-", L"Video Decoder",
                                   L"Video Format", L"Video Compressor"}));
    EXPECT_TRUE(menu_.Items().Items(1).Checked());
    Click(L"Video Compressor");
    EXPECT_EQ(prompter_->dialogs, (Strings{L"Video Compressor"}));
    EXPECT_EQ(clicks_, 1);
    // The preview comes back after the dialog.
    EXPECT_TRUE(Access::Previewing(*control_));
}

TEST_F(PopupMenuTest, PropertyPagesAndTheVideoModeEvent) {
    AddPinCamera(true, true);
    auto& control = MenuControl();
    int modeChanges = 0;
    control.OnChangeVideoMode = [&](tb::TVideoCapture&) { ++modeChanges; };

    // The page list handed out went back to the task allocator.
    ClearLog();
    EXPECT_TRUE(control.ShowDeviceDialog(tb::dkVideoDecoder));
    EXPECT_EQ(CallsOf(L"Cam.Pages.GetPages").size(), 1u);
    EXPECT_EQ(CallsOf(L"Platform.TaskMemFree(block)").size(), 1u);
    EXPECT_EQ(modeChanges, 0);
    EXPECT_TRUE(control.ShowDeviceDialog(tb::dkVideoStreamFormat));
    EXPECT_EQ(modeChanges, 1);
    EXPECT_EQ(prompter_->dialogs, (Strings{L"Video Decoder", L"Video Format"}));
    // The format dialog took the graph down; the preview built it again.
    EXPECT_TRUE(Access::GraphBuilt(control));
    EXPECT_TRUE(Access::Previewing(control));
}

TEST_F(PopupMenuTest, NoDialogWhileCapturingOrWhenNotAvailable) {
    AddPinCamera(true, false);
    auto& control = MenuControl();
    EXPECT_FALSE(control.ShowDeviceDialog(tb::dkVideoStreamFormat));
    EXPECT_FALSE(control.ShowDeviceDialog(42));
    EXPECT_FALSE(control.ShowDeviceDialogAt(5));
    tb::TVideoCaptureAccess::SetCapturing(control, true);
    EXPECT_FALSE(control.ShowDeviceDialog(tb::dkVideoDecoder));
    tb::TVideoCaptureAccess::SetCapturing(control, false);
    EXPECT_TRUE(prompter_->dialogs.empty());
    EXPECT_TRUE(Calls().empty());
}

TEST_F(PopupMenuTest, DriverFormatDialogThatCannotConnectTakesTheGraphDown) {
    struct Case {
        INT_PTR answer;
        bool rebuilt;
    };
    for (const Case c : {Case{IDCANCEL, false}, Case{VFW_E_CANNOT_CONNECT, true}}) {
        FreshWorld();
        control_.reset();
        devices_.reset();
        AddCamera();
        auto& control = MenuControl();
        prompter_->dialogs.clear();
        prompter_->QueueModalAnswer(c.answer);
        ASSERT_TRUE(control.ShowDeviceDialogAt(0));
        EXPECT_EQ(prompter_->dialogs, (Strings{L"Video Format"}));
        EXPECT_EQ(!CallsOf(L"Graph.RemoveFilter").empty(), c.rebuilt) << c.answer;
        EXPECT_TRUE(Access::Previewing(control));
    }
}

TEST_F(PopupMenuTest, ClearCaptureClosesTheDevicesAndRebuildsTheMenu) {
    // A capture card's crossbar: held while its graph lives, and not a moment longer (the
    // card stays open for other programs while anything holds its crossbar filter).
    AddPinCamera(false, false);
    auto crossbar = MakeFake<FakeCrossbar>(L"Cam.Crossbar", World().Platform()->SharedLog());
    camera_->Attach(IID_IAMCrossbar, AsUnknown(crossbar));
    auto& control = MenuControl();
    EXPECT_EQ(Captions(), (Strings{L"Clear capture", L"Cam", L"-", L"Crossbar"}));
    Click(L"Clear capture");
    EXPECT_EQ(crossbar->RefCount(), 2u) << "the test's and the camera's own references only";
    EXPECT_EQ(clicks_, 1);
    EXPECT_EQ(control.CurrentVideoDeviceIndex(), -1);
    EXPECT_FALSE(Access::HoldsFilterGraph(control));
    EXPECT_EQ(Captions(), (Strings{L"Clear capture", L"Cam"}));
    EXPECT_TRUE(menu_.Items().Items(0).Checked());
}

TEST_F(PopupMenuTest, ChoosingTheCheckedDeviceAgainInitialisesAgain) {
    AddCamera();
    auto& control = MenuControl();
    const void* before = CurrentGraph();
    Click(L"Cam");
    EXPECT_EQ(clicks_, 1);
    EXPECT_NE(CurrentGraph(), before); // InitGraph built a new base graph
    EXPECT_EQ(control.CurrentVideoDeviceIndex(), 0);
    EXPECT_TRUE(Access::Previewing(control));
    EXPECT_TRUE(menu_.Items().Items(1).Checked());
}

TEST_F(PopupMenuTest, DevicesDialogInitialisesOnlyAfterOk) {
    for (const INT_PTR answer : {tb::mrCancel, tb::mrOk}) {
        FreshWorld();
        control_.reset();
        devices_.reset();
        AddCamera();
        auto& control = MenuControl();
        control.SetPopupDevicesDialog(true);
        control.BuildPopupMenu();
        const void* before = CurrentGraph();
        prompter_->dialogs.clear();
        prompter_->QueueModalAnswer(answer);
        Click(L"Devices and Compressors");
        EXPECT_EQ(prompter_->dialogs, (Strings{L"FDevicesDlg"}));
        EXPECT_EQ(CurrentGraph() != before, answer == tb::mrOk) << answer;
        EXPECT_EQ(clicks_, 1);
        clicks_ = 0;
    }
}

} // namespace
