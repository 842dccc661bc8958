// Test access to the capture control's internal state (the control names this struct
// its friend).
#pragma once

#include "capture/VideoCapture.h"

namespace tb {

struct TVideoCaptureAccess {
    static void SetVideoStreamConfig(TVideoCapture& control,
                                     Microsoft::WRL::ComPtr<IAMStreamConfig> config) {
        control.graph_.VideoStreamConfig = std::move(config);
    }
    static void SetCapturing(TVideoCapture& control, bool capturing) {
        control.capturing_ = capturing;
    }
    static bool Previewing(const TVideoCapture& control) { return control.previewing_; }
    static bool HoldsVideoDevice(const TVideoCapture& control) {
        return control.videoDevice_ != nullptr;
    }
    static bool HoldsVideoCompressor(const TVideoCapture& control) {
        return control.videoCompressor_ != nullptr;
    }
    static bool HoldsAnyGraphObject(const TVideoCapture& control) {
        return control.graph_.FilterGraph || control.graph_.Builder ||
               control.graph_.VideoCaptureFilter || control.graph_.AudioCaptureFilter ||
               control.graph_.VideoStreamConfig || control.graph_.Built.SampleGrabber ||
               control.graph_.Built.VideoWindow || control.graph_.Built.MediaEvent;
    }
    static const TTimer* Timer(const TVideoCapture& control) { return control.timer_.get(); }
    static std::int32_t MasterStream(const TVideoCapture& control) { return control.masterStream_; }
    // What a successful initialisation does last: records the control as its video
    // device's user in the catalogue.
    static void RegisterAsVideoDeviceUser(TVideoCapture& control) {
        control.RegisterAsVideoDeviceUser();
    }
};

} // namespace tb
