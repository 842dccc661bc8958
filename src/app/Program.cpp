#include "app/Program.h"

#include "app/ProgramWindows.h"
#include "devices/DevicesModule.h"
#include "framework/Application.h"
#include "framework/Exception.h"
#include "framework/Text.h"
#include "settings/SettingsStore.h"
#include "settings/ValueEncoding.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <memory>

namespace tb {

namespace {

std::wstring ProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// The settings store lives from before the first window to after the last one.
class TSettingsModule {
public:
    explicit TSettingsModule(const std::wstring& title) { OpenSettings(L"Zarrow\\" + title); }
    ~TSettingsModule() { CloseSettings(); }
    TSettingsModule(const TSettingsModule&) = delete;
    TSettingsModule& operator=(const TSettingsModule&) = delete;
};

// The component library of the user-interface thread.
class TComModule {
public:
    TComModule() : result_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~TComModule() {
        if (SUCCEEDED(result_))
            ::CoUninitialize();
    }
    TComModule(const TComModule&) = delete;
    TComModule& operator=(const TComModule&) = delete;

private:
    HRESULT result_;
};

} // namespace

int RunProgram() {
    return RunProgram({});
}

int RunProgram(const std::function<void(TProgramWindows&)>& adjust) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&controls);
    const std::wstring title = ApplicationTitle(ProgramPath());
    try {
        TComModule com;
        TSettingsModule settings(title);
        // The program-wide device catalogue, created right after the settings store;
        // declared here, it is destroyed after every window and before the store.
        TDevicesModule devices(DefaultMediaPlatform());
        TApplication application;
        application.SetTitle(title);
        {
            TProgramWindows windows(application);
            if (adjust)
                adjust(windows);
            windows.Form1().Show();
            application.Run();
        }
        return 0;
    } catch (const TException& error) {
        ::MessageBoxW(nullptr, error.Message().c_str(), title.c_str(), MB_OK | MB_ICONSTOP);
    } catch (const std::exception& error) {
        ::MessageBoxW(nullptr, Widen(error.what()).c_str(), title.c_str(), MB_OK | MB_ICONSTOP);
    }
    return 1;
}

} // namespace tb
