// Selection over the machine's real device catalogue (Wine here: three video
// compressors, no audio compressor, and no capture device unless the test pattern camera
// is registered), and the whole program starting and ending with its real catalogue.
#include "app/MainForm.h"
#include "app/Program.h"
#include "capture/VideoCapture.h"
#include "devices/DevicesModule.h"
#include "fakes/RecordingPrompter.h"
#include "framework/Application.h"
#include "framework/Handles.h"
#include "framework/Text.h"
#include "settings/SettingsStore.h"
#include "settings/ValueEncoding.h"
#include "support/TestRegistry.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace tb;

namespace {

constexpr wchar_t kCinepak[] = L"Cinepak Video codec";

TEST(SelectionRealPlatform, CompressorsAreChosenFromTheRealCatalogue) {
    tbtest::TTestRegistry registry;
    TScopedSettings scoped(registry.Store());
    TApplication application(std::make_shared<tbtest::TRecordingPrompter>());
    TDevicesModule module(DefaultMediaPlatform());
    const auto codecs = Devices().VideoCompressorNames();
    int changes = 0;
    {
        TVideoCapture control(nullptr, L"VideoCapture1"); // the program-wide catalogue
        control.OnChangeCompressor = [&](TVideoCapture&) { ++changes; };

        // No video device: the initialisation only closes the devices.
        EXPECT_FALSE(control.SelectVideoCompressorByName(kCinepak));
        EXPECT_EQ(changes, 1);
        EXPECT_EQ(control.CurrentVideoCompressorName(), kCinepak);
        const std::int32_t index = control.CurrentVideoCompressorIndex();
        ASSERT_GE(index, 0);
        EXPECT_EQ(codecs[static_cast<std::size_t>(index)], kCinepak);

        EXPECT_FALSE(control.SelectVideoCompressorByName(L"cinepak video codec"));
        EXPECT_EQ(control.CurrentVideoCompressorIndex(), -1);

        control.SetReinitOnSelect(false);
        for (std::int32_t i = 0; i < static_cast<std::int32_t>(codecs.size()); ++i) {
            EXPECT_TRUE(control.SelectVideoCompressorByIndex(i));
            EXPECT_EQ(control.CurrentVideoCompressorName(), codecs[static_cast<std::size_t>(i)]);
        }
        control.CloseDevices();
        EXPECT_EQ(control.CurrentVideoCompressorName(), codecs.back());
    }
    EXPECT_EQ(changes, 2);
    for (int i = 0; i < Devices().Count(TDeviceCategory::VideoDevice); ++i)
        EXPECT_EQ(Devices().VideoDeviceUser(i), nullptr) << i;
}

// What the program showed while it ran, seen from a thread timer (which also runs inside
// modal loops): its catalogue, its settings store, and any message box, which it answers.
struct TProgramWatch {
    int ticks = 0;
    int mainWindowTicks = 0;
    bool closed = false;
    bool sawCatalogue = false;
    bool sawSettings = false;
    std::wstring restoredCompressor; // the main window's control, once activated
    std::vector<std::wstring> boxes;
};
TProgramWatch* watch = nullptr;

BOOL CALLBACK VisitWindow(HWND window, LPARAM) {
    wchar_t className[32] = {}, caption[128] = {};
    ::GetClassNameW(window, className, 32);
    ::GetWindowTextW(window, caption, 128);
    if (std::wstring(className) == L"#32770" && ::IsWindowVisible(window)) {
        wchar_t text[512] = {};
        ::GetDlgItemTextW(window, 0xFFFF, text, 512); // the box's static text
        watch->boxes.push_back(std::wstring(caption) + L": " + text);
        ::PostMessageW(window, WM_COMMAND, IDOK, 0);
    } else if (std::wstring(caption) == L"PelmontTest2" && ::IsWindowVisible(window)) {
        // Let the main window be shown and activated (it restores its devices then)
        // before closing it as the user does.
        if (++watch->mainWindowTicks == 5 && !watch->closed) {
            watch->closed = true;
            ::PostMessageW(window, WM_CLOSE, 0, 0);
        }
    }
    return TRUE;
}

void CALLBACK WatchTick(HWND, UINT, UINT_PTR, DWORD) {
    ++watch->ticks;
    if (HasDevices())
        for (const auto& name : Devices().VideoCompressorNames())
            watch->sawCatalogue = watch->sawCatalogue || name == kCinepak;
    watch->sawSettings = watch->sawSettings || SettingsOpen();
    if (TApplication* application = TApplication::Current(); application && !watch->closed)
        if (auto* form1 = dynamic_cast<TForm1*>(application->MainForm()))
            watch->restoredCompressor = form1->VideoCapture1().CurrentVideoCompressorName();
    ::EnumThreadWindows(::GetCurrentThreadId(), VisitWindow, 0);
}

// The program's settings key, named after the running program.
std::wstring ProgramKeyPath() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return L"Software\\Zarrow\\" + ApplicationTitle(path);
}

TEST(SelectionRealPlatform, TheProgramStartsAndEndsCleanlyWithTheRealCatalogue) {
    ASSERT_FALSE(HasDevices());
    ASSERT_FALSE(SettingsOpen());
    const std::wstring key = ProgramKeyPath();
    ::RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    {
        // A compressor chosen in an earlier run, for the capture control to restore when
        // the main window is activated.
        TSettingsStore store(key.substr(std::wstring(L"Software\\").size()));
        store.RegWriteString(L"Form1\\VideoCapture1", L"VideoCompressorName", kCinepak);
    }

    TProgramWatch seen;
    watch = &seen;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 100, WatchTick);
    ASSERT_NE(timer, 0u);
    const int exitCode = RunProgram();
    ::KillTimer(nullptr, timer);
    watch = nullptr;

    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(seen.closed);
    EXPECT_TRUE(seen.sawCatalogue);
    EXPECT_TRUE(seen.sawSettings);
    EXPECT_EQ(seen.restoredCompressor, kCinepak);
    for (const auto& box : seen.boxes)
        ADD_FAILURE() << "message box: " << Narrow(box);
    // Both modules are gone: the catalogue before the store.
    EXPECT_FALSE(HasDevices());
    EXPECT_FALSE(SettingsOpen());
    // The main window was closed by the user's way: it stored its placement.
    tb::UniqueHKey form1;
    EXPECT_EQ(
        ::RegOpenKeyExW(HKEY_CURRENT_USER, (key + L"\\Form1").c_str(), 0, KEY_READ, form1.Put()),
        ERROR_SUCCESS);
    form1.Reset();
    ::RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    ::RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
}

} // namespace
