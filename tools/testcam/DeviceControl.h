// How a test reaches into a running test camera: a small block of shared memory, named
// "TestPatternCamera.Control", that every camera instance maps while it exists and that
// the control tool (testcamctl.exe) or a test program changes. Per device (cameras 1
// and 2, the microphone 3):
//  - unplugged: while set, the device is gone: a filter in a graph reports
//    EC_DEVICE_LOST (parameter 0) once, whatever the graph's state, a running stream
//    stops delivering, and Pause and Run fail (device not connected); clearing it
//    reports EC_DEVICE_LOST with parameter 1 (the device is back) and a running stream
//    resumes;
//  - abort requests: each increment makes a running stream report EC_ERRORABORT and
//    stop delivering until the graph is stopped and run again;
//  - stall: the next frame is held back this many milliseconds (a bus hiccup), so the
//    frames whose time passes meanwhile are dropped and counted.
// The block lives as long as one camera instance or control program holds it open.
#pragma once

#include <windows.h>

#include <cstdint>

namespace testcam {

inline constexpr int kCameraCount = 3;
inline constexpr wchar_t kControlBlockName[] = L"TestPatternCamera.Control";

struct ControlBlock {
    volatile LONG unplugged[kCameraCount];
    volatile LONG abortRequests[kCameraCount];
    volatile LONG stallMilliseconds[kCameraCount];
};

class DeviceControl {
public:
    DeviceControl();
    ~DeviceControl();
    DeviceControl(const DeviceControl&) = delete;
    DeviceControl& operator=(const DeviceControl&) = delete;

    bool Valid() const { return block_ != nullptr; }
    // True when the block already existed (some camera or controller holds it).
    bool Existed() const { return existed_; }

    // `camera` is a device number, 1 to kCameraCount; other values are ignored (read as
    // zero).
    bool Unplugged(int camera) const;
    LONG AbortRequests(int camera) const;
    // Takes (and clears) a pending stall.
    LONG TakeStall(int camera);

    void SetUnplugged(int camera, bool unplugged);
    void RequestAbort(int camera);
    void Stall(int camera, LONG milliseconds);

private:
    volatile LONG* Field(volatile LONG (&field)[kCameraCount], int camera) const;

    HANDLE mapping_ = nullptr;
    ControlBlock* block_ = nullptr;
    bool existed_ = false;
};

} // namespace testcam
