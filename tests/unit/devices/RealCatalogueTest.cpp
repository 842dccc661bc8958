// The catalogue over the real media platform of the machine the tests run on (Wine
// here: three video compressors, no audio or video capture device unless the test
// pattern camera has been registered in the prefix).
#include "devices/DeviceCatalogue.h"

#include <gtest/gtest.h>

#include <dshow.h>

#include <algorithm>
#include <set>

namespace {

using tb::TDeviceCategory;

const TDeviceCategory kCategories[] = {TDeviceCategory::VideoDevice, TDeviceCategory::AudioDevice,
                                       TDeviceCategory::VideoCompressor,
                                       TDeviceCategory::AudioCompressor};

bool Contains(const std::vector<std::wstring>& names, const std::wstring& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

TEST(RealCatalogue, ListsWinesVideoCompressors) {
    tb::TDevices devices(tb::DefaultMediaPlatform());
    const auto codecs = devices.VideoCompressorNames();
    for (const wchar_t* name :
         {L"Cinepak Video codec", L"Wine MS-RLE video codec", L"Wine Video 1 video codec"})
        EXPECT_TRUE(Contains(codecs, name)) << name;
}

TEST(RealCatalogue, EveryEntryIsNamedUniquelyAndEveryCameraBinds) {
    tb::TDevices devices(tb::DefaultMediaPlatform());
    for (const auto category : kCategories) {
        const auto names = devices.Names(category);
        EXPECT_EQ(std::set<std::wstring>(names.begin(), names.end()).size(), names.size());
        for (int i = 0; i < static_cast<int>(names.size()); ++i) {
            const auto moniker = devices.ByIndex(category, i);
            ASSERT_NE(moniker, nullptr);
            EXPECT_EQ(devices.ByName(category, names[static_cast<std::size_t>(i)]).Get(),
                      moniker.Get());
            EXPECT_EQ(devices.IndexOf(category, moniker.Get()), i);
            // Binding the platform's own codecs is the platform's business (a fresh Wine
            // prefix can refuse it for a while); the capture devices must bind.
            if (category != tb::TDeviceCategory::VideoDevice)
                continue;
            Microsoft::WRL::ComPtr<IBaseFilter> filter;
            EXPECT_GE(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                            reinterpret_cast<void**>(filter.GetAddressOf())),
                      0)
                << names[static_cast<std::size_t>(i)].c_str();
        }
    }
}

TEST(RealCatalogue, VideoDevicesAreAtMostTheTestDevices) {
    tb::TDevices devices(tb::DefaultMediaPlatform());
    const auto cameras = devices.VideoDeviceNames();
    for (const auto& name : cameras)
        EXPECT_TRUE(name.rfind(L"Test Pattern Camera", 0) == 0 || name == L"Test Capture Card" ||
                    name == L"Test HD Camera")
            << name.c_str();
    // One user slot per video device, none beyond.
    EXPECT_EQ(devices.VideoDeviceUser(static_cast<int>(cameras.size())), nullptr);
}

TEST(RealCatalogue, ComponentLibraryStaysBalanced) {
    { tb::TDevices devices(tb::DefaultMediaPlatform()); }
    // The test thread's own initialisation is still in place: a further one is counted
    // (S_FALSE), not a fresh start (S_OK).
    const HRESULT again = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    EXPECT_EQ(again, S_FALSE);
    if (SUCCEEDED(again))
        ::CoUninitialize();
}

} // namespace
