// Running and stopping the graph, the capture timer and the graph's events.
#include "capture/VideoCapture.h"

namespace tb {

// Builds the graph when needed, runs it and fires OnStartPreview (not built yet: without
// a graph it does nothing).
void TVideoCapture::StartPreview() {}

// Stops the running graph (not built yet); without a graph only announces the stop.
void TVideoCapture::StopPreview() {
    Fire(OnStopPreview);
    previewing_ = false;
}

// Ends a capture and rebuilds the graph for preview (not built yet: no capture exists).
void TVideoCapture::StopGraph() {}

// Measures a capture's time, reads the dropped frames, enforces the time limit and fires
// OnCaptureProgress (not built yet).
void TVideoCapture::CaptureTimerTick() {}

// Drains the graph's event queue: error aborts and lost devices (not built yet).
void TVideoCapture::HandleGraphEvents() {}

} // namespace tb
