// Running and stopping the live picture.
#include "capture/CaptureMessages.h"
#include "capture/VideoCapture.h"

namespace tb {

namespace {

// How long a run that completes in the background may take to show whether it started.
// A healthy live graph is running within milliseconds.
constexpr LONG kRunSettleMilliseconds = 500;

} // namespace

HRESULT TVideoCapture::RunFilterGraph() {
    ComPtr<IMediaControl> control;
    HRESULT result = graph_.FilterGraph.As(&control);
    if (SUCCEEDED(result) && !control)
        result = E_NOINTERFACE;
    if (SUCCEEDED(result)) {
        result = control->Run();
        if (result == S_FALSE) {
            // A live graph answers before its filters have started: a device that
            // cannot start (unplugged) shows only in the graph's state afterwards.
            OAFilterState state = State_Stopped;
            const HRESULT settled = control->GetState(kRunSettleMilliseconds, &state);
            if (FAILED(settled))
                result = settled;
        }
        if (FAILED(result)) {
            // A failed run can leave filters paused, and a paused filter cannot be
            // disconnected later: pause the whole graph, then stop it.
            control->Pause();
            control->Stop();
        }
    }
    return result;
}

// Builds the graph when needed, runs it and fires OnStartPreview. Does not look at
// Preview: its callers do.
void TVideoCapture::StartPreview() {
    if (graph_.FilterGraph && previewing_)
        return;
    if (!graph_.Built.Complete) {
        TearDownGraph();
        if (!BuildGraph())
            return; // any message came from the build
    }
    const HRESULT result = RunFilterGraph();
    if (FAILED(result)) {
        ShowCaptureError(msg::kCannotRunPreview, result);
        return;
    }
    previewing_ = true;
    Fire(OnStartPreview);
}

// Stops the running graph, which stays built; without a graph only announces the stop.
void TVideoCapture::StopPreview() {
    if (graph_.FilterGraph) {
        ComPtr<IMediaControl> control;
        HRESULT result = graph_.FilterGraph.As(&control);
        if (SUCCEEDED(result) && !control)
            result = E_NOINTERFACE;
        if (SUCCEEDED(result))
            result = control->Stop();
        if (FAILED(result)) {
            ShowCaptureError(msg::kCannotStopPreview, result);
            return;
        }
    }
    Fire(OnStopPreview);
    previewing_ = false;
}

} // namespace tb
