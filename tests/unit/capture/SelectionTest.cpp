// Choosing devices and compressors on the capture control over a catalogue of fake
// devices: lookups by name, index and moniker, the ReinitOnSelect switch and the change
// events, the catalogue's user records, CloseDevices, the start-up restore by stored
// names, and no reference left behind.
//
// The fake platform offers the device enumerator only, so every attempt to build a
// graph for a video device fails: what a test sees of an initialisation is its failure
// path (OnInitError, then the devices closed).
#include "capture/VideoCapture.h"

#include "devices/DeviceCatalogue.h"
#include "devices/DevicesModule.h"
#include "fakes/FakeDeviceEnum.h"
#include "fakes/FakeMediaPlatform.h"
#include "fakes/RecordingPrompter.h"
#include "framework/Application.h"
#include "framework/Text.h"
#include "support/TestRegistry.h"
#include "unit/capture/VideoCaptureAccess.h"

#include <gtest/gtest.h>

#include <dshow.h>

#include <climits>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

using namespace tb;
using Microsoft::WRL::ComPtr;
using tbfake::FakeDeviceEnumerator;
using tbfake::FakeMediaPlatform;
using tbtest::TRecordingPrompter;
using tbtest::TTestRegistry;

namespace {

using Names = std::vector<std::wstring>;

// The operations of one kind of choice.
struct TKind {
    const char* label;
    TDeviceCategory category;
    bool isDevice; // announced by OnChangeDevice, else by OnChangeCompressor
    bool (TVideoCapture::*byName)(const std::wstring&);
    bool (TVideoCapture::*byIndex)(std::int32_t);
    bool (TVideoCapture::*byMoniker)(ComPtr<IMoniker>);
    std::int32_t (TVideoCapture::*index)() const;
    std::wstring (TVideoCapture::*name)() const;
};

const TKind kKinds[] = {
    {"video device", TDeviceCategory::VideoDevice, true, &TVideoCapture::SelectVideoDeviceByName,
     &TVideoCapture::SelectVideoDeviceByIndex, &TVideoCapture::SelectVideoDevice,
     &TVideoCapture::CurrentVideoDeviceIndex, &TVideoCapture::CurrentVideoDeviceName},
    {"audio device", TDeviceCategory::AudioDevice, true, &TVideoCapture::SelectAudioDeviceByName,
     &TVideoCapture::SelectAudioDeviceByIndex, &TVideoCapture::SelectAudioDevice,
     &TVideoCapture::CurrentAudioDeviceIndex, &TVideoCapture::CurrentAudioDeviceName},
    {"video compressor", TDeviceCategory::VideoCompressor, false,
     &TVideoCapture::SelectVideoCompressorByName, &TVideoCapture::SelectVideoCompressorByIndex,
     &TVideoCapture::SelectVideoCompressor, &TVideoCapture::CurrentVideoCompressorIndex,
     &TVideoCapture::CurrentVideoCompressorName},
    {"audio compressor", TDeviceCategory::AudioCompressor, false,
     &TVideoCapture::SelectAudioCompressorByName, &TVideoCapture::SelectAudioCompressorByIndex,
     &TVideoCapture::SelectAudioCompressor, &TVideoCapture::CurrentAudioCompressorIndex,
     &TVideoCapture::CurrentAudioCompressorName},
};

const TKind& KindOf(TDeviceCategory category) {
    return kKinds[static_cast<int>(category)];
}

// What the fake machine offers, per category, in enumeration order; the catalogue lists
// the second "Cam" as "Cam (1)" and keeps the blanks around " Spaced Cam ".
const Names kOffered[] = {
    {L"USB Camera", L"Cam", L"Cam", L" Spaced Cam "},
    {L"Mic", L"Line In"},
    {L"Cinepak", L"MJPEG"},
    {L"PCM", L"MP3"},
};
const CLSID* const kCategoryIds[] = {
    &CLSID_VideoInputDeviceCategory, &CLSID_AudioInputDeviceCategory,
    &CLSID_VideoCompressorCategory, &CLSID_AudioCompressorCategory};

class SelectionTest : public ::testing::Test {
protected:
    SelectionTest() {
        platform->Register(CLSID_SystemDeviceEnum, deviceEnum);
        for (int c = 0; c < 4; ++c)
            for (const auto& name : kOffered[c])
                deviceEnum->AddDevice(*kCategoryIds[c], name);
        devices.emplace(platform);
        control = MakeControl();
        control->OnChangeDevice = [this](TVideoCapture& sender) {
            EXPECT_EQ(&sender, control.get());
            events.push_back("change device");
        };
        control->OnChangeCompressor = [this](TVideoCapture& sender) {
            EXPECT_EQ(&sender, control.get());
            events.push_back("change compressor");
        };
        control->OnInitError = [this](TVideoCapture&) { events.push_back("init error"); };
    }

