// Taking the capture graph apart: back to the capture filters alone (teardown), or no
// graph at all (release).
#include "capture/SampleGrabberCB.h"
#include "capture/VideoCapture.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace tb {

namespace {

bool HasConnectedPin(IBaseFilter* filter) {
    Microsoft::WRL::ComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(pins.GetAddressOf())) || !pins)
        return false;
    for (;;) {
        Microsoft::WRL::ComPtr<IPin> pin;
        if (pins->Next(1, pin.GetAddressOf(), nullptr) != S_OK || !pin)
            return false;
        Microsoft::WRL::ComPtr<IPin> peer;
        if (SUCCEEDED(pin->ConnectedTo(peer.GetAddressOf())) && peer)
            return true;
    }
}

} // namespace

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
    RemoveStrayFilters();

    // The grabber may keep the callback a while longer: it takes no frame from now on.
    if (grabberCallback_)
        grabberCallback_->Detach();
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

// A build that failed half-way can leave filters that nothing connects to (a renderer
// that the failed render step added): they would show their own window when the next
// graph runs. Every filter but the kept ones that has no connected pin leaves the graph.
void TVideoCapture::RemoveStrayFilters() {
    if (!filterGraph_)
        return;
    ComPtr<IEnumFilters> filters;
    if (FAILED(filterGraph_->EnumFilters(filters.GetAddressOf())) || !filters)
        return;
    const IBaseFilter* kept[] = {
        videoCaptureFilter_.Get(), audioCaptureFilter_.Get(),    dvSplitter_.Get(),
        dvDecoder_.Get(),          videoCompressorFilter_.Get(), audioCompressorFilter_.Get()};
    std::vector<ComPtr<IBaseFilter>> stray;
    for (;;) {
        ComPtr<IBaseFilter> filter;
        if (filters->Next(1, filter.GetAddressOf(), nullptr) != S_OK || !filter)
            break;
        if (std::find(std::begin(kept), std::end(kept), filter.Get()) == std::end(kept) &&
            !HasConnectedPin(filter.Get()))
            stray.push_back(filter);
    }
    for (const ComPtr<IBaseFilter>& filter : stray)
        filterGraph_->RemoveFilter(filter.Get());
}

} // namespace tb
