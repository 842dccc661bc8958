#include "support/TestRegistry.h"

#include "framework/Handles.h"

#include <atomic>
#include <stdexcept>

namespace tbtest {

TTestRegistry::TTestRegistry() {
    static std::atomic<int> counter{0};
    appKeyPath_ = L"Zarrow\\TestBenchTest" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                  std::to_wstring(counter++);
    store_ = std::make_unique<tb::TSettingsStore>(appKeyPath_);
}

TTestRegistry::~TTestRegistry() {
    store_.reset();
    DeleteApplicationKey();
}

void TTestRegistry::DeleteApplicationKey() {
    if (store_)
        store_->CloseKey();
    ::RegDeleteTreeW(HKEY_CURRENT_USER, KeyPath().c_str());
    ::RegDeleteKeyW(HKEY_CURRENT_USER, KeyPath().c_str());
}

void TTestRegistry::SetRaw(const std::wstring& section, const std::wstring& name, DWORD kind,
                           const void* data, DWORD size) {
    tb::UniqueHKey key;
    const std::wstring path = section.empty() ? KeyPath() : KeyPath() + L"\\" + section;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                          key.Put(), nullptr) != ERROR_SUCCESS ||
        ::RegSetValueExW(key.Get(), name.c_str(), 0, kind, static_cast<const BYTE*>(data), size) !=
            ERROR_SUCCESS)
        throw std::runtime_error("cannot plant a registry value");
}

bool TTestRegistry::Exists(const std::wstring& section, const std::wstring& name) const {
    const std::wstring path = section.empty() ? KeyPath() : KeyPath() + L"\\" + section;
    return ::RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name.c_str(), RRF_RT_ANY, nullptr,
                          nullptr, nullptr) == ERROR_SUCCESS;
}

} // namespace tbtest