    // Every fake is gone once the controls, the catalogue and the test's own references
    // are: nothing leaks through selections, queries or the user records.
    void TearDown() override {
        other.reset();
        control.reset();
        devices.reset();
        deviceEnum.Reset();
        platform.reset();
        EXPECT_TRUE(ledger.Clean()) << ledger.Describe();
    }

    std::unique_ptr<TVideoCapture> MakeControl(const wchar_t* name = L"VideoCapture1") {
        return std::make_unique<TVideoCapture>(nullptr, name, platform, DefaultClock(), &*devices);
    }
    ComPtr<IMoniker> Entry(TDeviceCategory category, int index) const {
        return devices->ByIndex(category, index);
    }
    // Makes selections without re-initialising.
    void Quietly(const std::function<void()>& selections) {
        TReinitOnSelectBatch batch(*control);
        selections();
    }
    // The platform was asked for anything but the device enumerator.
    bool Creates() const {
        for (const auto& call : platform->Log().CallsStartingWith(L"Platform.CreateInstance("))
            if (call.find(L"SystemDeviceEnum") == std::wstring::npos)
                return true;
        return false;
    }

    tbfake::TLedgerScope ledger;
    std::shared_ptr<TRecordingPrompter> prompter = std::make_shared<TRecordingPrompter>();
    TApplication application{prompter};
    TTestRegistry registry;
    TScopedSettings scoped{registry.Store()};
    std::shared_ptr<FakeMediaPlatform> platform = std::make_shared<FakeMediaPlatform>();
    ComPtr<FakeDeviceEnumerator> deviceEnum =
        tbfake::MakeFake<FakeDeviceEnumerator>(platform->SharedLog());
    std::optional<TDevices> devices;
    std::unique_ptr<TVideoCapture> control;
    std::unique_ptr<TVideoCapture> other;
    std::vector<std::string> events;
};

TEST_F(SelectionTest, NameLookupsAreExactAndCaseSensitive) {
    struct Case {
        TDeviceCategory category;
        const wchar_t* name;
        std::int32_t index; // expected position, -1 for nothing chosen
    };
    const Case cases[] = {
        {TDeviceCategory::VideoDevice, L"USB Camera", 0},
        {TDeviceCategory::VideoDevice, L"usb camera", -1},
        {TDeviceCategory::VideoDevice, L"USB Camera ", -1},
        {TDeviceCategory::VideoDevice, L"Cam", 1},
        {TDeviceCategory::VideoDevice, L"Cam (1)", 2},
        {TDeviceCategory::VideoDevice, L"Spaced Cam", -1},
        {TDeviceCategory::VideoDevice, L" Spaced Cam ", 3},
        {TDeviceCategory::VideoDevice, L"", -1},
        {TDeviceCategory::AudioDevice, L"Line In", 1},
        {TDeviceCategory::AudioDevice, L"line in", -1},
        {TDeviceCategory::AudioDevice, L"", -1},
        {TDeviceCategory::VideoCompressor, L"MJPEG", 1},
        {TDeviceCategory::VideoCompressor, L"Mjpeg", -1},
        {TDeviceCategory::AudioCompressor, L"PCM", 0},
        {TDeviceCategory::AudioCompressor, L"Cam", -1}, // another list's name
    };
    control->SetReinitOnSelect(false);
    for (const auto& c : cases) {
        const TKind& kind = KindOf(c.category);
        SCOPED_TRACE(std::string(kind.label) + " '" + Narrow(c.name) + "'");
        // Something chosen before is replaced, also by nothing.
        (control.get()->*kind.byIndex)(0);
        EXPECT_TRUE((control.get()->*kind.byName)(c.name));
        EXPECT_EQ((control.get()->*kind.index)(), c.index);
        EXPECT_EQ((control.get()->*kind.name)(), c.index < 0 ? L"" : c.name);
    }
}

TEST_F(SelectionTest, IndexSelectionOutsideTheListChoosesNothing) {
    control->SetReinitOnSelect(false);
    for (const TKind& kind : kKinds) {
        const Names names = devices->Names(kind.category);
        const auto count = static_cast<std::int32_t>(names.size());
        for (std::int32_t i = 0; i < count; ++i) {
            SCOPED_TRACE(std::string(kind.label) + " " + std::to_string(i));
            EXPECT_TRUE((control.get()->*kind.byIndex)(i));
            EXPECT_EQ((control.get()->*kind.index)(), i);
            EXPECT_EQ((control.get()->*kind.name)(), names[static_cast<std::size_t>(i)]);
        }
        for (const std::int32_t outside : {-1, count, count + 1, INT_MIN, INT_MAX}) {
            SCOPED_TRACE(std::string(kind.label) + " " + std::to_string(outside));
            (control.get()->*kind.byIndex)(0);
            EXPECT_TRUE((control.get()->*kind.byIndex)(outside));
            EXPECT_EQ((control.get()->*kind.index)(), -1);
            EXPECT_EQ((control.get()->*kind.name)(), L"");
        }
    }
}

TEST_F(SelectionTest, QueriesFollowTheMonikerObjectNotTheDevicesName) {
    control->SetReinitOnSelect(false);
    for (const TKind& kind : kKinds) {
        SCOPED_TRACE(kind.label);
        // A moniker of a device with an entry's name, but not the entry's object.
        const auto& offered = kOffered[static_cast<int>(kind.category)];
        const auto lookalike = tbfake::MakeDevice(offered[0], platform->SharedLog());
        EXPECT_TRUE((control.get()->*kind.byMoniker)(lookalike));
        EXPECT_EQ((control.get()->*kind.index)(), -1);
        EXPECT_EQ((control.get()->*kind.name)(), L"");
        // The entry's own object, handed in by moniker.
        const int last = static_cast<int>(offered.size()) - 1;
        EXPECT_TRUE((control.get()->*kind.byMoniker)(Entry(kind.category, last)));
        EXPECT_EQ((control.get()->*kind.index)(), last);
        EXPECT_EQ((control.get()->*kind.name)(), devices->Names(kind.category).back());
        EXPECT_TRUE((control.get()->*kind.byMoniker)(nullptr));
        EXPECT_EQ((control.get()->*kind.index)(), -1);
    }
    // Two entries of the same device name are told apart by their objects.
    control->SelectVideoDevice(Entry(TDeviceCategory::VideoDevice, 2));
    EXPECT_EQ(control->CurrentVideoDeviceName(), L"Cam (1)");
}

TEST_F(SelectionTest, WithTheSwitchOffSelectionsOnlyStoreTheChoice) {
    control->SetReinitOnSelect(false);
    for (const TKind& kind : kKinds) {
        SCOPED_TRACE(kind.label);
        EXPECT_TRUE((control.get()->*kind.byName)(kOffered[static_cast<int>(kind.category)][0]));
        EXPECT_TRUE((control.get()->*kind.byName)(L"no such device"));
        EXPECT_TRUE((control.get()->*kind.byIndex)(1));
        EXPECT_TRUE((control.get()->*kind.byIndex)(-1));
        EXPECT_TRUE((control.get()->*kind.byMoniker)(Entry(kind.category, 0)));
        EXPECT_EQ((control.get()->*kind.index)(), 0);
    }
    EXPECT_TRUE(events.empty());
    EXPECT_FALSE(Creates()); // nothing was built
    EXPECT_TRUE(prompter->messages.empty());
    EXPECT_FALSE(control->ReinitOnSelect());

    // The next initialisation works on the stored choices: with a video device it
    // attempts a build (which fails here) instead of only closing the devices.
    EXPECT_FALSE(control->InitGraph());
    EXPECT_EQ(events, (std::vector<std::string>{"init error"}));
    EXPECT_EQ(control->CurrentVideoDeviceIndex(), -1);
    EXPECT_EQ(control->CurrentVideoCompressorIndex(), 0);
    EXPECT_EQ(control->CurrentAudioCompressorIndex(), 0);
}

TEST_F(SelectionTest, WithTheSwitchOnEverySelectionInitialisesThenAnnouncesItOnce) {
    using Select = std::function<bool(TVideoCapture&, const TKind&)>;
    const struct {
        const char* how;
        bool chooses; // a catalogue entry, not nothing
        Select select;
    } ways[] = {
        {"by name", true,
         [](TVideoCapture& c, const TKind& k) {
             return (c.*k.byName)(kOffered[static_cast<int>(k.category)][0]);
         }},
        {"by unknown name", false,
         [](TVideoCapture& c, const TKind& k) { return (c.*k.byName)(L"no such device"); }},
        {"by index", true, [](TVideoCapture& c, const TKind& k) { return (c.*k.byIndex)(1); }},
        {"by index -1", false, [](TVideoCapture& c, const TKind& k) { return (c.*k.byIndex)(-1); }},
    };
    for (const auto& way : ways) {
        for (const TKind& kind : kKinds) {
            SCOPED_TRACE(std::string(kind.label) + " " + way.how);
            events.clear();
            std::int32_t videoIndexSeenByEvent = 99;
            const TVideoCapture::TNotifyEvent announce = [&](TVideoCapture& c) {
                videoIndexSeenByEvent = c.CurrentVideoDeviceIndex();
                events.push_back("change");
            };
            control->OnChangeDevice = kind.isDevice ? announce : TVideoCapture::TNotifyEvent();
            control->OnChangeCompressor = kind.isDevice ? TVideoCapture::TNotifyEvent() : announce;
            // Every initialisation fails (no graph without a video device, or the build
            // fails), so every selection answers false.
            EXPECT_FALSE(way.select(*control, kind));
            // Only a chosen video device leads to a build; the rest only close the devices.
            const bool attemptedBuild =
                kind.category == TDeviceCategory::VideoDevice && way.chooses;
            const std::vector<std::string> expected =
                attemptedBuild ? std::vector<std::string>{"init error", "change"}
                               : std::vector<std::string>{"change"};
            EXPECT_EQ(events, expected);
            // The event comes after the initialisation, which closed the devices.
            EXPECT_EQ(videoIndexSeenByEvent, -1);
            EXPECT_TRUE(control->ReinitOnSelect());
        }
    }
}

TEST_F(SelectionTest, AnUnknownVideoDeviceNameWithTheSwitchOnLeavesNoDeviceAndNoUserRecord) {
    other = MakeControl(L"VideoCapture2");
    devices->SetVideoDeviceUser(0, control.get());
    devices->SetVideoDeviceUser(1, other.get());
    Quietly([&] { control->SelectVideoDeviceByIndex(0); });

    EXPECT_FALSE(control->SelectVideoDeviceByName(L"Unplugged Camera"));

    EXPECT_EQ(events, (std::vector<std::string>{"change device"}));
    EXPECT_EQ(control->CurrentVideoDeviceIndex(), -1);
    EXPECT_EQ(devices->VideoDeviceUser(0), nullptr);
    EXPECT_EQ(devices->VideoDeviceUser(1), other.get()); // another control's record stays
    EXPECT_TRUE(prompter->messages.empty());             // no device: nothing to report
}

TEST_F(SelectionTest, OnlyVideoDeviceSelectionsClearTheUserRecordAlsoWithTheSwitchOff) {
    struct Case {
        const char* what;
        std::function<void(TVideoCapture&)> select;
        bool clears;
    };
    const Case cases[] = {
        {"video device by name", [](TVideoCapture& c) { c.SelectVideoDeviceByName(L"Cam"); }, true},
        {"video device by index", [](TVideoCapture& c) { c.SelectVideoDeviceByIndex(3); }, true},
        {"audio device by name", [](TVideoCapture& c) { c.SelectAudioDeviceByName(L"Mic"); },
         false},
        {"audio device by index", [](TVideoCapture& c) { c.SelectAudioDeviceByIndex(0); }, false},
        {"video compressor by index", [](TVideoCapture& c) { c.SelectVideoCompressorByIndex(0); },
         false},
        {"audio compressor by name",
         [](TVideoCapture& c) { c.SelectAudioCompressorByName(L"PCM"); }, false},
    };
    control->SetReinitOnSelect(false);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        devices->SetVideoDeviceUser(0, control.get());
        c.select(*control);
        EXPECT_EQ(devices->VideoDeviceUser(0), c.clears ? nullptr : control.get());
    }
}

