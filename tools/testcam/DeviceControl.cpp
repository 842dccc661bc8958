#include "DeviceControl.h"

#include <string>

namespace testcam {

namespace {

// The closed-on-exit handle of a registry key.
class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey() {
        if (key_ != nullptr)
            ::RegCloseKey(key_);
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    HKEY* Put() { return &key_; }
    HKEY Get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

std::wstring ValueName(int camera) {
    return std::to_wstring(camera);
}

} // namespace

DeviceControl::DeviceControl() {
    mapping_ = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                    sizeof(ControlBlock), kControlBlockName);
    if (mapping_ == nullptr)
        return;
    existed_ = ::GetLastError() == ERROR_ALREADY_EXISTS;
    block_ = static_cast<ControlBlock*>(
        ::MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(ControlBlock)));
    if (block_ != nullptr && !existed_)
        LoadUnplugged();
}

void DeviceControl::LoadUnplugged() {
    RegistryKey key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kUnpluggedKey, 0, KEY_QUERY_VALUE, key.Put()) !=
        ERROR_SUCCESS)
        return; // nothing recorded: every device is plugged in
    for (int camera = 1; camera <= kCameraCount; ++camera) {
        DWORD value = 0;
        DWORD size = sizeof(value);
        DWORD type = 0;
        if (::RegQueryValueExW(key.Get(), ValueName(camera).c_str(), nullptr, &type,
                               reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
            type == REG_DWORD && size == sizeof(value) && value != 0)
            ::InterlockedExchange(&block_->unplugged[camera - 1], 1);
    }
}

DeviceControl::~DeviceControl() {
    if (block_ != nullptr)
        ::UnmapViewOfFile(block_);
    if (mapping_ != nullptr)
        ::CloseHandle(mapping_);
}

volatile LONG* DeviceControl::Field(volatile LONG (&field)[kCameraCount], int camera) const {
    if (block_ == nullptr || camera < 1 || camera > kCameraCount)
        return nullptr;
    return &field[camera - 1];
}

bool DeviceControl::Unplugged(int camera) const {
    volatile LONG* value = block_ ? Field(block_->unplugged, camera) : nullptr;
    return value != nullptr && *value != 0;
}

LONG DeviceControl::AbortRequests(int camera) const {
    volatile LONG* value = block_ ? Field(block_->abortRequests, camera) : nullptr;
    return value != nullptr ? *value : 0;
}

LONG DeviceControl::TakeStall(int camera) {
    volatile LONG* value = block_ ? Field(block_->stallMilliseconds, camera) : nullptr;
    return value != nullptr ? ::InterlockedExchange(value, 0) : 0;
}

bool DeviceControl::Marked(int camera) const {
    volatile LONG* value = block_ ? Field(block_->marked, camera) : nullptr;
    return value != nullptr && *value != 0;
}

LONG DeviceControl::Dropped(int camera) const {
    volatile LONG* value = block_ ? Field(block_->dropped, camera) : nullptr;
    return value != nullptr ? *value : 0;
}

LONG DeviceControl::Delivered(int camera) const {
    volatile LONG* value = block_ ? Field(block_->delivered, camera) : nullptr;
    return value != nullptr ? *value : 0;
}

void DeviceControl::SetUnplugged(int camera, bool unplugged) {
    if (camera < 1 || camera > kCameraCount)
        return;
    // The record first, so a block made afresh meanwhile reads the new state.
    RegistryKey key;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, kUnpluggedKey, 0, nullptr, REG_OPTION_VOLATILE,
                          KEY_SET_VALUE, nullptr, key.Put(), nullptr) == ERROR_SUCCESS) {
        const std::wstring name = ValueName(camera);
        if (unplugged) {
            const DWORD one = 1;
            ::RegSetValueExW(key.Get(), name.c_str(), 0, REG_DWORD,
                             reinterpret_cast<const BYTE*>(&one), sizeof(one));
        } else {
            ::RegDeleteValueW(key.Get(), name.c_str());
        }
    }
    if (volatile LONG* value = block_ ? Field(block_->unplugged, camera) : nullptr)
        ::InterlockedExchange(value, unplugged ? 1 : 0);
}

void DeviceControl::RequestAbort(int camera) {
    if (volatile LONG* value = block_ ? Field(block_->abortRequests, camera) : nullptr)
        ::InterlockedIncrement(value);
}

void DeviceControl::Stall(int camera, LONG milliseconds) {
    if (volatile LONG* value = block_ ? Field(block_->stallMilliseconds, camera) : nullptr)
        ::InterlockedExchange(value, milliseconds);
}

void DeviceControl::SetMarked(int camera, bool marked) {
    if (volatile LONG* value = block_ ? Field(block_->marked, camera) : nullptr)
        ::InterlockedExchange(value, marked ? 1 : 0);
}

void DeviceControl::PublishCounts(int camera, LONG dropped, LONG delivered) {
    if (volatile LONG* value = block_ ? Field(block_->dropped, camera) : nullptr)
        ::InterlockedExchange(value, dropped);
    if (volatile LONG* value = block_ ? Field(block_->delivered, camera) : nullptr)
        ::InterlockedExchange(value, delivered);
}

} // namespace testcam
