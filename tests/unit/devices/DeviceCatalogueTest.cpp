#include "devices/DeviceCatalogue.h"
#include "devices/DevicesModule.h"
#include "fakes/FakeDeviceEnum.h"
#include "fakes/FakeMediaPlatform.h"

#include <gtest/gtest.h>

#include <dshow.h>

#include <memory>
#include <optional>
#include <stdexcept>

namespace {

using Microsoft::WRL::ComPtr;
using Names = std::vector<std::wstring>;
using tb::TDeviceCategory;
using tbfake::FakeDeviceEnumerator;
using tbfake::FakeMediaPlatform;
using tbfake::FakeMoniker;

// Users are only named by the slots, never used: any distinct addresses will do.
tb::TDeviceUser Control(int n) {
    static char controls[4];
    return &controls[n];
}

class DeviceCatalogueTest : public ::testing::Test {
protected:
    DeviceCatalogueTest()
        : platform(std::make_shared<FakeMediaPlatform>()),
          deviceEnum(tbfake::MakeFake<FakeDeviceEnumerator>(platform->SharedLog())) {
        platform->Register(CLSID_SystemDeviceEnum, deviceEnum);
    }

    ComPtr<FakeMoniker> Add(REFCLSID category, const std::wstring& name) {
        return deviceEnum->AddDevice(category, name);
    }
    ComPtr<FakeMoniker> AddCamera(const std::wstring& name) {
        return Add(CLSID_VideoInputDeviceCategory, name);
    }
    tb::TDevices& Make() {
        devices.emplace(platform);
        return *devices;
    }

