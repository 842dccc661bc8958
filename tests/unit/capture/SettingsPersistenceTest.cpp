// The capture control's settings in the real (Wine) registry, below a private
// application key: what SaveSettings writes and in which kinds, what LoadFormatSettings
// restores and which default each missing value falls back to, values as earlier runs
// stored them, and the conversion error of a stored identifier that is not one.
//
// The control picks its devices from a catalogue of fake devices (chosen without
// re-initialising) and reads the video mode from a fake stream configuration; no graph
// is built.
#include "capture/GuidText.h"
#include "capture/VideoCapture.h"
#include "devices/DeviceCatalogue.h"
#include "fakes/FakeDeviceEnum.h"
#include "fakes/FakeFilterParts.h"
#include "fakes/FakeMediaPlatform.h"
#include "fakes/FakeMediaTypes.h"
#include "fakes/RecordingPrompter.h"
#include "framework/Application.h"
#include "support/TestRegistry.h"
#include "unit/capture/VideoCaptureAccess.h"

#include <gtest/gtest.h>

#include <dshow.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace tb;
using Microsoft::WRL::ComPtr;
using tbfake::FakeDeviceEnumerator;
using tbfake::FakeMediaPlatform;
using tbfake::FakeStreamConfig;

namespace {

constexpr wchar_t kSection[] = L"VideoCapture1";

// One registry value as it is stored.
struct TRawValue {
    DWORD kind = REG_NONE;
    std::vector<BYTE> data;

    std::wstring Text() const {
        std::wstring text(reinterpret_cast<const wchar_t*>(data.data()),
                          data.size() / sizeof(wchar_t));
        while (!text.empty() && text.back() == L'\0')
            text.pop_back();
        return text;
    }
    std::int32_t Integer() const {
        std::int32_t value = 0;
        std::memcpy(&value, data.data(), std::min(data.size(), sizeof value));
        return value;
    }
    std::int64_t Binary64() const {
        std::int64_t value = 0;
        std::memcpy(&value, data.data(), std::min(data.size(), sizeof value));
        return value;
    }
};

class SettingsPersistenceTest : public ::testing::Test {
protected:
    SettingsPersistenceTest() {
        platform->Register(CLSID_SystemDeviceEnum, deviceEnum);
        for (const wchar_t* name : {L"USB Camera", L"Cam", L"Cam"})
            deviceEnum->AddDevice(CLSID_VideoInputDeviceCategory, name);
        for (const wchar_t* name : {L"Mic", L"Line In"})
            deviceEnum->AddDevice(CLSID_AudioInputDeviceCategory, name);
        for (const wchar_t* name : {L"Cinepak", L"MJPEG"})
            deviceEnum->AddDevice(CLSID_VideoCompressorCategory, name);
        deviceEnum->AddDevice(CLSID_AudioCompressorCategory, L"PCM");
        devices.emplace(platform);
        control = MakeControl();
    }

    void TearDown() override {
        control.reset();
        config.Reset();
        devices.reset();
        deviceEnum.Reset();
        platform.reset();
        EXPECT_TRUE(ledger.Clean()) << ledger.Describe();
    }

    std::unique_ptr<TVideoCapture> MakeControl() {
        auto made =
            std::make_unique<TVideoCapture>(nullptr, kSection, platform, DefaultClock(), &*devices);
        made->OnChangeDevice = [this](TVideoCapture&) { ++changeEvents; };
        made->OnChangeCompressor = [this](TVideoCapture&) { ++changeEvents; };
        return made;
    }
    // Chooses the video device (without re-initialising) and gives the control a pin
    // in this mode.
    void UseCamera(const wchar_t* name, const tbfake::TFakeMediaType& mode) {
        {
            TReinitOnSelectBatch batch(*control);
            ASSERT_TRUE(control->SelectVideoDeviceByName(name));
        }
        config = tbfake::MakeFake<FakeStreamConfig>(L"Config", platform->SharedLog(), mode);
        TVideoCaptureAccess::SetVideoStreamConfig(*control, config);
    }