TEST_F(SelectionTest, RecordingTheUserOfAVideoDeviceLeavesOneRecordPerControl) {
    other = MakeControl(L"VideoCapture2");
    devices->SetVideoDeviceUser(2, other.get());
    control->SetReinitOnSelect(false);

    control->SelectVideoDeviceByIndex(0);
    TVideoCaptureAccess::RegisterAsVideoDeviceUser(*control);
    EXPECT_EQ(devices->VideoDeviceUser(0), control.get());

    // Chosen by moniker, which clears nothing by itself: recording the new device drops
    // the record of the device the control no longer uses.
    control->SelectVideoDevice(Entry(TDeviceCategory::VideoDevice, 1));
    TVideoCaptureAccess::RegisterAsVideoDeviceUser(*control);
    EXPECT_EQ(devices->VideoDeviceUser(0), nullptr);
    EXPECT_EQ(devices->VideoDeviceUser(1), control.get());
    EXPECT_EQ(devices->VideoDeviceUser(2), other.get());

    // A device the catalogue does not hold is recorded nowhere.
    control->SelectVideoDevice(tbfake::MakeDevice(L"Cam", platform->SharedLog()));
    TVideoCaptureAccess::RegisterAsVideoDeviceUser(*control);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(devices->VideoDeviceUser(i), nullptr) << i;
    EXPECT_EQ(devices->VideoDeviceUser(2), other.get());
}