    tbfake::TLedgerScope ledger;
    std::shared_ptr<FakeMediaPlatform> platform;
    ComPtr<FakeDeviceEnumerator> deviceEnum;
    std::optional<tb::TDevices> devices;
};

TEST_F(DeviceCatalogueTest, EmptyMachineGivesEmptyListsAndSafeLookups) {
    auto& catalogue = Make();
    for (const auto category :
         {TDeviceCategory::VideoDevice, TDeviceCategory::AudioDevice,
          TDeviceCategory::VideoCompressor, TDeviceCategory::AudioCompressor}) {
        EXPECT_TRUE(catalogue.Names(category).empty());
        for (const int index : {-1, 0, 1})
            EXPECT_EQ(catalogue.ByIndex(category, index), nullptr);
        EXPECT_EQ(catalogue.IndexOf(category, nullptr), -1);
        EXPECT_EQ(catalogue.NameOf(category, nullptr), L"");
        EXPECT_EQ(catalogue.ByName(category, L""), nullptr);
    }
    EXPECT_EQ(catalogue.VideoDeviceUser(0), nullptr);
    catalogue.SetVideoDeviceUser(0, Control(0));
    EXPECT_EQ(catalogue.VideoDeviceUser(0), nullptr);
}

TEST_F(DeviceCatalogueTest, InitialisesOnceEnumeratesInOrderAndUninitialisesLast) {
    Add(CLSID_VideoCompressorCategory, L"Cinepak");
    Make();
    devices.reset();
    const Names expected = {
        L"Platform.Initialize()",
        L"Platform.CreateInstance(SystemDeviceEnum)",
        L"DevEnum.CreateClassEnumerator(VideoInputDeviceCategory)",
        L"Platform.CreateInstance(SystemDeviceEnum)",
        L"DevEnum.CreateClassEnumerator(AudioInputDeviceCategory)",
        L"Platform.CreateInstance(SystemDeviceEnum)",
        L"DevEnum.CreateClassEnumerator(VideoCompressorCategory)",
        L"Enum(VideoCompressorCategory).Next(1)",
        L"Moniker(Cinepak).BindToStorage(IPropertyBag)",
        L"Bag(Cinepak).Read(FriendlyName)",
        L"Enum(VideoCompressorCategory).Next(1)",
        L"Platform.CreateInstance(SystemDeviceEnum)",
        L"DevEnum.CreateClassEnumerator(AudioCompressorCategory)",
        L"Platform.Uninitialize()",
    };
    EXPECT_EQ(platform->Log().Calls(), expected);
}

TEST_F(DeviceCatalogueTest, FailedInitialisationIsNotUndone) {
    platform->Script().Always(L"Initialize", RPC_E_CHANGED_MODE);
    AddCamera(L"Cam");
    EXPECT_EQ(Make().VideoDeviceNames(), Names{L"Cam"});
    devices.reset();
    EXPECT_EQ(platform->InitializeCount(), 1);
    EXPECT_EQ(platform->UninitializeCount(), 0);
}

TEST_F(DeviceCatalogueTest, AlreadyInitialisedThreadIsBalanced) {
    platform->Script().Always(L"Initialize", S_FALSE);
    Make();
    devices.reset();
    EXPECT_EQ(platform->UninitializeCount(), 1);
}

TEST_F(DeviceCatalogueTest, ListsAreKeptApartAndNumberedPerCategoryRun) {
    AddCamera(L"Cam");
    AddCamera(L"Cam");
    Add(CLSID_AudioInputDeviceCategory, L"Cam");
    Add(CLSID_VideoCompressorCategory, L"Codec");
    Add(CLSID_VideoCompressorCategory, L"Codec");
    Add(CLSID_AudioCompressorCategory, L"PCM");
    auto& catalogue = Make();
    EXPECT_EQ(catalogue.VideoDeviceNames(), (Names{L"Cam", L"Cam (1)"}));
    EXPECT_EQ(catalogue.AudioDeviceNames(), Names{L"Cam"});
    EXPECT_EQ(catalogue.VideoCompressorNames(), (Names{L"Codec", L"Codec (1)"}));
    EXPECT_EQ(catalogue.AudioCompressorNames(), Names{L"PCM"});
}

TEST_F(DeviceCatalogueTest, DuplicateCameraIsFoundByItsNumberedName) {
    const auto first = AddCamera(L"Cam");
    const auto second = AddCamera(L"Cam");
    auto& catalogue = Make();
    EXPECT_EQ(catalogue.VideoDeviceByName(L"Cam").Get(), first.Get());
    EXPECT_EQ(catalogue.VideoDeviceByName(L"Cam (1)").Get(), second.Get());
    EXPECT_EQ(catalogue.IndexOfVideoDevice(second.Get()), 1);
    EXPECT_EQ(catalogue.NameOfVideoDevice(second.Get()), L"Cam (1)");
}

TEST_F(DeviceCatalogueTest, SameNameTwiceGivesTheEarlierEntry) {
    AddCamera(L"Cam");
    const auto named = AddCamera(L"Cam (1)");
    const auto numbered = AddCamera(L"Cam");
    auto& catalogue = Make();
    EXPECT_EQ(catalogue.VideoDeviceNames(), (Names{L"Cam", L"Cam (1)", L"Cam (1)"}));
    EXPECT_EQ(catalogue.VideoDeviceByName(L"Cam (1)").Get(), named.Get());
    EXPECT_EQ(catalogue.NameOfVideoDevice(numbered.Get()), L"Cam (1)");
    EXPECT_EQ(catalogue.IndexOfVideoDevice(numbered.Get()), 2);
}

TEST_F(DeviceCatalogueTest, LookupsByNameAreExact) {
    const auto padded = AddCamera(L" USB Camera ");
    AddCamera(L"   ");
    auto& catalogue = Make();
    EXPECT_EQ(catalogue.VideoDeviceNames(), Names{L" USB Camera "});
    EXPECT_EQ(catalogue.VideoDeviceByName(L" USB Camera ").Get(), padded.Get());
    for (const wchar_t* miss : {L"USB Camera", L" usb camera ", L" USB Camera", L"", L"   "})
        EXPECT_EQ(catalogue.VideoDeviceByName(miss), nullptr) << miss;
}

TEST_F(DeviceCatalogueTest, LookupsHandOutCountedReferences) {
    const auto cam = AddCamera(L"Cam");
    auto& catalogue = Make();
    const ULONG held = cam->RefCount();
    {
        const auto byName = catalogue.VideoDeviceByName(L"Cam");
        const auto byIndex = catalogue.VideoDeviceByIndex(0);
        EXPECT_EQ(cam->RefCount(), held + 2);
    }
    EXPECT_EQ(cam->RefCount(), held);
}

TEST_F(DeviceCatalogueTest, IndexLookupsAreCheckedAgainstTheList) {
    const auto a = AddCamera(L"A");
    const auto b = AddCamera(L"B");
    auto& catalogue = Make();
    EXPECT_EQ(catalogue.VideoDeviceByIndex(0).Get(), a.Get());
    EXPECT_EQ(catalogue.VideoDeviceByIndex(1).Get(), b.Get());
    for (const int index : {-2, -1, 2, 1000})
        EXPECT_EQ(catalogue.VideoDeviceByIndex(index), nullptr) << index;
    EXPECT_EQ(catalogue.AudioDeviceByIndex(0), nullptr);
}

TEST_F(DeviceCatalogueTest, IndexOfIsByIdentityNotByDevice) {
    const auto cam = AddCamera(L"Cam");
    const auto sameDevice = tbfake::MakeDevice(L"Cam", platform->SharedLog());
    auto& catalogue = Make();
    EXPECT_EQ(catalogue.IndexOfVideoDevice(cam.Get()), 0);
    EXPECT_EQ(catalogue.IndexOfVideoDevice(sameDevice.Get()), -1);
    EXPECT_EQ(catalogue.NameOfVideoDevice(sameDevice.Get()), L"");
    EXPECT_EQ(catalogue.IndexOfAudioDevice(cam.Get()), -1);
}

TEST_F(DeviceCatalogueTest, NamesAreAFreshCopyEachTime) {
    AddCamera(L"Cam");
    auto& catalogue = Make();
    auto names = catalogue.VideoDeviceNames();
    names[0] = L"Changed";
    names.push_back(L"Added");
    EXPECT_EQ(catalogue.VideoDeviceNames(), Names{L"Cam"});
}

TEST_F(DeviceCatalogueTest, VideoDeviceUserSlots) {
    AddCamera(L"A");
    AddCamera(L"B");
    AddCamera(L"C");
    auto& catalogue = Make();
    for (int i = -1; i <= 3; ++i)
        EXPECT_EQ(catalogue.VideoDeviceUser(i), nullptr);

    catalogue.SetVideoDeviceUser(-1, Control(0));
    catalogue.SetVideoDeviceUser(3, Control(0));
    for (int i = -1; i <= 3; ++i)
        EXPECT_EQ(catalogue.VideoDeviceUser(i), nullptr) << i;

    catalogue.SetVideoDeviceUser(0, Control(0));
    catalogue.SetVideoDeviceUser(1, Control(1));
    catalogue.SetVideoDeviceUser(2, Control(0));
    catalogue.SetVideoDeviceUser(1, Control(2));
    EXPECT_EQ(catalogue.VideoDeviceUser(1), Control(2));

    catalogue.ClearVideoDeviceUser(Control(0));
    EXPECT_EQ(catalogue.VideoDeviceUser(0), nullptr);
    EXPECT_EQ(catalogue.VideoDeviceUser(1), Control(2));
    EXPECT_EQ(catalogue.VideoDeviceUser(2), nullptr);
    catalogue.ClearVideoDeviceUser(Control(3));
    EXPECT_EQ(catalogue.VideoDeviceUser(1), Control(2));
}

TEST_F(DeviceCatalogueTest, UnreadableDevicesAreLeftOut) {
    AddCamera(L"First");
    platform->Log().Clear();
    const auto noBag = AddCamera(L"No bag");
    noBag->SetBag(nullptr);
    const auto bindFails = AddCamera(L"Bind fails");
    bindFails->Script().Always(L"BindToStorage", E_ACCESSDENIED);
    const auto readFails = AddCamera(L"Read fails");
    readFails->Bag()->Script().Always(L"Read", E_FAIL);
    const auto noName = AddCamera(L"No name");
    noName->Bag()->Set(L"Description", L"x");
    noName->Bag()->Set(L"FriendlyName", L"");
    const auto number = AddCamera(L"Number");
    number->Bag()->ReadAsNumber(L"FriendlyName");
    deviceEnum->Category(CLSID_VideoInputDeviceCategory)->AddEmpty();
    AddCamera(L"Last");
    auto& catalogue = Make();
    EXPECT_EQ(catalogue.VideoDeviceNames(), (Names{L"First", L"Last"}));
    EXPECT_EQ(catalogue.VideoDeviceUser(1), nullptr);
    EXPECT_EQ(catalogue.VideoDeviceUser(2), nullptr);
    catalogue.SetVideoDeviceUser(1, Control(1));
    EXPECT_EQ(catalogue.VideoDeviceUser(1), Control(1));
    catalogue.SetVideoDeviceUser(2, Control(1));
    EXPECT_EQ(catalogue.VideoDeviceUser(2), nullptr);
}

TEST_F(DeviceCatalogueTest, CategoriesThatCannotBeListedStayEmpty) {
    Add(CLSID_AudioInputDeviceCategory, L"Mic");
    Add(CLSID_VideoCompressorCategory, L"Codec");
    Add(CLSID_AudioCompressorCategory, L"PCM");
    AddCamera(L"Cam");
    // The video category's enumerator cannot be created, the audio one says "none".
    platform->Script().Queue(L"CreateInstance(SystemDeviceEnum)", {REGDB_E_CLASSNOTREG});
    deviceEnum->Script().Queue(L"CreateClassEnumerator(AudioInputDeviceCategory)", {S_FALSE});
    deviceEnum->Script().Queue(L"CreateClassEnumerator(AudioCompressorCategory)", {E_FAIL});
    auto& catalogue = Make();
    EXPECT_TRUE(catalogue.VideoDeviceNames().empty());
    EXPECT_EQ(catalogue.VideoDeviceUser(0), nullptr);
    EXPECT_TRUE(catalogue.AudioDeviceNames().empty());
    EXPECT_EQ(catalogue.VideoCompressorNames(), Names{L"Codec"});
    EXPECT_TRUE(catalogue.AudioCompressorNames().empty());
}

TEST_F(DeviceCatalogueTest, ErrorPartWayKeepsWhatWasGathered) {
    AddCamera(L"A");
    AddCamera(L"B");
    AddCamera(L"C");
    deviceEnum->Category(CLSID_VideoInputDeviceCategory)
        ->Script()
        .Queue(L"Next", {S_OK, S_OK, E_UNEXPECTED});
    auto& catalogue = Make();
    EXPECT_EQ(catalogue.VideoDeviceNames(), (Names{L"A", L"B"}));
    catalogue.SetVideoDeviceUser(1, Control(0));
    EXPECT_EQ(catalogue.VideoDeviceUser(1), Control(0));
    catalogue.SetVideoDeviceUser(2, Control(0));
    EXPECT_EQ(catalogue.VideoDeviceUser(2), nullptr);
}

TEST_F(DeviceCatalogueTest, EnumeratorThatNeverEndsIsLeft) {
    AddCamera(L"A");
    deviceEnum->Category(CLSID_VideoInputDeviceCategory)->BreakAtEnd();
    Add(CLSID_AudioInputDeviceCategory, L"Mic");
    auto& catalogue = Make();
    EXPECT_EQ(catalogue.VideoDeviceNames(), Names{L"A"});
    EXPECT_EQ(catalogue.AudioDeviceNames(), Names{L"Mic"});
}

TEST_F(DeviceCatalogueTest, PresenceIsAFreshLookUpByDisplayName) {
    const auto first = AddCamera(L"A");
    const auto second = AddCamera(L"B");
    auto& catalogue = Make();
    const auto video = TDeviceCategory::VideoDevice;
    const auto a = catalogue.VideoDeviceByName(L"A");
    const auto b = catalogue.VideoDeviceByName(L"B");
    EXPECT_TRUE(catalogue.StillPresent(video, a.Get()));
    EXPECT_TRUE(catalogue.StillPresent(video, b.Get()));
    const auto list = deviceEnum->Category(CLSID_VideoInputDeviceCategory);
    list->Remove(second.Get());
    EXPECT_TRUE(catalogue.StillPresent(video, a.Get()));
    EXPECT_FALSE(catalogue.StillPresent(video, b.Get()));
    // What cannot be looked at is not taken for gone: a list that breaks off, a category
    // that cannot be listed, a device without a display name.
    list->Script().Queue(L"Next", {E_UNEXPECTED});
    EXPECT_TRUE(catalogue.StillPresent(video, b.Get()));
    platform->Script().Queue(L"CreateInstance(SystemDeviceEnum)", {REGDB_E_CLASSNOTREG});
    EXPECT_TRUE(catalogue.StillPresent(video, b.Get()));
    second->Script().Queue(L"GetDisplayName", {E_NOTIMPL});
    EXPECT_TRUE(catalogue.StillPresent(video, b.Get()));
    list->Remove(first.Get());
    EXPECT_FALSE(catalogue.StillPresent(video, a.Get()));
    EXPECT_FALSE(catalogue.StillPresent(video, nullptr));
}

TEST_F(DeviceCatalogueTest, EveryReferenceIsReleasedOnEveryPath) {
    AddCamera(L"Cam");
    AddCamera(L"Cam");
    AddCamera(L"  ");
    AddCamera(L"Unbound")->Script().Always(L"BindToStorage", E_FAIL);
    AddCamera(L"Unread")->Bag()->Script().Always(L"Read", E_FAIL);
    Add(CLSID_AudioInputDeviceCategory, L"Mic");
    Add(CLSID_VideoCompressorCategory, L"Codec");
    deviceEnum->Category(CLSID_VideoCompressorCategory)->Script().Queue(L"Next", {S_OK, E_FAIL});
    {
        auto& catalogue = Make();
        const auto held = catalogue.VideoDeviceByName(L"Cam (1)");
        EXPECT_NE(held, nullptr);
        devices.reset();
        // A moniker handed out lives on after the catalogue, as any counted reference.
        EXPECT_EQ(held.Get()->AddRef(), 3u);
        held.Get()->Release();
    }
    platform.reset();
    deviceEnum.Reset();
    EXPECT_TRUE(ledger.Clean()) << ledger.Describe();
}

TEST_F(DeviceCatalogueTest, ModuleMakesTheProgramWideCatalogue) {
    AddCamera(L"Cam");
    EXPECT_FALSE(tb::HasDevices());
    EXPECT_THROW(tb::Devices(), std::logic_error);
    {
        tb::TDevicesModule module(platform);
        EXPECT_TRUE(tb::HasDevices());
        EXPECT_EQ(&tb::Devices(), &module.Catalogue());
        EXPECT_EQ(tb::Devices().VideoDeviceNames(), Names{L"Cam"});
        {
            auto other = std::make_shared<FakeMediaPlatform>();
            tb::TDevicesModule inner(other);
            EXPECT_TRUE(tb::Devices().VideoDeviceNames().empty());
        }
        EXPECT_EQ(&tb::Devices(), &module.Catalogue());
    }
    EXPECT_FALSE(tb::HasDevices());
    EXPECT_EQ(platform->UninitializeCount(), 1);
}

TEST_F(DeviceCatalogueTest, MissingPlatformIsRefused) {
    EXPECT_THROW(tb::TDevices(nullptr), std::invalid_argument);
}

} // namespace
