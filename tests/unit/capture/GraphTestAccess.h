// Test access to the capture control's graph operations and the state they work on
// (the control names this struct its friend).
#pragma once

#include "capture/SampleGrabberCB.h"
#include "capture/VideoCapture.h"

namespace tb {

struct TVideoCaptureGraphAccess {
    static bool BuildBaseGraph(TVideoCapture& c) { return c.BuildBaseGraph(); }
    static bool BuildGraph(TVideoCapture& c) { return c.BuildGraph(); }
    static void TearDownGraph(TVideoCapture& c) { c.TearDownGraph(); }
    static void ReleaseGraphObjects(TVideoCapture& c) { c.ReleaseGraphObjects(); }
    static void StartPreview(TVideoCapture& c) { c.StartPreview(); }
    static void StopPreview(TVideoCapture& c) { c.StopPreview(); }
    static void StopGraph(TVideoCapture& c) { c.StopGraph(); }
    static void CaptureTimerTick(TVideoCapture& c) { c.CaptureTimerTick(); }
    static void HandleGraphEvents(TVideoCapture& c) { c.HandleGraphEvents(); }
    static void WatchDevicePresence(TVideoCapture& c) { c.WatchDevicePresence(); }

    static bool GraphBuilt(const TVideoCapture& c) { return c.graph_.Built.Complete; }
    static bool Previewing(const TVideoCapture& c) { return c.previewing_; }
    static bool CaptureRunning(const TVideoCapture& c) { return c.captureRunning_; }
    static bool CaptureRequested(const TVideoCapture& c) { return c.captureRequested_; }
    static void RequestCapture(TVideoCapture& c, std::wstring fileName) {
        c.captureRequested_ = true;
        c.captureFileName_ = std::move(fileName);
    }
    static TTimer& Timer(TVideoCapture& c) { return *c.timer_; }
    static TSampleGrabberCB* GrabberCallback(const TVideoCapture& c) {
        return c.graph_.Built.GrabberCallback.Get();
    }
    static std::int32_t MasterStream(const TVideoCapture& c) { return c.masterStream_; }
    static void SetMasterStream(TVideoCapture& c, std::int32_t index) { c.masterStream_ = index; }
    static TDateTime CaptureStartTime(const TVideoCapture& c) { return c.captureStartTime_; }

    static bool HoldsFilterGraph(const TVideoCapture& c) { return c.graph_.FilterGraph != nullptr; }
    static IGraphBuilder* FilterGraph(const TVideoCapture& c) { return c.graph_.FilterGraph.Get(); }
    static std::uint32_t FramesSeen(const TVideoCapture& c) { return c.FramesSeen(); }
    static bool HoldsVideoStreamConfig(const TVideoCapture& c) {
        return c.graph_.VideoStreamConfig != nullptr;
    }
    static bool HoldsAudioStreamConfig(const TVideoCapture& c) {
        return c.graph_.AudioStreamConfig != nullptr;
    }
    static bool HoldsAudioCaptureFilter(const TVideoCapture& c) {
        return c.graph_.AudioCaptureFilter != nullptr;
    }
    static bool HoldsDVFilters(const TVideoCapture& c) {
        return c.graph_.DvDecoder != nullptr && c.graph_.DvSplitter != nullptr;
    }
    static bool HoldsVideoWindow(const TVideoCapture& c) {
        return c.graph_.Built.VideoWindow != nullptr;
    }
    static bool HoldsMediaEvent(const TVideoCapture& c) {
        return c.graph_.Built.MediaEvent != nullptr;
    }
    static bool HoldsSampleGrabber(const TVideoCapture& c) {
        return c.graph_.Built.SampleGrabber != nullptr;
    }
    static bool HoldsDroppedFrameCounter(const TVideoCapture& c) {
        return c.graph_.Built.DroppedFrameCounter != nullptr;
    }
    static bool HoldsCaptureBranch(const TVideoCapture& c) {
        return c.graph_.Built.Multiplexer || c.graph_.Built.FileWriter ||
               c.graph_.Built.MuxConfig || c.graph_.Built.NullRenderer;
    }
};

} // namespace tb