TEST_F(SelectionTest, DestroyingAControlRemovesItFromTheUserRecords) {
    other = MakeControl(L"VideoCapture2");
    devices->SetVideoDeviceUser(0, control.get());
    devices->SetVideoDeviceUser(1, other.get());
    other.reset();
    EXPECT_EQ(devices->VideoDeviceUser(0), control.get());
    EXPECT_EQ(devices->VideoDeviceUser(1), nullptr);
}

TEST_F(SelectionTest, CloseDevicesForgetsBothDevicesAndKeepsBothCompressors) {
    Quietly([&] {
        control->SelectVideoDeviceByName(L"Cam (1)");
        control->SelectAudioDeviceByName(L"Line In");
        control->SelectVideoCompressorByName(L"MJPEG");
        control->SelectAudioCompressorByName(L"MP3");
    });
    devices->SetVideoDeviceUser(2, control.get());

    control->CloseDevices();

    EXPECT_EQ(control->CurrentVideoDeviceIndex(), -1);
    EXPECT_EQ(control->CurrentAudioDeviceIndex(), -1);
    EXPECT_EQ(control->CurrentVideoCompressorName(), L"MJPEG");
    EXPECT_EQ(control->CurrentAudioCompressorName(), L"MP3");
    EXPECT_EQ(devices->VideoDeviceUser(2), nullptr);
    EXPECT_TRUE(events.empty()); // closing announces nothing
    EXPECT_FALSE(TVideoCaptureAccess::HoldsAnyGraphObject(*control));

    // The next video device is initialised with the compressors still chosen.
    std::wstring compressorsAtInit;
    control->OnInitError = [&](TVideoCapture& c) {
        compressorsAtInit = c.CurrentVideoCompressorName() + L"+" + c.CurrentAudioCompressorName();
    };
    control->SelectVideoDeviceByIndex(0);
    EXPECT_EQ(compressorsAtInit, L"MJPEG+MP3");
    EXPECT_EQ(control->CurrentVideoCompressorName(), L"MJPEG");
}

