// A private application key for one test: a settings store under
// HKCU\Software\Zarrow\TestBenchTest<pid>-<n>, removed with everything below it at the end.
#pragma once

#include "settings/SettingsStore.h"

#include <windows.h>

#include <memory>
#include <string>

namespace tbtest {

class TTestRegistry {
public:
    TTestRegistry();
    ~TTestRegistry();

    tb::TSettingsStore& Store() { return *store_; }
    const std::wstring& AppKeyPath() const { return appKeyPath_; }
    // HKCU-relative path of the application key.
    std::wstring KeyPath() const { return L"Software\\" + appKeyPath_; }

    // Raw access for tests that plant values the store would not write.
    void SetRaw(const std::wstring& section, const std::wstring& name, DWORD kind, const void* data,
                DWORD size);
    bool Exists(const std::wstring& section, const std::wstring& name) const;
    void DeleteApplicationKey();

private:
    std::wstring appKeyPath_;
    std::unique_ptr<tb::TSettingsStore> store_;
};

} // namespace tbtest