    std::optional<TRawValue> Raw(const std::wstring& section, const std::wstring& name) const {
        const std::wstring path = registry.KeyPath() + L"\\" + section;
        DWORD kind = 0;
        DWORD size = 0;
        if (::RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND,
                           &kind, nullptr, &size) != ERROR_SUCCESS)
            return std::nullopt;
        TRawValue value;
        value.kind = kind;
        value.data.resize(size);
        if (::RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND,
                           &kind, value.data.data(), &size) != ERROR_SUCCESS)
            return std::nullopt;
        value.data.resize(size);
        return value;
    }
    void PlantText(const std::wstring& section, const std::wstring& name, const std::wstring& text,
                   DWORD kind = REG_SZ) {
        registry.SetRaw(section, name, kind, text.c_str(),
                        static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    void PlantInteger(const std::wstring& section, const std::wstring& name, std::int32_t value) {
        registry.SetRaw(section, name, REG_DWORD, &value, sizeof value);
    }
    void PlantRate(const std::wstring& section, const std::wstring& name, std::int64_t stored) {
        registry.SetRaw(section, name, REG_BINARY, &stored, sizeof stored);
    }

    tbfake::TLedgerScope ledger;
    std::shared_ptr<tbtest::TRecordingPrompter> prompter =
        std::make_shared<tbtest::TRecordingPrompter>();
    TApplication application{prompter};
    tbtest::TTestRegistry registry;
    TScopedSettings scoped{registry.Store()};
    std::shared_ptr<FakeMediaPlatform> platform = std::make_shared<FakeMediaPlatform>();
    ComPtr<FakeDeviceEnumerator> deviceEnum =
        tbfake::MakeFake<FakeDeviceEnumerator>(platform->SharedLog());
    std::optional<TDevices> devices;
    ComPtr<FakeStreamConfig> config;
    std::unique_ptr<TVideoCapture> control;
    int changeEvents = 0;
};

const std::wstring kCamSection = std::wstring(kSection) + L"\\Cam";

} // namespace