TEST_F(SelectionTest, StartUpRestoreSelectsTheStoredNamesQuietlyAndInitialisesOnce) {
    // The audio compressor was chosen before and is not stored: it stays.
    Quietly([&] { control->SelectAudioCompressorByName(L"MP3"); });
    auto& store = registry.Store();
    store.RegWriteString(L"VideoCapture1", L"VideoDeviceName", L"Cam (1)");
    store.RegWriteString(L"VideoCapture1", L"AudioDeviceName", L"Line In");
    store.RegWriteString(L"VideoCapture1", L"VideoCompressorName", L"Cinepak");
    store.RegWriteString(L"VideoCapture1", L"AudioCompressorName", L"");
    store.RegWriteInteger(L"VideoCapture1", L"VideoDeviceIdx", 0); // indices never count

    std::vector<std::int32_t> choicesAtInit;
    control->OnInitError = [&](TVideoCapture& c) {
        choicesAtInit = {c.CurrentVideoDeviceIndex(), c.CurrentAudioDeviceIndex(),
                         c.CurrentVideoCompressorIndex(), c.CurrentAudioCompressorIndex()};
        EXPECT_FALSE(c.ReinitOnSelect()); // still inside the batch
    };
    EXPECT_FALSE(control->InitFromSavedDevices());

    EXPECT_EQ(choicesAtInit, (std::vector<std::int32_t>{2, 1, 0, 1}));
    EXPECT_TRUE(events.empty()); // one initialisation, no change events
    EXPECT_TRUE(control->ReinitOnSelect());
}

