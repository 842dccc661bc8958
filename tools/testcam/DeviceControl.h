// How a test reaches into a running test camera: a small block of shared memory, named
// "TestPatternCamera.Control", that every camera instance maps while it exists and that
// the control tool (testcamctl.exe) or a test program changes. Per device (pattern
// cameras 1 and 2, the microphone 3, the capture card 4, the HD camera 5):
//  - unplugged: while set, the device is gone: a filter in a graph reports
//    EC_DEVICE_LOST (parameter 0) once, whatever the graph's state, a running stream
//    stops delivering, Pause and Run fail and a new filter of the device is not
//    created (device not connected); clearing it reports EC_DEVICE_LOST with
//    parameter 1 (the device is back) and a running stream resumes. Unlike the rest of the block it
//    outlives the block: SetUnplugged also records it in a volatile registry key (kUnpluggedKey,
//    HKEY_CURRENT_USER), and a block made afresh starts from that record, so a device stays
//    unplugged until it is plugged in again, whichever programs come and go meanwhile, as hardware
//    does. The record ends with the prefix's wine server (a restarted machine finds every device
//    plugged in);
//  - abort requests: each increment makes a running stream report EC_ERRORABORT and
//    stop delivering until the graph is stopped and run again;
//  - stall: the next frame is held back this many milliseconds (a bus hiccup), so the
//    frames whose time passes meanwhile are dropped and counted;
//  - marked: while set, the device's picture carries its mark (the first colour bar in
//    kMarkColour instead of white), so a screenshot tells it from the other camera;
//  - dropped and delivered: the counts of the device's latest stream since it left
//    Stopped (what its IAMDroppedFrames answers), published for a reader outside the
//    process that holds the camera.
// The block lives as long as one camera instance or control program holds it open.
#pragma once

#include <windows.h>

#include <cstdint>

namespace testcam {

inline constexpr int kCameraCount = 5;
inline constexpr wchar_t kControlBlockName[] = L"TestPatternCamera.Control";
// Under HKEY_CURRENT_USER, volatile: one REG_DWORD value 1 named by the device number
// ("1" to "5") for each device that is unplugged.
inline constexpr wchar_t kUnpluggedKey[] = L"Software\\TestPatternCamera\\Unplugged";

struct ControlBlock {
    volatile LONG unplugged[kCameraCount];
    volatile LONG abortRequests[kCameraCount];
    volatile LONG stallMilliseconds[kCameraCount];
    volatile LONG marked[kCameraCount];
    volatile LONG dropped[kCameraCount];
    volatile LONG delivered[kCameraCount];
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
    bool Marked(int camera) const;
    LONG Dropped(int camera) const;
    LONG Delivered(int camera) const;

    // Also records the state beyond the block's life (see kUnpluggedKey).
    void SetUnplugged(int camera, bool unplugged);
    void RequestAbort(int camera);
    void Stall(int camera, LONG milliseconds);
    void SetMarked(int camera, bool marked);
    void PublishCounts(int camera, LONG dropped, LONG delivered);

private:
    // A block made afresh takes the recorded unplugged devices.
    void LoadUnplugged();
    volatile LONG* Field(volatile LONG (&field)[kCameraCount], int camera) const;

    HANDLE mapping_ = nullptr;
    ControlBlock* block_ = nullptr;
    bool existed_ = false;
};

} // namespace testcam