TEST_F(SettingsPersistenceTest, SaveWritesNamesIndicesAndTheDevicesModeInTheirKinds) {
    UseCamera(L"Cam", tbfake::VideoInfoType(MEDIASUBTYPE_YUY2, 640, -480, 16, 333667));
    {
        TReinitOnSelectBatch batch(*control);
        control->SelectAudioDeviceByName(L"Line In");
        control->SelectVideoCompressorByName(L"MJPEG");
    }
    control->SaveSettings();

    struct TextCase {
        const wchar_t* name;
        const wchar_t* text;
    } texts[] = {
        {L"VideoDeviceName", L"Cam"},
        {L"AudioDeviceName", L"Line In"},
        {L"VideoCompressorName", L"MJPEG"},
        {L"AudioCompressorName", L""},
    };
    for (const TextCase& c : texts) {
        const auto value = Raw(kSection, c.name);
        ASSERT_TRUE(value) << c.name;
        EXPECT_EQ(value->kind, static_cast<DWORD>(REG_SZ)) << c.name;
        EXPECT_EQ(value->Text(), c.text) << c.name;
    }
    struct IntegerCase {
        const wchar_t* section;
        const wchar_t* name;
        std::int32_t value;
    } integers[] = {
        {kSection, L"VideoDeviceIdx", 1},
        {kSection, L"AudioDeviceIdx", 1},
        {kSection, L"VideoCompressorIdx", 1},
        {kSection, L"AudioCompressorIdx", -1},
        {kCamSection.c_str(), L"VideoWidth", 640},
        {kCamSection.c_str(), L"VideoHeight", 480},
        {kCamSection.c_str(), L"VideoBitCount", 16},
    };
    for (const IntegerCase& c : integers) {
        const auto value = Raw(c.section, c.name);
        ASSERT_TRUE(value) << c.name;
        EXPECT_EQ(value->kind, static_cast<DWORD>(REG_DWORD)) << c.name;
        EXPECT_EQ(value->Integer(), c.value) << c.name;
    }
    const auto rate = Raw(kCamSection, L"VideoFrameRate");
    ASSERT_TRUE(rate);
    EXPECT_EQ(rate->kind, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(rate->data.size(), 8u);
    EXPECT_EQ(rate->Binary64(), 299700); // 29.97 frames per second, four decimals
    EXPECT_EQ(Raw(kCamSection, L"VideoSubType")->Text(), L"{32595559-0000-0010-8000-00AA00389B71}");
    EXPECT_EQ(Raw(kCamSection, L"VideoFormatType")->Text(),
              L"{05589F80-C356-11CE-BF01-00AA0055595A}");
    EXPECT_EQ(Raw(kCamSection, L"VideoFormatString")->Text(), L"640\u00D7480; 29.970; YUY2 (16)");
    // The pin was read once for the whole mode.
    EXPECT_EQ(platform->Log().CallsStartingWith(L"Config.GetFormat").size(), 2u); // + IsDVStream
}

TEST_F(SettingsPersistenceTest, WithoutAVideoDeviceNoFormatSectionIsWritten) {
    control->SaveSettings();
    EXPECT_EQ(Raw(kSection, L"VideoDeviceName")->Text(), L"");
    EXPECT_EQ(Raw(kSection, L"VideoDeviceIdx")->Integer(), -1);
    EXPECT_FALSE(registry.Exists(kCamSection, L"VideoWidth"));
    EXPECT_FALSE(registry.Exists(kSection, L"VideoWidth"));
}

// A device that failed to start has no mode to read: the mode stored before stays, and
// so does the device's name.
TEST_F(SettingsPersistenceTest, ADeviceWithoutGraphKeepsItsStoredMode) {
    const std::wstring section = std::wstring(kSection) + L"\\USB Camera";
    registry.Store().RegWriteInteger(section, L"VideoWidth", 320);
    {
        TReinitOnSelectBatch batch(*control);
        control->SelectVideoDeviceByName(L"USB Camera");
    }
    control->SaveSettings();
    EXPECT_EQ(Raw(kSection, L"VideoDeviceName")->Text(), L"USB Camera");
    EXPECT_EQ(Raw(section, L"VideoWidth")->Integer(), 320);
    EXPECT_FALSE(registry.Exists(section, L"VideoSubType"));
}

TEST_F(SettingsPersistenceTest, WhatIsSavedIsLoadedBack) {
    UseCamera(L"Cam (1)", tbfake::VideoInfoType(MEDIASUBTYPE_RGB32, 1280, 720, 32, 666667));
    control->SaveSettings();
    EXPECT_TRUE(registry.Exists(std::wstring(kSection) + L"\\Cam (1)", L"VideoWidth"));

    // The pin moved on since; the stored mode is what comes back.
    config->SetCurrent(tbfake::VideoInfoType(MEDIASUBTYPE_YUY2, 320, 240, 16, 333333));
    VideoFormat format;
    format.Width = 99; // the record is cleared first
    control->LoadFormatSettings(format);
    EXPECT_EQ(format.MajorType, GUID_NULL);
    EXPECT_EQ(format.Subtype, MEDIASUBTYPE_RGB32);
    EXPECT_EQ(format.FormatType, FORMAT_VideoInfo);
    EXPECT_EQ(format.Width, 1280);
    EXPECT_EQ(format.Height, 720);
    EXPECT_EQ(format.BitCount, 32);
    EXPECT_DOUBLE_EQ(format.FrameRate, 15.0); // 14.99999 kept to four decimals
}

TEST_F(SettingsPersistenceTest, EachMissingValueFallsBackToItsOwnDefault) {
    UseCamera(L"Cam", tbfake::VideoInfoType(MEDIASUBTYPE_YUY2, 640, 480, 16, 400000));
    control->SetWidth(400);
    control->SetHeight(300);

    // Nothing stored: the control's own size, 24 bits, the device's rate, no identifiers.
    VideoFormat format;
    control->LoadFormatSettings(format);
    EXPECT_EQ(format.Width, 400);
    EXPECT_EQ(format.Height, 300);
    EXPECT_EQ(format.BitCount, 24);
    EXPECT_DOUBLE_EQ(format.FrameRate, 25.0);
    EXPECT_EQ(format.Subtype, GUID_NULL);
    EXPECT_EQ(format.FormatType, GUID_NULL);

    control->SetPixelFormat(TPixelFormat::pf8bit);
    control->LoadFormatSettings(format);
    EXPECT_EQ(format.BitCount, 8);

    // Some values stored, one of the wrong kind, one empty.
    PlantInteger(kCamSection, L"VideoHeight", 576);
    PlantInteger(kCamSection, L"VideoBitCount", 0x10018); // low 16 bits: 24
    PlantText(kCamSection, L"VideoWidth", L"720");        // a string is not an integer
    PlantText(kCamSection, L"VideoSubType", L"");         // empty counts as missing
    registry.SetRaw(kCamSection, L"VideoFrameRate", REG_BINARY, "\x10\x27\0\0", 4);
    control->LoadFormatSettings(format);
    EXPECT_EQ(format.Width, 400);
    EXPECT_EQ(format.Height, 576);
    EXPECT_EQ(format.BitCount, 24);
    EXPECT_DOUBLE_EQ(format.FrameRate, 25.0); // four bytes are no rate
    EXPECT_EQ(format.Subtype, GUID_NULL);
}

TEST_F(SettingsPersistenceTest, ValuesAsEarlierRunsStoredThemReadTheSame) {
    UseCamera(L"Cam", tbfake::VideoInfoType(MEDIASUBTYPE_YUY2, 640, 480, 16, 333333));
    PlantInteger(kCamSection, L"VideoWidth", 352);
    PlantInteger(kCamSection, L"VideoHeight", 288);
    PlantInteger(kCamSection, L"VideoBitCount", 12);
    PlantRate(kCamSection, L"VideoFrameRate", 125000);
    PlantText(kCamSection, L"VideoSubType", L"{30323449-0000-0010-8000-00aa00389b71}");
    PlantText(kCamSection, L"VideoFormatType", L"{05589F80-C356-11CE-BF01-00AA0055595A}",
              REG_EXPAND_SZ);
    PlantText(kCamSection, L"VideoFormatString", L"not read");
    VideoFormat format;
    control->LoadFormatSettings(format);
    EXPECT_EQ(format.Width, 352);
    EXPECT_EQ(format.Height, 288);
    EXPECT_EQ(format.BitCount, 12);
    EXPECT_DOUBLE_EQ(format.FrameRate, 12.5);
    const GUID i420 = {
        0x30323449, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
    EXPECT_EQ(format.Subtype, i420);
    EXPECT_EQ(format.FormatType, FORMAT_VideoInfo);
}

// Identifier text that is no identifier is reported once, as the conversion error, and
// counts as missing; the rest of the mode and the other selections still load.
TEST_F(SettingsPersistenceTest, AStoredIdentifierThatIsNoIdentifierIsReportedOnceAndSkipped) {
    UseCamera(L"Cam", tbfake::VideoInfoType(MEDIASUBTYPE_YUY2, 640, 480, 16, 333333));
    PlantText(kSection, L"AudioDeviceName", L"Mic");
    PlantText(kCamSection, L"VideoSubType", L"YUY2");
    PlantText(kCamSection, L"VideoFormatType", L"{05589F80-C356-11CE-BF01-00AA0055595A}");
    registry.Store().RegWriteInteger(kCamSection, L"VideoWidth", 320);
    for (int load = 0; load < 2; ++load) {
        VideoFormat format;
        control->LoadFormatSettings(format);
        EXPECT_EQ(format.Subtype, GUID_NULL);
        EXPECT_EQ(format.FormatType, FORMAT_VideoInfo);
        EXPECT_EQ(format.Width, 320);
    }
    ASSERT_EQ(prompter->messages.size(), 1u);
    EXPECT_EQ(prompter->messages[0].text, L"'YUY2' is not a valid GUID value");
    EXPECT_EQ(control->CurrentAudioDeviceName(), L"Mic");
    EXPECT_TRUE(control->ReinitOnSelect());
    EXPECT_EQ(changeEvents, 0);
}

// Sizes that cannot be a frame's count as missing: the control's own size is asked for.
TEST_F(SettingsPersistenceTest, ImpossibleStoredSizesCountAsMissing) {
    UseCamera(L"Cam", tbfake::VideoInfoType(MEDIASUBTYPE_YUY2, 640, 480, 16, 333333));
    for (const std::int32_t side : {0, -1, -2147483647 - 1, 16385, 2147483647}) {
        SCOPED_TRACE(side);
        registry.Store().RegWriteInteger(kCamSection, L"VideoWidth", side);
        registry.Store().RegWriteInteger(kCamSection, L"VideoHeight", side);
        VideoFormat format;
        control->LoadFormatSettings(format);
        EXPECT_EQ(format.Width, control->Width());
        EXPECT_EQ(format.Height, control->Height());
    }
}

TEST_F(SettingsPersistenceTest, StoredAudioDeviceAndCompressorsAreRestoredByNameQuietly) {
    UseCamera(L"Cam", tbfake::VideoInfoType(MEDIASUBTYPE_YUY2, 640, 480, 16, 333333));
    {
        TReinitOnSelectBatch batch(*control);
        control->SelectAudioDeviceByName(L"Mic");
        control->SelectVideoCompressorByName(L"Cinepak");
        control->SelectAudioCompressorByName(L"PCM");
    }
    PlantText(kSection, L"AudioDeviceName", L"Line In");
    PlantText(kSection, L"VideoCompressorName", L"");       // empty: the choice stays
    PlantText(kSection, L"VideoDeviceName", L"USB Camera"); // not read here
    // "AudioCompressorName" missing: the choice stays.
    VideoFormat format;
    control->LoadFormatSettings(format);
    EXPECT_EQ(control->CurrentVideoDeviceName(), L"Cam");
    EXPECT_EQ(control->CurrentAudioDeviceName(), L"Line In");
    EXPECT_EQ(control->CurrentVideoCompressorName(), L"Cinepak");
    EXPECT_EQ(control->CurrentAudioCompressorName(), L"PCM");
    EXPECT_TRUE(control->ReinitOnSelect());
    EXPECT_EQ(changeEvents, 0);
    EXPECT_TRUE(prompter->messages.empty());

    // A stored name the catalogue no longer has chooses nothing.
    PlantText(kSection, L"AudioDeviceName", L"Gone");
    control->LoadFormatSettings(format);
    EXPECT_EQ(control->CurrentAudioDeviceIndex(), -1);
}

TEST_F(SettingsPersistenceTest, WithoutAVideoDeviceNothingIsRestored) {
    PlantText(kSection, L"AudioDeviceName", L"Mic");
    VideoFormat format;
    format.Width = 5;
    control->LoadFormatSettings(format);
    EXPECT_EQ(format.Width, 0);
    EXPECT_EQ(format.BitCount, 0);
    EXPECT_EQ(control->CurrentAudioDeviceIndex(), -1);
}

TEST_F(SettingsPersistenceTest, EachVideoDeviceKeepsItsOwnMode) {
    UseCamera(L"Cam", tbfake::VideoInfoType(MEDIASUBTYPE_YUY2, 640, 480, 16, 333333));
    control->SaveSettings();
    UseCamera(L"USB Camera", tbfake::VideoInfoType(MEDIASUBTYPE_RGB24, 320, 240, 24, 666667));
    control->SaveSettings();

    VideoFormat format;
    control->LoadFormatSettings(format);
    EXPECT_EQ(format.Width, 320);
    EXPECT_EQ(format.Subtype, MEDIASUBTYPE_RGB24);
    UseCamera(L"Cam", tbfake::VideoInfoType(MEDIASUBTYPE_RGB24, 320, 240, 24, 666667));
    control->LoadFormatSettings(format);
    EXPECT_EQ(format.Width, 640);
    EXPECT_EQ(format.Subtype, MEDIASUBTYPE_YUY2);
    EXPECT_EQ(Raw(kSection, L"VideoDeviceName")->Text(), L"USB Camera");
}
