// Taking the capture graph apart: back to the capture filters alone (teardown), or no
// graph at all (release).
#include "capture/SampleGrabberCB.h"
#include "capture/VideoCapture.h"

namespace tb {

void TVideoCapture::TearDownGraph() {
    if (!graphBuilt_)
        return;
    DismantleGraph();
    graphBuilt_ = false;
}

// Stops the graph, hides the video window and removes every filter downstream of the
// capture filters; the filter graph, the builder, the capture, DV and compressor
// filters and the stream configurations stay for the next build. Acts only on what
// exists, so it also cleans up after a build that failed half-way.
void TVideoCapture::DismantleGraph() {
    if (capturing_)
        StopGraph();
    // A capture's StopGraph may have restarted the preview on a rebuilt graph.
    if (previewing_)
        StopPreview();

    LeaveFullScreen();
    if (videoWindow_) {
        videoWindow_->put_Visible(OAFALSE);
        videoWindow_->put_Owner(0);
    }
    videoWindow_.Reset();
    fileWriter_.Reset();
    // Nothing connects the capture branch's null renderer, so no pin leads to it: it
    // leaves the graph by name, or every capture would leave one more behind.
    if (nullRenderer_ && filterGraph_)
        filterGraph_->RemoveFilter(nullRenderer_.Get());
    nullRenderer_.Reset();
    muxConfig_.Reset();
    multiplexer_.Reset();
    sampleGrabber_.Reset();
    mediaEvent_.Reset();
    droppedFrameCounter_.Reset();

    if (videoCaptureFilter_)
        RemoveDownstream(videoCaptureFilter_.Get());
    if (audioCaptureFilter_)
        RemoveDownstream(audioCaptureFilter_.Get());

    grabberCallback_.Reset();
}

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

// Walks the filter's pins; every input pin connected to one of them leads to a filter
// that is taken apart first (depth first), then disconnected on both sides and removed
// from the graph. The filter itself stays.
void TVideoCapture::RemoveDownstream(IBaseFilter* filter) {
    if (filter == nullptr || !filterGraph_)
        return;
    ComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(pins.GetAddressOf())) || !pins)
        return;
    pins->Reset();
    for (;;) {
        ComPtr<IPin> pin;
        if (pins->Next(1, pin.GetAddressOf(), nullptr) != S_OK || !pin)
            break;
        ComPtr<IPin> peer;
        if (FAILED(pin->ConnectedTo(peer.GetAddressOf())) || !peer)
            continue;
        PIN_INFO info{};
        if (FAILED(peer->QueryPinInfo(&info)))
            continue;
        ComPtr<IBaseFilter> peerFilter;
        *peerFilter.GetAddressOf() = info.pFilter; // adopts the reference QueryPinInfo added
        if (info.dir != PINDIR_INPUT || !peerFilter)
            continue;
        RemoveDownstream(peerFilter.Get());
        filterGraph_->Disconnect(peer.Get());
        filterGraph_->Disconnect(pin.Get());
        filterGraph_->RemoveFilter(peerFilter.Get());
    }
}

} // namespace tb
