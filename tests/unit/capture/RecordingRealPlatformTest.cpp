// Recordings of the test pattern camera through the platform's own graph (on Wine: its AVI
// multiplexer writing through the program's file sink): fifty in a row to one name, each
// a whole AVI that replaced the file before it, with nothing left behind; and a folder
// that is not there, told, after which the preview carries on. Skipped when the camera is
// not registered.
#include "capture/CaptureMessages.h"
#include "capture/VideoCapture.h"
#include "devices/DeviceCatalogue.h"
#include "fakes/RecordingPrompter.h"
#include "framework/Application.h"
#include "settings/SettingsStore.h"
#include "support/MessagePump.h"
#include "support/TestCamera.h"
#include "support/TestRegistry.h"

#include <gtest/gtest.h>
#include <psapi.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <vector>

using namespace tb;

namespace {

std::wstring TempFile(const wchar_t* name) {
    wchar_t folder[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, folder);
    return std::wstring(folder) + name;
}

// The file's length, and its RIFF list's (0 when it is not a RIFF AVI).
struct TRiff {
    std::uint64_t fileSize = 0;
    std::uint64_t riffEnd = 0;
};

TRiff ReadRiff(const std::wstring& name) {
    TRiff riff;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &data))
        return riff;
    riff.fileSize = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    std::ifstream file(std::filesystem::path(name), std::ios::binary);
    unsigned char header[12] = {};
    if (file.read(reinterpret_cast<char*>(header), 12) &&
        std::string(header, header + 4) == "RIFF" && std::string(header + 8, header + 12) == "AVI ")
        riff.riffEnd =
            8 + (header[4] | header[5] << 8 | header[6] << 16 | std::uint64_t{header[7]} << 24);
    return riff;
}

std::uint64_t PrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    ::GetProcessMemoryInfo(::GetCurrentProcess(),
                           reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters));
    return counters.PrivateUsage;
}

DWORD Handles() {
    DWORD count = 0;
    ::GetProcessHandleCount(::GetCurrentProcess(), &count);
    return count;
}

TEST(RecordingRealPlatform, FiftyRecordingsToOneNameEachWholeAndNothingLeftBehind) {
    tbtest::TTestRegistry registry;
    TScopedSettings scoped(registry.Store());
    auto prompter = std::make_shared<tbtest::TRecordingPrompter>();
    TApplication application(prompter);
    TDevices devices(DefaultMediaPlatform());
    const std::optional<std::int32_t> camera = tbtest::TestCameraIndex(devices);
    if (!camera)
        GTEST_SKIP() << "the test pattern camera is not registered";

    TVideoCapture control(nullptr, L"VideoCapture1", DefaultMediaPlatform(), DefaultClock(),
                          &devices);
    control.SetReinitOnSelect(false);
    ASSERT_TRUE(control.SelectVideoDeviceByIndex(*camera));
    ASSERT_TRUE(control.InitGraph());

    const std::wstring file = TempFile(L"tb-fifty-recordings.avi");
    {
        // An older, longer file of that name: the first recording replaces it whole.
        std::ofstream older(std::filesystem::path(file), std::ios::binary);
        older << std::string(8 << 20, 'x');
    }
    constexpr int kRecordings = 50;
    constexpr int kWarmUp = 5;
    DWORD handlesAfterWarmUp = 0;
    std::uint64_t bytesAfterWarmUp = 0;
    for (int i = 0; i < kRecordings; ++i) {
        ASSERT_TRUE(control.StartCapture(file)) << "recording " << i;
        tbtest::PumpFor(150);
        ASSERT_TRUE(control.StopCapture()) << "recording " << i;
        const TRiff riff = ReadRiff(file);
        ASSERT_GT(riff.riffEnd, 12u) << "recording " << i << " is no AVI";
        // Wine's multiplexer leaves 8 bytes after the RIFF list, no more.
        ASSERT_LE(riff.fileSize - riff.riffEnd, 8u) << "recording " << i;
        if (i == kWarmUp - 1) {
            handlesAfterWarmUp = Handles();
            bytesAfterWarmUp = PrivateBytes();
        }
    }
    EXPECT_LE(Handles(), handlesAfterWarmUp + 2);
    // The platform's heaps keep a little of what they were given; a leak of one frame
    // buffer (900 KB) a recording would be 40 MB here.
    EXPECT_LT(PrivateBytes(), bytesAfterWarmUp + (8u << 20));
    EXPECT_TRUE(prompter->messages.empty());
    // No handle holds the file: it can go.
    EXPECT_TRUE(::DeleteFileW(file.c_str()));

    // A folder that is not there: told, and the preview carries on.
    EXPECT_FALSE(control.StartCapture(TempFile(L"tb-no-such-folder\\clip.avi")));
    ASSERT_EQ(prompter->messages.size(), 1u);
    EXPECT_EQ(prompter->messages[0].text,
              TVideoCapture::CaptureErrorText(
                  msg::kCannotRunCapture,
                  static_cast<std::int32_t>(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND))));
    EXPECT_FALSE(control.Capturing());
}

} // namespace
