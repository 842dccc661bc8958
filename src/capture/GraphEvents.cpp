// The graph's events: drained on WM_GRAPHNOTIFY; error aborts and lost devices end a
// capture or preview, after which the preview is tried once more. A recording whose file
// sink reaches its limit, or whose disk refuses a write, ends with the sink's reason.
//
// A lost device reports whether it went away (removal) or came back (arrival). A removal
// stops the graph and the preview is tried once; a device that is really gone refuses
// that run, which the user is told once. Should the device report its removal again
// before a single frame has flowed since that attempt, no further attempt is made: the
// control settles stopped instead of running a dead graph over and over. An arrival
// always gets an attempt, so the picture comes back by itself when the device returns.
//
// Some capture sources end their stream without a word when their device goes away
// (Wine's, for a V4L2 webcam that is unplugged): no event arrives and the picture only
// freezes. So while the graph runs, the control looks every few seconds whether the
// system still lists its video device. A device that only pauses (a camera that stalls)
// stays listed and is left alone.
#include "capture/CaptureMessages.h"
#include "capture/SampleGrabberCB.h"
#include "capture/VideoCapture.h"
#include "devices/DeviceCatalogue.h"
#include "media/FileSink.h"

namespace tb {

namespace {

// The second parameter of a lost-device event: the device came back.
constexpr LONG_PTR kDeviceArrived = 1;

TCaptureEnd RecordingEndReason(LONG_PTR reason) {
    switch (static_cast<TRecordingEnd>(reason)) {
    case TRecordingEnd::SizeLimit:
        return TCaptureEnd::SizeLimit;
    case TRecordingEnd::DiskSpace:
        return TCaptureEnd::DiskSpace;
    default:
        return TCaptureEnd::WriteFailed;
    }
}

} // namespace

std::uint32_t TVideoCapture::FramesSeen() const {
    return graph_.Built.GrabberCallback ? graph_.Built.GrabberCallback->FramesSeen.load() : 0;
}

void TVideoCapture::HandleGraphEvents() {
    // A message box shown while handling an event runs a message loop of its own, in
    // which the next notification can arrive: it is drained after the current one.
    if (handlingGraphEvents_) {
        graphEventsPending_ = true;
        return;
    }
    handlingGraphEvents_ = true;
    struct TReset {
        TVideoCapture& control;
        ~TReset() { control.handlingGraphEvents_ = false; }
    } reset{*this};
    do {
        graphEventsPending_ = false;
        DrainGraphEvents();
    } while (graphEventsPending_);
}

void TVideoCapture::DrainGraphEvents() {
    const bool wasCapturing = capturing_;
    const bool wasPreviewing = previewing_;
    if (!graph_.Built.MediaEvent)
        return;

    bool removed = false;
    bool arrived = false;
    // The handlers below rebuild the graph, which replaces the event source: each event
    // is taken from (and freed on) the source held at that moment.
    for (;;) {
        ComPtr<IMediaEventEx> events = graph_.Built.MediaEvent;
        if (!events)
            break;
        long code = 0;
        LONG_PTR param1 = 0;
        LONG_PTR param2 = 0;
        if (events->GetEvent(&code, &param1, &param2, 0) != S_OK)
            break;
        events->FreeEventParams(code, param1, param2);
        switch (code) {
        case kEcErrorAbort:
            EndCapture(TCaptureEnd::Aborted);
            Fire(OnAborted);
            break;
        case kEcDeviceLost:
            if (param2 == kDeviceArrived) {
                arrived = true;
                break;
            }
            removed = true;
            Fire(OnDeviceLost);
            EndCapture(TCaptureEnd::DeviceLost);
            StopPreview();
            break;
        case kEcRecordingEnds:
            EndCapture(RecordingEndReason(param1));
            break;
        default:
            break;
        }
    }

    if (arrived) {
        // The device is back: whatever the last attempt left, run the preview afresh.
        lossRetryPending_ = false;
        if (!preview_)
            return;
        if (previewing_)
            StopPreview();
        StartPreview();
        return;
    }
    if (capturing_ == wasCapturing && previewing_ == wasPreviewing)
        return;
    if (removed) {
        if (lossRetryPending_ && FramesSeen() == framesAtLossRetry_)
            return; // still gone: no frame since the last attempt
        lossRetryPending_ = true;
        framesAtLossRetry_ = FramesSeen();
    }
    StartPreview();
}

void TVideoCapture::WatchDevicePresence() {
    if (checkingPresence_ || destroying_ || !(previewing_ || captureRunning_) || !videoDevice_)
        return;
    TDevices* devices = services_.Devices;
    checkingPresence_ = true;
    const bool present = devices == nullptr ||
                         devices->StillPresent(TDeviceCategory::VideoDevice, videoDevice_.Get());
    checkingPresence_ = false;
    if (!present)
        LoseSilentDevice();
}

// Handled as a lost device (OnDeviceLost, the capture ended, the preview stopped), except
// that the preview is not tried again: the silent source would start and end again
// without a word. The user is told instead, as a failed run of the preview would tell;
// choosing the device again once it is back builds a fresh graph.
void TVideoCapture::LoseSilentDevice() {
    deviceLostSilently_ = true;
    Fire(OnDeviceLost);
    EndCapture(TCaptureEnd::DeviceLost);
    StopPreview();
    ShowCaptureError(msg::kCannotRunPreview,
                     static_cast<std::int32_t>(HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED)));
}

} // namespace tb
