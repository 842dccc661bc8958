// Building and dismantling the capture graph.
#include "capture/SampleGrabberCB.h"
#include "capture/VideoCapture.h"

namespace tb {

// Creates the graph objects, binds the chosen devices and compressors and finds the
// stream configurations; nothing is connected yet (not built yet: no graph).
bool TVideoCapture::BuildBaseGraph() {
    return false;
}

// Connects tees, capture branch, grabber, preview renderer, video window and graph
// events for the current settings (not built yet: no graph).
bool TVideoCapture::BuildGraph() {
    return false;
}

// Stops the graph, releases the video window and every filter downstream of the capture
// filters (not built yet: nothing is ever built).
void TVideoCapture::TearDownGraph() {}

void TVideoCapture::ReleaseGraphObjects() {
    filterGraph_.Reset();
    captureGraphBuilder_.Reset();
    videoCaptureFilter_.Reset();
    audioCaptureFilter_.Reset();
    dvSplitter_.Reset();
    dvDecoder_.Reset();
    videoCompressorFilter_.Reset();
    audioCompressorFilter_.Reset();
    audioStreamConfig_.Reset();
    videoStreamConfig_.Reset();
    vfwCaptureDialogs_.Reset();
    vfwCompressDialogs_.Reset();
    sampleGrabber_.Reset();
    dialogAvailability_ = 0;
}

// Disconnects and removes every filter downstream of `filter` (not built yet).
void TVideoCapture::RemoveDownstream(IBaseFilter*) {}

// Makes the stream the multiplexer's master stream (not built yet).
void TVideoCapture::ApplyMasterStream(std::int32_t) {}

} // namespace tb