TEST_F(SelectionTest, StartUpRestoreWithoutStoredNamesKeepsTheCurrentChoices) {
    Quietly([&] {
        control->SelectVideoCompressorByIndex(1);
        control->SelectAudioCompressorByIndex(0);
    });
    EXPECT_FALSE(control->InitFromSavedDevices()); // no video device: nothing to build
    EXPECT_EQ(control->CurrentVideoCompressorName(), L"MJPEG");
    EXPECT_EQ(control->CurrentAudioCompressorName(), L"PCM");
    EXPECT_TRUE(events.empty());
    EXPECT_TRUE(prompter->messages.empty());
}

TEST_F(SelectionTest, AStoredDeviceThatIsGoneSelectsNothingAndClosesTheDevices) {
    Quietly([&] {
        control->SelectVideoDeviceByIndex(0);
        control->SelectAudioDeviceByIndex(0);
    });
    registry.Store().RegWriteString(L"VideoCapture1", L"VideoDeviceName", L"Unplugged Camera");
    EXPECT_FALSE(control->InitFromSavedDevices());
    EXPECT_EQ(control->CurrentVideoDeviceIndex(), -1);
    EXPECT_EQ(control->CurrentAudioDeviceIndex(), -1);
    EXPECT_TRUE(events.empty()); // no build attempted, so no OnInitError either
}

TEST_F(SelectionTest, TheSwitchComesBackWhenTheBatchInitialisationRaises) {
    for (const bool before : {true, false}) {
        SCOPED_TRACE(before);
        registry.Store().RegWriteString(L"VideoCapture1", L"VideoDeviceName", L"USB Camera");
        control->SetReinitOnSelect(before);
        control->OnInitError = [](TVideoCapture&) { throw std::runtime_error("handler failed"); };
        EXPECT_THROW(control->InitFromSavedDevices(), std::runtime_error);
        EXPECT_EQ(control->ReinitOnSelect(), before);
    }
}

TEST_F(SelectionTest, AControlTakesTheProgramWideCatalogueByDefault) {
    EXPECT_EQ(DefaultDevices(), nullptr);
    {
        TDevicesModule module(platform);
        EXPECT_EQ(DefaultDevices(), &module.Catalogue());
        TVideoCapture defaulted(nullptr, L"VideoCapture3", platform);
        defaulted.SetReinitOnSelect(false);
        defaulted.SelectVideoCompressorByName(L"MJPEG");
        EXPECT_EQ(defaulted.CurrentVideoCompressorIndex(), 1);
    }
    EXPECT_EQ(DefaultDevices(), nullptr);
    // Without a catalogue no device is known, and nothing fails.
    TVideoCapture alone(nullptr, L"VideoCapture4", platform, DefaultClock(), nullptr);
    alone.SetReinitOnSelect(false);
    EXPECT_TRUE(alone.SelectVideoDeviceByName(L"USB Camera"));
    EXPECT_TRUE(alone.SelectVideoDeviceByIndex(0));
    EXPECT_EQ(alone.CurrentVideoDeviceIndex(), -1);
    EXPECT_EQ(alone.CurrentVideoDeviceName(), L"");
}

} // namespace
