// Taking the capture graph apart: back to the capture filters alone (teardown), or no
// graph at all (release).
#include "capture/VideoCapture.h"
#include "media/ComHelpers.h"

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
    if (graph_.Built.Complete)
        DismantleGraph();
}

// Stops the graph, hides the video window, lets the built part go and removes every
// filter downstream of the capture filters; the base graph (the filter graph, the
// builder, the capture, DV and compressor filters, the stream configurations) stays for
// the next build. Acts only on what exists, so it also cleans up after a build that
// failed half-way.
void TVideoCapture::DismantleGraph() {
    if (capturing_)
        StopGraph();
    // A capture's StopGraph may have restarted the preview on a rebuilt graph.
    if (previewing_)
        StopPreview();

    LeaveFullScreen();
    TBuiltGraph& built = graph_.Built;
    if (built.VideoWindow) {
        built.VideoWindow->put_Visible(OAFALSE);
        built.VideoWindow->put_Owner(0);
    }
    // Nothing connects the capture branch's null renderer, so no pin leads to it: it
    // leaves the graph by name, or every capture would leave one more behind.
    if (built.NullRenderer && graph_.FilterGraph)
        graph_.FilterGraph->RemoveFilter(built.NullRenderer.Get());
    // Every reference of the built part goes, the grabber callback detached with it.
    built = {};

    if (graph_.VideoCaptureFilter)
        RemoveDownstream(graph_.VideoCaptureFilter.Get());
    if (graph_.AudioCaptureFilter)
        RemoveDownstream(graph_.AudioCaptureFilter.Get());
    RemoveStrayFilters();
}

// The whole graph goes: every reference it held (the capture card's crossbar included).
void TVideoCapture::ReleaseGraphObjects() {
    graph_ = {};
}

// Walks the filter's pins; every input pin connected to one of them leads to a filter
// that is taken apart first (depth first), then disconnected on both sides and removed
// from the graph. The filter itself stays.
void TVideoCapture::RemoveDownstream(IBaseFilter* filter) {
    if (filter == nullptr || !graph_.FilterGraph)
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
        // QueryPinInfo added a reference to the filter: it is adopted.
        const ComPtr<IBaseFilter> peerFilter = AdoptReference(info.pFilter);
        if (info.dir != PINDIR_INPUT || !peerFilter)
            continue;
        RemoveDownstream(peerFilter.Get());
        graph_.FilterGraph->Disconnect(peer.Get());
        graph_.FilterGraph->Disconnect(pin.Get());
        graph_.FilterGraph->RemoveFilter(peerFilter.Get());
    }
}

// A build that failed half-way can leave filters that nothing connects to (a renderer
// that the failed render step added): they would show their own window when the next
// graph runs. Every filter but the kept ones that has no connected pin leaves the graph.
void TVideoCapture::RemoveStrayFilters() {
    if (!graph_.FilterGraph)
        return;
    ComPtr<IEnumFilters> filters;
    if (FAILED(graph_.FilterGraph->EnumFilters(filters.GetAddressOf())) || !filters)
        return;
    const IBaseFilter* kept[] = {graph_.VideoCaptureFilter.Get(),
                                 graph_.AudioCaptureFilter.Get(),
                                 graph_.DvSplitter.Get(),
                                 graph_.DvDecoder.Get(),
                                 graph_.VideoCompressorFilter.Get(),
                                 graph_.AudioCompressorFilter.Get()};
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
        graph_.FilterGraph->RemoveFilter(filter.Get());
}

} // namespace tb
