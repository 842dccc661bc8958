#include "DeviceControl.h"

namespace testcam {

DeviceControl::DeviceControl() {
    mapping_ = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                    sizeof(ControlBlock), kControlBlockName);
    if (mapping_ == nullptr)
        return;
    existed_ = ::GetLastError() == ERROR_ALREADY_EXISTS;
    block_ = static_cast<ControlBlock*>(
        ::MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(ControlBlock)));
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
